#include "dsp/DspLibraries.h"

#include "dsp/PitchAlgorithm.h"

#include <QStringList>

#include <fftw3.h>
#include <rubberband/RubberBandStretcher.h>
#include <soundtouch/SoundTouch.h>

namespace {

// Rubber Band names its version only in its header; whether the library
// loaded offers the R3 engine it tells at run time.
QString rubberBandVersion()
{
    using RubberBand::RubberBandStretcher;
    const RubberBandStretcher probe(44100, 1,
                                    RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionEngineFiner);
    return QStringLiteral("%1 (R%2)").arg(QStringLiteral(RUBBERBAND_VERSION)).arg(probe.getEngineVersion());
}

// "fftw-3.3.10-sse2-avx": the version, without the name and the vector units.
QString fftwVersion()
{
    const QString text = QString::fromLatin1(fftwf_version);
    const QStringList parts = text.split(QLatin1Char('-'));
    return parts.size() > 1 ? parts.at(1) : text;
}

// What a library does for the program: the algorithms it serves.
QString algorithmsOf(const char *library)
{
    QStringList labels;
    for (const PitchAlgorithm &algorithm : PitchAlgorithm::all()) {
        if (qstrcmp(algorithm.library, library) == 0)
            labels << algorithm.displayLabel();
    }
    return labels.join(QStringLiteral(", "));
}

} // namespace

QList<LibraryInfo> DspLibraries::all()
{
    return {
        {QStringLiteral("Rubber Band"), rubberBandVersion(), QStringLiteral("GPL-2.0-or-later"),
         algorithmsOf("Rubber Band")},
        {QStringLiteral("SoundTouch"), QString::fromLatin1(soundtouch::SoundTouch::getVersionString()),
         QStringLiteral("LGPL-2.1-or-later"), algorithmsOf("SoundTouch")},
        {QStringLiteral("FFTW"), fftwVersion(), QStringLiteral("GPL-2.0-or-later"),
         tr("measuring a recording's tuning")},
    };
}

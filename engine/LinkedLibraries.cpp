#include "engine/LinkedLibraries.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

#include <rubberband/RubberBandStretcher.h>
#include <soundtouch/SoundTouch.h>

#include <dlfcn.h>

namespace {

// LAME comes in through FFmpeg's mp3 encoder, so its symbols are in the
// process without our linking it; empty when FFmpeg was built without it.
QString lameVersion()
{
    using VersionCall = const char *(*)();
    const auto call = reinterpret_cast<VersionCall>(dlsym(RTLD_DEFAULT, "get_lame_version"));
    return call ? QString::fromLatin1(call()) : QString();
}

// Rubber Band names its version only in its header; whether the library
// loaded offers the R3 engine it tells at run time.
QString rubberBandVersion()
{
    using RubberBand::RubberBandStretcher;
    const RubberBandStretcher probe(44100, 1,
                                    RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionEngineFiner);
    return QStringLiteral("%1 (R%2)").arg(QStringLiteral(RUBBERBAND_VERSION)).arg(probe.getEngineVersion());
}

} // namespace

QList<LinkedLibraries::Library> LinkedLibraries::all()
{
    QList<Library> libraries;
    libraries.append({QStringLiteral("Qt"), QString::fromLatin1(qVersion()),
                      QStringLiteral("LGPL-3.0-only"), tr("window, files, settings")});
    // FFmpeg's licence depends on how it was built: it says which.
    libraries.append({QStringLiteral("FFmpeg"), QString::fromLatin1(av_version_info()),
                      QString::fromLatin1(avcodec_license()), tr("decoding and encoding")});
    const QString lame = lameVersion();
    if (!lame.isEmpty())
        libraries.append({QStringLiteral("LAME"), lame, QStringLiteral("LGPL-2.0-or-later"), tr("mp3 encoding")});
    libraries.append(
        {QStringLiteral("Rubber Band"), rubberBandVersion(), QStringLiteral("GPL-2.0-or-later"), tr("Frequency based")});
    libraries.append({QStringLiteral("SoundTouch"), QString::fromLatin1(soundtouch::SoundTouch::getVersionString()),
                      QStringLiteral("LGPL-2.1-or-later"), tr("Time based")});
    return libraries;
}

#include "dsp/PitchAlgorithm.h"

#include "base/Table.h"
#include "dsp/RubberBandShifter.h"
#include "dsp/SoundTouchShifter.h"

#include <QCoreApplication>

namespace {

// SoundTouch moves the whole spectrum by splicing: it has no way to keep
// formants.
std::unique_ptr<PitchShifter> soundTouch(int sampleRate, int channels, double semitones,
                                         const PitchAlgorithm::Options &)
{
    return std::make_unique<SoundTouchShifter>(sampleRate, channels, semitones);
}

// SoundTouch refuses rates above 192 kHz: it works at a whole fraction of
// them.
int soundTouchRate(int outputRate)
{
    if (outputRate <= SoundTouchShifter::HighestRate)
        return outputRate;
    return outputRate / (1 + (outputRate - 1) / SoundTouchShifter::HighestRate);
}

std::unique_ptr<PitchShifter> rubberBand(int sampleRate, int channels, double semitones,
                                         const PitchAlgorithm::Options &options)
{
    RubberBandShifter::Settings settings;
    settings.keepFormants = options.keepFormants;
    return std::make_unique<RubberBandShifter>(sampleRate, channels, semitones, settings);
}

// Rubber Band's R3 engine above 48 kHz resets the phase of steady tones at
// every transient (a tone under drum hits loses 15 dB of its level): it
// works at 44.1 or 48 kHz.
int rubberBandRate(int outputRate)
{
    if (outputRate <= 48000)
        return outputRate;
    return outputRate % 44100 == 0 ? 44100 : 48000;
}

} // namespace

// A function's own table, so that it is there for whoever asks first,
// static initialisers of other files included.
const QVector<PitchAlgorithm> &PitchAlgorithm::all()
{
    static const QVector<PitchAlgorithm> algorithms = {
        {0, "time", QT_TRANSLATE_NOOP("PitchAlgorithm", "Time based"), "time based", "SoundTouch", soundTouch,
         soundTouchRate, false},
        {1, "frequency", QT_TRANSLATE_NOOP("PitchAlgorithm", "Frequency based"), "frequency based", "Rubber Band",
         rubberBand, rubberBandRate, true},
    };
    return algorithms;
}

const PitchAlgorithm *PitchAlgorithm::find(int id)
{
    return Table::withId(all(), id);
}

const PitchAlgorithm *PitchAlgorithm::named(const QString &name)
{
    return Table::named(all(), name);
}

QString PitchAlgorithm::displayLabel() const
{
    return QCoreApplication::translate("PitchAlgorithm", label);
}

bool PitchAlgorithm::keepsFormants(int id, bool keepFormants)
{
    const PitchAlgorithm *algorithm = find(id);
    return keepFormants && algorithm && algorithm->canKeepFormants;
}

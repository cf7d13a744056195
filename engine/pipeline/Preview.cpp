#include "pipeline/Preview.h"

#include "base/AudioSink.h"
#include "dsp/PitchAlgorithm.h"
#include "media/AudioInput.h"
#include "media/OutputFormat.h"
#include "pipeline/DecodeLoop.h"
#include "pipeline/ProcessingChain.h"
#include "pipeline/TuningMeasurement.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int Channels = Preview::Channels;

// The chain's sink: pairs each retuned frame with the original frame it
// lines up with, which waits here meanwhile, and gives both the limiter's
// gain.
class Sides : public AudioSink
{
public:
    explicit Sides(Preview::Sink &sink)
        : m_sink(sink)
    {
    }

    void keepOriginal(const float *samples, int frames)
    {
        if (m_begin > 0 && m_begin * 2 >= m_originals.size()) {
            m_originals.erase(m_originals.begin(), m_originals.begin() + std::ptrdiff_t(m_begin));
            m_begin = 0;
        }
        m_originals.insert(m_originals.end(), samples, samples + size_t(frames) * Channels);
    }
    void setGains(const float *gains, int frames) { m_gains.assign(gains, gains + frames); }

    bool write(const float *retuned, int frames) override
    {
        float *original = m_originals.data() + m_begin;
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < Channels; ++c)
                original[f * Channels + c] *= m_gains[size_t(f)];
        }
        m_begin += size_t(frames) * Channels;
        m_enough = !m_sink.write(original, retuned, frames);
        return !m_enough;
    }
    bool finish() override { return true; }
    void discard() override {}
    TranslatableText error() const override { return {}; }

    bool enough() const { return m_enough; }

private:
    Preview::Sink &m_sink;
    std::vector<float> m_originals;
    size_t m_begin = 0;  // in samples
    std::vector<float> m_gains;
    bool m_enough = false;
};

} // namespace

Preview::Preview(const QString &sourcePath, const ConversionSettings &settings, double measuredA4)
    : m_path(sourcePath)
    , m_settings(settings)
    , m_measuredA4(measuredA4)
{
}

bool Preview::open(const std::function<bool()> &stopRequested)
{
    if (!PitchAlgorithm::find(m_settings.algorithm) || !OutputFormat::find(m_settings.audioFormat))
        return fail(tr("These settings cannot be played."));
    if (!m_source.open(m_path))
        return fail(m_source.error());
    if (m_source.bestAudioStream() < 0)
        return fail(tr("“%1” contains no audio.").arg(m_source.name()));
    if (m_measuredA4 > 0.0) {
        m_settings.sourceFrequency = m_measuredA4;
    } else if (m_settings.detectSourcePitch) {
        const TuningMeasurement::Result measured =
            TuningMeasurement::measure(m_path, m_settings.sourceFrequency, stopRequested);
        if (measured.confident())
            m_settings.sourceFrequency = measured.a4Hz;
    }
    if (!m_settings.pitchesValid()) {
        return fail(tr("A4 = %1 Hz cannot be played from a source at %2 Hz.")
                        .arg(m_settings.targetFrequency)
                        .arg(m_settings.sourceFrequency));
    }
    return true;
}

bool Preview::play(double seconds, int sampleRate, Sink &sink, const std::function<bool()> &stopRequested)
{
    AudioInput input;
    if (!input.open(m_source, m_source.bestAudioStream()))
        return fail(input.error());
    if (!m_source.seek(std::max(0.0, seconds)))
        return fail(tr("“%1” cannot be played from %2 s.").arg(m_source.name(), TranslatableText::number(seconds)));

    const PitchAlgorithm &algorithm = *PitchAlgorithm::find(m_settings.algorithm);
    const OutputFormat &format = *OutputFormat::find(m_settings.audioFormat);
    ProcessingChain chain(algorithm.make(sampleRate, Channels, m_settings.semitones(), {m_settings.keepFormants}),
                          Channels, PeakLimiter::forOutput(sampleRate, Channels, format.lossy(), format.headroomDb));
    Sides sides(sink);
    chain.setGainCallback([&sides](const float *gains, int frames) { sides.setGains(gains, frames); });

    // The seek lands on a key point before the place asked for: what lies
    // between is decoded and left out.
    const double from = m_source.startSeconds() + std::max(0.0, seconds);
    long long early = -1;
    input.setOutput(sampleRate, Channels, [&](const float *samples, int frames) {
        if (early < 0)
            early = input.frameSeconds() < 0.0 ? 0 : std::llround(std::max(0.0, from - input.frameSeconds()) * sampleRate);
        const int left = int(std::min<long long>(early, frames));
        early -= left;
        samples += size_t(left) * Channels;
        sides.keepOriginal(samples, frames - left);
        return chain.put(samples, frames - left, sides);
    });
    DecodeLoop loop(m_source);
    loop.take(m_source.bestAudioStream(), [&input](Packet &packet) { return input.decode(packet); });
    loop.setStopCheck(stopRequested);
    const DecodeLoop::End end = loop.run();
    if (end == DecodeLoop::End::Stopped || sides.enough())
        return true;
    if (end == DecodeLoop::End::Read && input.finish() && chain.finish(sides))
        return !m_source.error().isEmpty() ? fail(m_source.error()) : true;
    if (sides.enough())
        return true;
    if (loop.noMemory())
        return fail(tr("Not enough memory to read “%1”.").arg(m_source.name()));
    return fail(!input.error().isEmpty() ? input.error() : chain.failure());
}

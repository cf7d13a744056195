#include "pipeline/AudioTrack.h"

#include "dsp/PitchAlgorithm.h"
#include "media/OutputContainer.h"
#include "media/OutputFormat.h"
#include "media/SourceFile.h"

AudioTrack::AudioTrack(const SourceFile &source, int stream, const ConversionSettings &settings)
    : m_source(source)
    , m_stream(stream)
    , m_settings(settings)
{
}

AudioTrack::~AudioTrack()
{
    // The encoder's thread goes before the encoder.
    m_threaded.reset();
}

bool AudioTrack::open(const OutputFormat &format, OutputContainer &output, bool keepTimeline, bool encoderThread,
                      double headroomDb)
{
    if (!m_input.open(m_source, m_stream))
        return fail(m_input.error());

    // The output keeps the source's resolution and, where asked, its rate,
    // as far as the format allows; the processing runs at the rate the
    // algorithm works at for it, and the encoder brings it back.
    const bool highResolution = !format.lossy() && m_input.highResolution();
    const int wanted =
        m_settings.sampleRate == ConversionSettings::SourceRate ? m_input.sourceRate() : m_settings.sampleRate;
    const int outputRate = AudioEncoder::rateFor(format, highResolution, wanted > 0 ? wanted : 44100);
    if (outputRate == 0)
        return fail(tr("This FFmpeg has no %1 encoder.").arg(format.extension()));
    const PitchAlgorithm &algorithm = *PitchAlgorithm::find(m_settings.algorithm);
    m_rate = algorithm.workingRate(outputRate);
    const int channels = 2;
    m_chain.emplace(algorithm.make(m_rate, channels, m_settings.semitones(), {m_settings.keepFormants}), channels,
                    PeakLimiter::forOutput(m_rate, channels, format.lossy(), headroomDb + format.headroomDb));
    m_input.setOutput(m_rate, channels, [this](const float *samples, int frames) { return process(samples, frames); });

    m_encoder = std::make_unique<AudioEncoder>(output);
    if (!m_encoder->open(format, m_settings.audioBitrate, outputRate, channels, highResolution, m_rate))
        return fail(m_encoder->error());
    m_encoder->describeAs(m_source, m_stream);
    m_keepTimeline = keepTimeline;
    // The decoded peak of a lossy track is needed at its end; where the
    // encoder has a thread of its own, a core is free to measure it on the
    // way.
    if (encoderThread && format.lossy())
        m_encoder->measureDecodedPeak();
    if (encoderThread)
        m_threaded.emplace(*m_encoder, channels);
    m_sink = m_threaded ? static_cast<AudioSink *>(&*m_threaded) : m_encoder.get();
    return true;
}

bool AudioTrack::feed(const Packet &packet)
{
    return m_input.decode(packet) || sinkFailed();
}

bool AudioTrack::process(const float *samples, int frames)
{
    // Beside copied video, the retuned audio begins where the source's did.
    if (!m_started && m_keepTimeline)
        m_encoder->setStartTime(m_input.firstSeconds());
    m_started = true;
    return m_chain->put(samples, frames, *m_sink);
}

// What stopped the decoding: the decoder, the shifter, or a refusal of the
// sink.
bool AudioTrack::sinkFailed()
{
    if (!m_input.error().isEmpty())
        return fail(m_input.error());
    return fail(m_chain->failure().isEmpty() ? m_sink->error() : m_chain->failure());
}

bool AudioTrack::finish()
{
    if (!m_input.finish())
        return sinkFailed();
    if (m_chain->framesIn() == 0)
        return fail(tr("“%1” contains no audio samples.").arg(m_source.name()));
    if (!m_chain->finish(*m_sink))
        return sinkFailed();
    if (!m_sink->finish())
        return fail(m_sink->error());
    return true;
}

void AudioTrack::discard()
{
    if (m_sink)
        m_sink->discard();
}

QList<TranslatableText> AudioTrack::warnings() const
{
    const QString lost = TranslatableText::number(m_input.lostSeconds(), 'f', 2);
    if (m_input.damagedPackets() > 0) {
        return {tr("%n damaged frame(s) in the source were skipped (%1 s); the output has gaps there.", nullptr,
                   m_input.damagedPackets())
                    .arg(lost)};
    }
    if (m_input.lostSeconds() > 0.0)
        return {tr("%1 s of audio were missing from the source; the output has silence there.").arg(lost)};
    return {};
}

double AudioTrack::seconds() const
{
    return m_chain && m_rate > 0 ? double(m_chain->framesIn()) / m_rate : 0.0;
}

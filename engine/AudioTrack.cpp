#include "engine/AudioTrack.h"

#include "engine/OutputFile.h"
#include "engine/OutputFormat.h"
#include "engine/SoundTouchPlugin.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// Silence goes in pieces of a tenth of a second, at any rate.
int silenceFrames(int rate)
{
    return std::max(1, rate / 10);
}

} // namespace

AudioTrack::AudioTrack(const AVStream *source, const QString &sourceName, const ConversionSettings &settings)
    : m_source(source)
    , m_sourceName(sourceName)
    , m_settings(settings)
{
}

AudioTrack::~AudioTrack()
{
    // The encoder's thread goes before the encoder.
    m_threaded.reset();
}

bool AudioTrack::fail(const TranslatableText &message)
{
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

bool AudioTrack::open(const OutputFormat &format, OutputFile &file, bool keepTimeline, bool encoderThread,
                      double headroomDb)
{
    if (!m_decoder.open(m_source, m_sourceName))
        return fail(m_decoder.error());

    // The output keeps the source's resolution and, where asked, its rate,
    // as far as the format allows; the processing runs at the output's rate.
    const bool highResolution = !format.lossy() && m_decoder.highResolution();
    const AVCodec *codec = format.findEncoder(highResolution);
    if (!codec)
        return fail(tr("This FFmpeg has no %1 encoder.").arg(format.extension()));
    const int wanted = m_settings.sampleRate == ConversionSettings::SourceRate ? m_decoder.sampleRate()
                                                                               : m_settings.sampleRate;
    const int outputRate = OutputFormat::supportedRate(codec, wanted > 0 ? wanted : 44100);
    // Rubber Band's R3 engine above 48 kHz resets the phase of steady tones
    // at every transient (a tone under drum hits loses 15 dB of its level),
    // so it works at half such rates; SoundTouch refuses rates above 192 kHz,
    // so it works at a whole fraction of them. The encoder brings the result
    // back.
    if (m_settings.algorithm == AppConstants::A_Frequency && outputRate > 48000)
        m_rate = outputRate % 44100 == 0 ? 44100 : 48000;
    else if (outputRate > SoundTouchPlugin::HighestRate)
        m_rate = outputRate / (1 + (outputRate - 1) / SoundTouchPlugin::HighestRate);
    else
        m_rate = outputRate;
    const int channels = OutputFormat::Channels;
    m_chain.emplace(ProcessingChain::processorFor(m_settings.algorithm, m_rate, channels, m_settings.semitones()),
                    channels, PeakLimiter::forOutput(m_rate, channels, format.lossy(), headroomDb));
    m_working.emplace(m_rate, channels);
    m_silence.assign(size_t(silenceFrames(m_rate)) * size_t(channels), 0.0f);

    m_encoder = std::make_unique<EncodingSink>(file);
    if (!m_encoder->open(format, m_settings.audioBitrate, outputRate, channels, highResolution, m_rate))
        return fail(m_encoder->error());
    // What the stream is (its language, its title) and how it is meant.
    for (const char *key : {"language", "title"}) {
        if (const AVDictionaryEntry *entry = av_dict_get(m_source->metadata, key, nullptr, 0))
            av_dict_set(&m_encoder->stream()->metadata, key, entry->value, 0);
    }
    m_encoder->stream()->disposition = m_source->disposition;
    m_keepTimeline = keepTimeline;
    // The decoded peak of a lossy track is needed at its end; where the
    // encoder has a thread of its own, a core is free to measure it on the
    // way.
    if (encoderThread && format.lossy()) {
        m_packetPeak = std::make_unique<PacketPeak>();
        if (m_packetPeak->start(m_encoder->stream()->codecpar, m_encoder->stream()->time_base))
            m_encoder->setPacketPeak(m_packetPeak.get());
        else
            m_packetPeak.reset();
    }
    if (encoderThread)
        m_threaded.emplace(*m_encoder, channels);
    m_sink = m_threaded ? static_cast<AudioSink *>(&*m_threaded) : m_encoder.get();
    return true;
}

bool AudioTrack::feed(const AVPacket *packet)
{
    return m_decoder.decode(packet, [this](const AVFrame *frame, double gap) { return take(frame, gap); })
           || fail(m_decoder.error().isEmpty() ? m_sink->error() : m_decoder.error());
}

bool AudioTrack::take(const AVFrame *frame, double gapSeconds)
{
    // Beside copied video, the retuned audio begins where the source's did.
    if (!m_started && m_keepTimeline)
        m_encoder->setStartTime(m_decoder.firstSeconds());
    m_started = true;
    // Audio lost to damage in the source becomes silence, so that what
    // follows stays in time.
    for (long long gap = std::llround(gapSeconds * m_rate); gap > 0;) {
        const int n = int(std::min<long long>(gap, silenceFrames(m_rate)));
        if (!process(m_silence.data(), n))
            return false;
        gap -= n;
    }
    const int r = m_working->convert(frame, [this](const float *samples, int frames) {
        return process(samples, frames);
    });
    if (r < 0)
        return fail(tr("Converting the samples of “%1” failed: %2.").arg(m_sourceName, ff::errorText(r)));
    return r == 0;
}

bool AudioTrack::process(const float *samples, int frames)
{
    return m_chain->put(samples, frames, *m_sink);
}

bool AudioTrack::finish()
{
    if (!feed(nullptr))
        return false;
    const int r = m_working->flush([this](const float *samples, int frames) { return process(samples, frames); });
    if (r != 0)
        return fail(r < 0 ? tr("Converting the samples of “%1” failed: %2.").arg(m_sourceName, ff::errorText(r))
                          : m_sink->error());
    if (m_chain->framesIn() == 0)
        return fail(tr("“%1” contains no audio samples.").arg(m_sourceName));
    if (!m_chain->finish(*m_sink) || !m_sink->finish())
        return fail(m_sink->error());
    if (m_packetPeak)
        m_decodedPeak = m_packetPeak->finish();
    return true;
}

void AudioTrack::discard()
{
    if (m_sink)
        m_sink->discard();
}

QStringList AudioTrack::warnings() const
{
    QStringList warnings;
    if (m_decoder.damagedPackets() > 0) {
        warnings << QCoreApplication::translate(
                        "AudioTrack",
                        "%n damaged frame(s) in the source were skipped (%1 s); the output has gaps there.", nullptr,
                        m_decoder.damagedPackets())
                        .arg(QString::number(m_decoder.damagedSeconds(), 'f', 2));
    }
    return warnings;
}

double AudioTrack::seconds() const
{
    return m_chain && m_rate > 0 ? double(m_chain->framesIn()) / m_rate : 0.0;
}

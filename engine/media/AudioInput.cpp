#include "media/AudioInput.h"

#include "media/Packet.h"
#include "media/SourceFile.h"
#include "media/ffmpeg/AudioDecoder.h"
#include "media/ffmpeg/WorkingFormat.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// Silence goes in pieces of a tenth of a second, at any rate.
int silenceFrames(int rate)
{
    return std::max(1, rate / 10);
}

} // namespace

struct AudioInput::Private
{
    bool take(const AVFrame *frame, double gapSeconds);
    bool convertFailed(int code);

    QString sourceName;
    AudioDecoder decoder;
    std::optional<WorkingFormat> working;
    Sink sink;
    std::vector<float> silence;
    const AVStream *stream = nullptr;
    double frameSeconds = -1.0;
    TranslatableText error;
};

AudioInput::AudioInput()
    : d(std::make_unique<Private>())
{
}

AudioInput::~AudioInput() = default;

bool AudioInput::open(const SourceFile &source, int stream)
{
    d->sourceName = source.name();
    d->stream = source.container()->streams[stream];
    return d->decoder.open(d->stream, source.name(), source.container()->bit_rate);
}

void AudioInput::setOutput(int sampleRate, int channels, Sink sink)
{
    d->working.emplace(sampleRate, channels);
    d->silence.assign(size_t(silenceFrames(sampleRate)) * size_t(channels), 0.0f);
    d->sink = std::move(sink);
}

bool AudioInput::decode(const Packet &packet)
{
    return d->decoder.decode(packet.get(), [this](const AVFrame *frame, double gap) { return d->take(frame, gap); });
}

bool AudioInput::Private::take(const AVFrame *frame, double gapSeconds)
{
    frameSeconds = frame->pts == AV_NOPTS_VALUE ? -1.0 : double(frame->pts) * av_q2d(stream->time_base);
    const int rate = working->sampleRate();
    for (long long gap = std::llround(gapSeconds * rate); gap > 0;) {
        const int n = int(std::min<long long>(gap, silenceFrames(rate)));
        if (!sink(silence.data(), n))
            return false;
        gap -= n;
    }
    const int r = working->convert(frame, sink);
    return r == 0 || (r < 0 && convertFailed(r));
}

bool AudioInput::Private::convertFailed(int code)
{
    error = TranslatableText("AudioInput", QT_TRANSLATE_NOOP("AudioInput", "Converting the samples of “%1” failed: %2."))
                .arg(sourceName, ff::errorText(code));
    return false;
}

bool AudioInput::finish()
{
    if (!d->decoder.decode(nullptr, [this](const AVFrame *frame, double gap) { return d->take(frame, gap); }))
        return false;
    const int r = d->working->flush(d->sink);
    return r == 0 || (r < 0 && d->convertFailed(r));
}

void AudioInput::flush()
{
    d->decoder.flush();
}

int AudioInput::sourceRate() const
{
    return d->decoder.sampleRate();
}

bool AudioInput::highResolution() const
{
    return d->decoder.highResolution();
}

double AudioInput::firstSeconds() const
{
    return d->decoder.firstSeconds();
}

double AudioInput::timelineSeconds() const
{
    return d->decoder.timelineSeconds();
}

double AudioInput::frameSeconds() const
{
    return d->frameSeconds;
}

int AudioInput::damagedPackets() const
{
    return d->decoder.damagedPackets();
}

double AudioInput::lostSeconds() const
{
    return d->decoder.lostSeconds();
}

TranslatableText AudioInput::error() const
{
    return d->error.isEmpty() ? d->decoder.error() : d->error;
}

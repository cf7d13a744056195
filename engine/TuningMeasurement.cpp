#include "engine/TuningMeasurement.h"

#include "engine/AudioDecoder.h"
#include "engine/SourceFile.h"
#include "engine/TuningEstimator.h"
#include "engine/WorkingFormat.h"

#include <optional>

namespace {

// Files up to this long are measured whole; longer ones in Excerpts pieces
// of ExcerptSeconds, spread evenly.
constexpr double WholeFileSeconds = 90.0;
constexpr int Excerpts = 6;
constexpr double ExcerptSeconds = 10.0;

} // namespace

bool TuningMeasurement::Result::confident() const
{
    return measured && confidence >= TuningEstimator::MinimumConfidence;
}

TuningMeasurement::Result TuningMeasurement::measure(const QString &path, double nominalA4Hz,
                                                     const std::function<bool()> &stopRequested)
{
    Result result;
    SourceFile source;
    if (!source.open(path)) {
        result.error = source.error();
        return result;
    }
    if (source.bestAudioStream() < 0) {
        result.error = tr("“%1” contains no audio.").arg(source.name());
        return result;
    }
    const AVStream *stream = source.container()->streams[source.bestAudioStream()];
    AudioDecoder decoder;
    if (!decoder.open(stream, source.name())) {
        result.error = decoder.error();
        return result;
    }
    const int rate = decoder.sampleRate() > 0 ? decoder.sampleRate() : 44100;
    TuningEstimator estimator(rate, 1, nominalA4Hz);
    WorkingFormat mono(rate, 1);
    auto analyse = [&](const float *samples, int frames) {
        estimator.add(samples, frames);
        return true;
    };
    double until = 0.0;  // the end of the excerpt being read, in seconds; 0: the whole file
    auto take = [&](const AVFrame *frame, double) {
        if (until > 0.0 && frame->pts != AV_NOPTS_VALUE
            && double(frame->pts) * av_q2d(stream->time_base) >= until)
            return false;
        return mono.convert(frame, analyse) == 0;
    };

    const double duration = source.durationSeconds();
    const int pieces = duration > WholeFileSeconds ? Excerpts : 1;
    ff::PacketPtr packet(av_packet_alloc());
    bool stopped = !packet;
    for (int piece = 0; piece < pieces && !stopped; ++piece) {
        if (pieces > 1) {
            const double start = (piece + 0.5) * duration / pieces - ExcerptSeconds / 2.0;
            if (!source.seek(start))
                break;
            decoder.flush();
            until = start + ExcerptSeconds;
        }
        bool reading = true;
        while (reading && source.read(packet.get())) {
            stopped = stopRequested && stopRequested();
            if (stopped)
                reading = false;
            else if (packet->stream_index == stream->index)
                reading = decoder.decode(packet.get(), take);
            av_packet_unref(packet.get());
        }
    }
    if (pieces == 1 && !stopped)
        decoder.decode(nullptr, take);
    const TuningEstimator::Result estimate = estimator.result();
    result.measured = true;
    result.a4Hz = estimate.a4Hz;
    result.cents = estimate.cents;
    result.confidence = estimate.confidence;
    return result;
}

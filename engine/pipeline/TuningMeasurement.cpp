#include "pipeline/TuningMeasurement.h"

#include "dsp/TuningEstimator.h"
#include "media/AudioInput.h"
#include "media/SourceFile.h"
#include "pipeline/DecodeLoop.h"

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
    AudioInput input;
    if (!input.open(source, source.bestAudioStream())) {
        result.error = input.error();
        return result;
    }
    const int rate = input.sourceRate() > 0 ? input.sourceRate() : 44100;
    TuningEstimator estimator(rate, 1, nominalA4Hz);
    double until = 0.0;  // the end of the excerpt being read, in seconds; 0: the whole file
    input.setOutput(rate, 1, [&](const float *samples, int frames) {
        if (until > 0.0 && input.frameSeconds() >= until)
            return false;
        estimator.add(samples, frames);
        return true;
    });
    DecodeLoop loop(source);
    loop.take(source.bestAudioStream(), [&input](Packet &packet) { return input.decode(packet); });
    loop.setStopCheck(stopRequested);

    const double duration = source.durationSeconds();
    const int pieces = duration > WholeFileSeconds ? Excerpts : 1;
    bool stopped = false;
    for (int piece = 0; piece < pieces && !stopped; ++piece) {
        if (pieces > 1) {
            const double start = (piece + 0.5) * duration / pieces - ExcerptSeconds / 2.0;
            if (!source.seek(start))
                break;
            input.flush();
            until = start + ExcerptSeconds;
        }
        stopped = loop.run() == DecodeLoop::End::Stopped;
    }
    if (pieces == 1 && !stopped)
        input.finish();
    const TuningEstimator::Result estimate = estimator.result();
    result.measured = true;
    result.a4Hz = estimate.a4Hz;
    result.cents = estimate.cents;
    result.confidence = estimate.confidence;
    return result;
}

#include "engine/Conversion.h"

#include "engine/AudioInput.h"
#include "engine/EncodingSink.h"
#include "engine/OutputFile.h"
#include "engine/OutputFormat.h"
#include "engine/ProcessingChain.h"
#include "engine/ThreadedSink.h"
#include "engine/WorkingFormat.h"

#include <QFileInfo>

#include <atomic>
#include <cmath>
#include <optional>
#include <thread>

namespace {

// Conversions running in this process, for the encoder thread's choice.
std::atomic<int> s_running{0};

struct RunningCount {
    RunningCount() { ++s_running; }
    ~RunningCount() { --s_running; }
};

bool validPitch(double hz)
{
    return std::isfinite(hz) && hz > 0.0;
}

} // namespace

Conversion::Conversion(ConversionRequest request)
    : m_request(std::move(request))
{
}

bool Conversion::useEncoderThread() const
{
    switch (m_encoderThread) {
    case EncoderThread::Never:
        return false;
    case EncoderThread::Always:
        return true;
    case EncoderThread::Auto:
        break;
    }
    // A full machine gains nothing from a second thread per file.
    return s_running.load() < int(std::max(1u, std::thread::hardware_concurrency()));
}

ConversionResult Conversion::failed(const TranslatableText &message) const
{
    ConversionResult result;
    result.status = ConversionResult::Failed;
    result.message = message;
    return result;
}

void Conversion::report(double position)
{
    // About a hundred reports, whatever the length.
    if (m_progress && position >= m_reported + 0.01 && position < 1.0) {
        m_reported = position;
        m_progress(position);
    }
}

ConversionResult Conversion::run()
{
    const RunningCount running;
    const ConversionSettings &settings = m_request.settings;
    if (!validPitch(settings.sourceFrequency) || !validPitch(settings.targetFrequency)) {
        return failed(tr("Invalid concert pitch: source %1 Hz, target %2 Hz.")
                          .arg(settings.sourceFrequency)
                          .arg(settings.targetFrequency));
    }
    const OutputFormat *format = OutputFormat::find(settings.audioFormat);
    if (!format)
        return failed(tr("Unknown output format: %1.").arg(int(settings.audioFormat)));
    const int rate = OutputFormat::SampleRate;
    const int channels = OutputFormat::Channels;
    auto processor = ProcessingChain::processorFor(settings.algorithm, rate, channels, settings.semitones());
    if (!processor)
        return failed(tr("Unknown pitch-shifting algorithm: %1.").arg(int(settings.algorithm)));
    ProcessingChain chain(std::move(processor), channels, PeakLimiter::forOutput(rate, channels, format->lossy()));

    AudioInput input;
    if (!input.open(m_request.sourcePath))
        return failed(input.error());

    OutputFile file;
    EncodingSink encoder(file);
    if (!file.create(m_request.targetDirectory, QFileInfo(m_request.sourcePath).completeBaseName(),
                     format->extension()))
        return failed(file.error());
    if (!encoder.open(*format, settings.audioBitrate, rate, channels))
        return failed(encoder.error());
    // Container tags (title, artist, ...).
    av_dict_copy(&file.container()->metadata, input.container()->metadata, 0);
    if (!file.writeHeader())
        return failed(file.error());

    std::optional<ThreadedSink> threaded;
    if (useEncoderThread())
        threaded.emplace(encoder, channels);
    AudioSink &sink = threaded ? static_cast<AudioSink &>(*threaded) : encoder;
    auto stopped = [&] {
        sink.discard();
        file.discard();
        ConversionResult result;
        result.status = ConversionResult::Stopped;
        return result;
    };
    auto broken = [&](const QString &message) {
        sink.discard();
        file.discard();
        return failed(message);
    };

    WorkingFormat working(rate, channels);
    auto process = [&](const float *samples, int frames) { return chain.put(samples, frames, sink); };
    for (;;) {
        if (m_stopRequested && m_stopRequested())
            return stopped();
        const AudioInput::Read read = input.next();
        if (read == AudioInput::Read::Failed)
            return broken(input.error());
        const int r = read == AudioInput::Read::Frame ? working.convert(input.frame(), process)
                                                      : working.flush(process);
        if (r < 0)
            return broken(tr("Converting the samples of “%1” failed: %2.")
                              .arg(QFileInfo(m_request.sourcePath).fileName(), ff::errorText(r)));
        if (r > 0)
            return broken(sink.error());
        if (read == AudioInput::Read::End)
            break;
        report(input.position());
    }
    if (!chain.finish(sink) || !sink.finish())
        return broken(sink.error());
    if (!file.finish())
        return broken(file.error());

    if (m_progress)
        m_progress(1.0);
    ConversionResult result;
    result.status = ConversionResult::Converted;
    result.outputPath = file.path();
    result.audioSeconds = double(chain.framesIn()) / rate;
    return result;
}

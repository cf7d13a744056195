#include "engine/Conversion.h"

#include "engine/AudioInput.h"
#include "engine/EncodingSink.h"
#include "engine/Metadata.h"
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

ConversionResult Conversion::failed(const QString &message)
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
    const QString sourceName = QFileInfo(m_request.sourcePath).fileName();
    if (!validPitch(settings.sourceFrequency) || !validPitch(settings.targetFrequency)) {
        return failed(tr("Invalid concert pitch: source %1 Hz, target %2 Hz.")
                          .arg(settings.sourceFrequency)
                          .arg(settings.targetFrequency));
    }
    const OutputFormat *format = OutputFormat::find(settings.audioFormat);
    if (!format)
        return failed(tr("Unknown output format: %1.").arg(int(settings.audioFormat)));
    if (settings.algorithm != AppConstants::A_Time && settings.algorithm != AppConstants::A_Frequency)
        return failed(tr("Unknown pitch-shifting algorithm: %1.").arg(int(settings.algorithm)));

    AudioInput input;
    if (!input.open(m_request.sourcePath))
        return failed(input.error());

    // The output keeps the source's resolution and, where asked, its rate,
    // as far as the format allows; the processing runs at the output's rate.
    const bool highResolution = !format->lossy() && input.highResolution();
    const AVCodec *encoderCodec = format->findEncoder(highResolution);
    if (!encoderCodec)
        return failed(tr("This FFmpeg has no %1 encoder.").arg(format->extension()));
    const int wantedRate = settings.sampleRate == ConversionSettings::SourceRate ? input.sampleRate()
                                                                                 : settings.sampleRate;
    const int outputRate = OutputFormat::supportedRate(encoderCodec, wantedRate > 0 ? wantedRate : 44100);
    // Rubber Band's R3 engine above 48 kHz resets the phase of steady tones
    // at every transient (a tone under drum hits loses 15 dB of its level),
    // so it works at half such rates; the encoder brings the result back.
    const int rate = settings.algorithm == AppConstants::A_Frequency && outputRate > 48000
                         ? (outputRate % 44100 == 0 ? 44100 : 48000)
                         : outputRate;
    const int channels = OutputFormat::Channels;
    ProcessingChain chain(ProcessingChain::processorFor(settings.algorithm, rate, channels, settings.semitones()),
                          channels, PeakLimiter::forOutput(rate, channels, format->lossy()));

    OutputFile file;
    EncodingSink encoder(file);
    if (!file.create(m_request.targetDirectory, QFileInfo(m_request.sourcePath).completeBaseName(),
                     format->extension()))
        return failed(file.error());
    if (!encoder.open(*format, settings.audioBitrate, outputRate, channels, highResolution, rate))
        return failed(encoder.error());
    Metadata::copyTags(input.container(), input.stream(), &file.container()->metadata);
    Metadata::addTuningNote(file.container(), Metadata::tuningNote(settings));
    for (unsigned i = 0; i < input.container()->nb_streams; ++i)
        file.addPicture(input.container()->streams[i]);
    if (!file.writeHeader())
        return failed(file.error());

    std::optional<ThreadedSink> threaded;
    if (useEncoderThread())
        threaded.emplace(encoder, channels);
    AudioSink &sink = threaded ? static_cast<AudioSink &>(*threaded) : encoder;
    ConversionResult result;
    auto abandon = [&](ConversionResult::Status status, const QString &message) {
        sink.discard();
        file.discard();
        result.status = status;
        result.message = message;
        return result;
    };

    WorkingFormat working(rate, channels);
    auto process = [&](const float *samples, int frames) { return chain.put(samples, frames, sink); };
    const std::vector<float> silence(size_t(rate / 10) * size_t(channels), 0.0f);
    for (;;) {
        if (m_stopRequested && m_stopRequested())
            return abandon(ConversionResult::Stopped, QString());
        const AudioInput::Read read = input.next();
        if (read == AudioInput::Read::Failed)
            return abandon(ConversionResult::Failed, input.error());
        // Audio lost to damage in the source becomes silence, so that what
        // follows stays in time.
        for (long long gap = std::llround(input.gapBefore() * rate); gap > 0;) {
            const int n = int(std::min<long long>(gap, rate / 10));
            if (!process(silence.data(), n))
                return abandon(ConversionResult::Failed, sink.error());
            gap -= n;
        }
        const int r = read == AudioInput::Read::Frame ? working.convert(input.frame(), process)
                                                      : working.flush(process);
        if (r < 0)
            return abandon(ConversionResult::Failed, tr("Converting the samples of “%1” failed: %2.")
                                                         .arg(sourceName, ff::errorText(r)));
        if (r > 0)
            return abandon(ConversionResult::Failed, sink.error());
        if (read == AudioInput::Read::End)
            break;
        report(input.position());
    }
    if (chain.framesIn() == 0)
        return abandon(ConversionResult::Failed, tr("“%1” contains no audio samples.").arg(sourceName));
    if (!chain.finish(sink) || !sink.finish())
        return abandon(ConversionResult::Failed, sink.error());
    if (!file.finish())
        return abandon(ConversionResult::Failed, file.error());

    if (input.damagedPackets() > 0) {
        result.warnings << tr("%n damaged frame(s) in the source were skipped (%1 s); the output has gaps there.",
                              nullptr, input.damagedPackets())
                               .arg(QString::number(input.damagedSeconds(), 'f', 2));
    }
    if (m_progress)
        m_progress(1.0);
    result.status = ConversionResult::Converted;
    result.outputPath = file.path();
    result.audioSeconds = double(chain.framesIn()) / rate;
    return result;
}

#include "pipeline/Conversion.h"

#include "dsp/PitchAlgorithm.h"
#include "media/FFmpegLog.h"
#include "media/OutputFormat.h"
#include "media/SourceFile.h"
#include "pipeline/ConversionPass.h"
#include "pipeline/TuningMeasurement.h"
#include "pipeline/TuningNote.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// Conversions running in this process, for the encoder thread's choice.
std::atomic<int> s_running{0};

struct RunningCount {
    RunningCount() { ++s_running; }
    ~RunningCount() { --s_running; }
};

} // namespace

Conversion::Conversion(ConversionRequest request)
    : m_request(std::move(request))
{
    FFmpegLog::install();
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

ConversionResult Conversion::failed(const TranslatableText &message)
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
    if (std::optional<ConversionResult> refused = refusal())
        return *refused;
    auto source = std::make_unique<SourceFile>();
    if (!source->open(m_request.sourcePath))
        return failed(source->error());
    if (m_duration)
        m_duration(source->durationSeconds());
    if (std::optional<ConversionResult> refused = refusalOf(*source))
        return *refused;
    const std::optional<Tuning> tuning = measureTuning(*source);
    if (!tuning) {
        ConversionResult stopped;
        stopped.status = ConversionResult::Stopped;
        return stopped;
    }
    ConversionResult result = convert(std::move(source), *tuning);
    if (result.converted() && m_progress)
        m_progress(1.0);
    return result;
}

std::optional<ConversionResult> Conversion::refusal() const
{
    const ConversionSettings &settings = m_request.settings;
    if (!settings.pitchesValid()) {
        return failed(tr("Concert pitch out of range: source %1 Hz, target %2 Hz (A4 may lie from %3 to %4 Hz, "
                         "at most %5 semitones from the source's).")
                          .arg(settings.sourceFrequency)
                          .arg(settings.targetFrequency)
                          .arg(ConversionSettings::LowestA4)
                          .arg(ConversionSettings::HighestA4)
                          .arg(ConversionSettings::LargestShift));
    }
    const OutputFormat *format = OutputFormat::find(settings.audioFormat);
    if (!format)
        return failed(tr("Unknown output format: %1.").arg(settings.audioFormat));
    if (!PitchAlgorithm::find(settings.algorithm))
        return failed(tr("Unknown pitch-shifting algorithm: %1.").arg(settings.algorithm));
    // A re-run over a library finds most outputs there already: that is
    // known before the source is even opened.
    return ConversionPass::skipExisting(m_request, format->extension());
}

std::optional<ConversionResult> Conversion::refusalOf(const SourceFile &source) const
{
    if (source.bestAudioStream() < 0)
        return failed(tr("“%1” contains no audio.").arg(source.name()));
    // Our own output, retuned already: converting it again would retune it
    // twice.
    const QString note = TuningNote::in(source);
    if (note.isEmpty())
        return std::nullopt;
    ConversionResult skipped;
    skipped.status = ConversionResult::Skipped;
    skipped.message = tr("“%1” was retuned already (%2).").arg(source.name(), note);
    return skipped;
}

// The source's own concert pitch, where asked and measurable; nothing when
// a stop came meanwhile.
std::optional<Conversion::Tuning> Conversion::measureTuning(const SourceFile &source) const
{
    const ConversionSettings &settings = m_request.settings;
    Tuning tuning{settings, 0.0, {}};
    if (!settings.detectSourcePitch)
        return tuning;
    const TuningMeasurement::Result measured =
        TuningMeasurement::measure(m_request.sourcePath, settings.sourceFrequency, m_stopRequested);
    if (m_stopRequested && m_stopRequested())
        return std::nullopt;
    if (measured.confident()) {
        tuning.measuredA4 = tuning.settings.sourceFrequency = measured.a4Hz;
    } else {
        tuning.notes << tr("The tuning of “%1” could not be measured (confidence %2); it was taken to be A4 = %3 Hz.")
                            .arg(source.name(), TranslatableText::number(measured.confidence, 'f', 2),
                                 TranslatableText::number(settings.sourceFrequency));
    }
    return tuning;
}

// A lossy encoder can overshoot the limiter's ceiling on dense, loud
// material (FFmpeg's AAC encoder by up to 5 dB): a decoded output over
// -0.1 dBFS is made again with that much more headroom, and a margin that
// grows with each try, since the overshoot moves with the level. Each try
// after the first reads the source anew.
ConversionResult Conversion::convert(std::unique_ptr<SourceFile> source, const Tuning &tuning)
{
    constexpr int Attempts = 4;
    double headroomDb = 0.0;
    for (int attempt = 0;; ++attempt) {
        if (!source) {
            source = std::make_unique<SourceFile>();
            if (!source->open(m_request.sourcePath))
                return failed(source->error());
        }
        ConversionPass::Options options{tuning.settings,
                                        tuning.measuredA4,
                                        tuning.notes,
                                        headroomDb,
                                        attempt + 1 < Attempts,
                                        useEncoderThread(),
                                        m_stopRequested,
                                        [this](double position) { report(position); }};
        ConversionPass pass(*source, m_request, std::move(options));
        ConversionResult result = pass.run();
        if (pass.overshootDb() <= 0.0)
            return result;
        headroomDb += pass.overshootDb() + 0.2 * (attempt + 1);
        source.reset();
    }
}

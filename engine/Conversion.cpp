#include "engine/Conversion.h"

#include "engine/AudioTrack.h"
#include "engine/DecodedPeak.h"
#include "engine/FFmpegLog.h"
#include "engine/Metadata.h"
#include "engine/OutputFile.h"
#include "engine/OutputFormat.h"
#include "engine/SourceFile.h"
#include "engine/TuningMeasurement.h"

#include <QFileInfo>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

// What a decoder may make of a lossy output at the most.
constexpr double MaximumDecodedPeakDb = -0.1;

// Conversions running in this process, for the encoder thread's choice.
std::atomic<int> s_running{0};

struct RunningCount {
    RunningCount() { ++s_running; }
    ~RunningCount() { --s_running; }
};

bool isCopied(const AVStream *stream)
{
    const AVMediaType type = stream->codecpar->codec_type;
    return (type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
           || type == AVMEDIA_TYPE_SUBTITLE || type == AVMEDIA_TYPE_ATTACHMENT;
}

// The container a video keeps: the source's where it holds the retuned
// audio (mp4 and mov hold AAC and mp3), else Matroska, which holds any.
QString videoExtension(const SourceFile &source, const OutputFormat &format)
{
    const QString suffix = QFileInfo(source.name()).suffix().toLower();
    const bool quickTime = std::strstr(source.container()->iformat->name, "mp4") != nullptr;
    if (quickTime && (format.codecId == AV_CODEC_ID_AAC || format.codecId == AV_CODEC_ID_MP3))
        return suffix == QLatin1String("mov") ? QStringLiteral("mov") : QStringLiteral("mp4");
    return QStringLiteral("mkv");
}

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

ConversionResult Conversion::skipIfExists(const QString &baseName, const QString &extension) const
{
    ConversionResult result;
    const QString existing = OutputFile::existing(m_request.targetDirectory, baseName, extension);
    if (!existing.isEmpty()) {
        result.status = ConversionResult::Skipped;
        result.outputPath = existing;
        result.message = tr("“%1” exists already.").arg(existing);
    }
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
        return failed(tr("Unknown output format: %1.").arg(int(settings.audioFormat)));
    if (settings.algorithm != AppConstants::A_Time && settings.algorithm != AppConstants::A_Frequency)
        return failed(tr("Unknown pitch-shifting algorithm: %1.").arg(int(settings.algorithm)));
    // A re-run over a library finds most outputs there already: that is
    // known before the source is even opened.
    const QString baseName = QFileInfo(m_request.sourcePath).completeBaseName();
    if (settings.skipExisting) {
        const ConversionResult skipped = skipIfExists(baseName, format->extension());
        if (skipped.status == ConversionResult::Skipped)
            return skipped;
    }

    SourceFile source;
    if (!source.open(m_request.sourcePath))
        return failed(source.error());
    if (m_duration)
        m_duration(source.durationSeconds());
    if (source.bestAudioStream() < 0)
        return failed(tr("“%1” contains no audio.").arg(source.name()));
    AVFormatContext *input = source.container();
    // Our own output, retuned already: converting it again would retune it
    // twice.
    const QString note = Metadata::tuningNoteOf(input);
    if (!note.isEmpty()) {
        ConversionResult skipped;
        skipped.status = ConversionResult::Skipped;
        skipped.message = tr("“%1” was retuned already (%2).").arg(source.name(), note);
        return skipped;
    }

    // The source's own concert pitch, where asked and measurable.
    ConversionSettings tuned = settings;
    QStringList notes;
    double measured = 0.0;
    if (settings.detectSourcePitch) {
        const TuningMeasurement::Result tuning =
            TuningMeasurement::measure(m_request.sourcePath, settings.sourceFrequency, m_stopRequested);
        if (m_stopRequested && m_stopRequested()) {
            ConversionResult stopped;
            stopped.status = ConversionResult::Stopped;
            return stopped;
        }
        if (tuning.confident()) {
            measured = tuned.sourceFrequency = tuning.a4Hz;
        } else {
            notes << tr("The tuning of “%1” could not be measured (confidence %2); it was taken to be A4 = %3 Hz.")
                         .arg(source.name(), QString::number(tuning.confidence, 'f', 2),
                              QString::number(settings.sourceFrequency));
        }
    }

    // A lossy encoder can overshoot the limiter's ceiling on dense, loud
    // material (FFmpeg's AAC encoder by up to 5 dB): a decoded output over
    // -0.1 dBFS is made again with that much more headroom, and a margin that
    // grows with each try, since the overshoot moves with the level.
    constexpr int Attempts = 4;
    double headroomDb = 0.0;
    for (int attempt = 0;; ++attempt) {
        double overshootDb = 0.0;
        ConversionResult result = pass(tuned, measured, headroomDb, attempt + 1 < Attempts ? &overshootDb : nullptr);
        if (overshootDb <= 0.0) {
            result.warnings = notes + result.warnings;
            if (result.converted() && m_progress)
                m_progress(1.0);
            return result;
        }
        headroomDb += overshootDb + 0.2 * (attempt + 1);
    }
}

ConversionResult Conversion::pass(const ConversionSettings &tuned, double measured, double headroomDb,
                                  double *overshootDb)
{
    const ConversionSettings &settings = m_request.settings;
    const OutputFormat *format = OutputFormat::find(settings.audioFormat);
    const QString baseName = QFileInfo(m_request.sourcePath).completeBaseName();
    SourceFile source;
    if (!source.open(m_request.sourcePath))
        return failed(source.error());
    AVFormatContext *input = source.container();

    // A video keeps its picture, its subtitles and every audio stream; a
    // song, its best audio stream and its cover art.
    const bool video = settings.keepVideo && source.hasVideo();
    const QString extension = video ? videoExtension(source, *format) : format->extension();
    if (video && settings.skipExisting) {
        const ConversionResult skipped = skipIfExists(baseName, extension);
        if (skipped.status == ConversionResult::Skipped)
            return skipped;
    }

    OutputFile file;
    if (!file.create(m_request.targetDirectory, baseName, extension))
        return failed(file.error());
    std::vector<AVStream *> copies(input->nb_streams, nullptr);
    std::vector<std::unique_ptr<AudioTrack>> tracks;
    const bool encoderThread = useEncoderThread();
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream *stream = input->streams[i];
        if (video && isCopied(stream)) {
            if (!(copies[i] = file.addCopyOf(stream))) {
                return failed(tr("“%1”: its %2 stream (%3) cannot be copied into a %4 file.")
                                  .arg(source.name(), QString::fromLatin1(av_get_media_type_string(
                                                          stream->codecpar->codec_type)),
                                       QString::fromLatin1(avcodec_get_name(stream->codecpar->codec_id)),
                                       QFileInfo(file.path()).suffix()));
            }
        } else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO
                   && (int(i) == source.bestAudioStream() || video)) {
            tracks.push_back(std::make_unique<AudioTrack>(stream, source.name(), tuned));
            if (!tracks.back()->open(*format, file, video, encoderThread, headroomDb))
                return failed(tracks.back()->error());
        } else if (!video) {
            file.addPicture(stream);
        }
    }
    Metadata::copyTags(input, input->streams[source.bestAudioStream()], &file.container()->metadata);
    Metadata::addTuningNote(file.container(), Metadata::tuningNote(settings, measured));
    if (video)
        file.copyChapters(input);
    if (!file.writeHeader())
        return failed(file.error());

    ConversionResult result;
    result.measuredA4 = measured;
    auto abandon = [&](ConversionResult::Status status, const QString &message) {
        for (const auto &track : tracks)
            track->discard();
        file.discard();
        result.status = status;
        result.message = message;
        return result;
    };
    ff::PacketPtr packet(av_packet_alloc());
    if (!packet)
        return abandon(ConversionResult::Failed, ff::errorText(AVERROR(ENOMEM)));
    while (source.read(packet.get())) {
        if (m_stopRequested && m_stopRequested())
            return abandon(ConversionResult::Stopped, QString());
        const int index = packet->stream_index;
        bool ok = true;
        if (AVStream *copy = copies[size_t(index)]) {
            av_packet_rescale_ts(packet.get(), input->streams[index]->time_base, copy->time_base);
            packet->stream_index = copy->index;
            packet->pos = -1;
            ok = file.writePacket(packet.get());
        } else {
            for (const auto &track : tracks) {
                if (track->sourceIndex() == index && !track->feed(packet.get()))
                    return abandon(ConversionResult::Failed, track->error());
            }
        }
        av_packet_unref(packet.get());
        if (!ok)
            return abandon(ConversionResult::Failed, file.error());
        report(source.position());
    }
    // A source that was cut short or written to while it was read would
    // give a short output that looks whole.
    const double duration = source.durationKnown() ? source.durationSeconds() : 0.0;
    auto short_ = [&](double seconds) {
        return tr("“%1” ended after %2 of %3 s").arg(source.name(), QString::number(seconds, 'f', 1),
                                                   QString::number(duration, 'f', 1));
    };
    if (source.changed()) {
        return abandon(ConversionResult::Failed,
                       tr("%1: the file changed while it was read.").arg(short_(tracks.front()->seconds())));
    }
    if (!source.error().isEmpty())
        return abandon(ConversionResult::Failed, source.error());
    for (const auto &track : tracks) {
        if (!track->finish())
            return abandon(ConversionResult::Failed, track->error());
        result.warnings << track->warnings();
    }
    if (duration > 0.0 && tracks.front()->seconds() < duration - 1.0)
        result.warnings << tr("%1: the file is incomplete.").arg(short_(tracks.front()->seconds()));
    if (!file.complete())
        return abandon(ConversionResult::Failed, file.error());
    if (overshootDb && format->lossy()) {
        float peak = 0.0f;
        for (const auto &track : tracks)
            peak = std::max(peak, track->peak());
        // Only audio that came within 6 dB of full scale can be pushed over
        // it by the encoder.
        if (peak > 0.5f) {
            float decodedPeak = 0.0f;
            for (const auto &track : tracks) {
                if (track->decodedPeak() < 0.0f) {
                    decodedPeak = DecodedPeak::of(file.temporaryPath());  // every track, from the file
                    break;
                }
                decodedPeak = std::max(decodedPeak, track->decodedPeak());
            }
            const double decoded = 20.0 * std::log10(std::max(1e-9f, decodedPeak));
            if (decoded > MaximumDecodedPeakDb) {
                *overshootDb = decoded - MaximumDecodedPeakDb;
                file.discard();
                return result;
            }
        }
    }
    if (!file.publish())
        return abandon(ConversionResult::Failed, file.error());

    result.status = ConversionResult::Converted;
    result.outputPath = file.path();
    result.audioSeconds = tracks.front()->seconds();
    return result;
}

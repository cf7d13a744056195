#include "pipeline/ConversionPass.h"

#include "files/OutputNames.h"
#include "media/OutputFormat.h"
#include "media/SourceFile.h"
#include "pipeline/DecodeLoop.h"
#include "pipeline/DecodedPeak.h"
#include "pipeline/TuningNote.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// What a decoder may make of a lossy output at the most.
constexpr double MaximumDecodedPeakDb = -0.1;
// A source that decodes shorter than it says by more than a second, or 5 %
// of its length where that is less (but never less than this, which
// encoders' delay and padding may account for), has lost its end.
constexpr double MinimumShortfall = 0.1;

QString baseNameOf(const ConversionRequest &request)
{
    return QFileInfo(request.sourcePath).completeBaseName();
}

bool isCopied(SourceFile::Stream stream)
{
    return stream == SourceFile::Stream::Video || stream == SourceFile::Stream::Subtitle
           || stream == SourceFile::Stream::Attachment;
}

} // namespace

ConversionPass::ConversionPass(SourceFile &source, const ConversionRequest &request, Options options)
    : m_source(source)
    , m_request(request)
    , m_options(std::move(options))
    , m_warnings(m_options.notes)
{
}

std::optional<ConversionResult> ConversionPass::skipExisting(const ConversionRequest &request,
                                                             const QString &extension)
{
    if (!request.settings.skipExisting)
        return std::nullopt;
    const QString existing =
        OutputNames::existing(request.targetDirectory, baseNameOf(request), extension, request.sourcePath);
    if (existing.isEmpty())
        return std::nullopt;
    ConversionResult result;
    result.status = ConversionResult::Skipped;
    result.outputPath = existing;
    result.message = tr("“%1” exists already.").arg(existing);
    return result;
}

ConversionResult ConversionPass::run()
{
    const OutputFormat &format = *OutputFormat::find(m_request.settings.audioFormat);
    // A video keeps its picture, its subtitles and every audio stream; a
    // song, its best audio stream and its cover art.
    const bool video = m_request.settings.keepVideo && m_source.hasVideo();
    const QString extension = video ? OutputContainer::videoExtension(m_source, format) : format.extension();
    if (video) {
        if (std::optional<ConversionResult> skipped = skipExisting(m_request, extension))
            return *skipped;
    }
    if (!prepare(format, video, extension) || !convertPackets() || !complete())
        return abandon();
    ConversionResult result;
    result.measuredA4 = m_options.measuredA4;
    if (m_options.checkOvershoot && format.lossy() && overshoots()) {
        m_output.close();
        m_file.discard();
        return result;
    }
    m_output.close();
    if (!m_file.publish())
        return abandon();
    result.status = ConversionResult::Converted;
    result.outputPath = m_file.path();
    result.audioSeconds = m_tracks.front()->seconds();
    result.warnings = m_warnings;
    return result;
}

// The output file and its streams, tags and header.
bool ConversionPass::prepare(const OutputFormat &format, bool video, const QString &extension)
{
    if (!m_file.create(m_request.targetDirectory, baseNameOf(m_request), extension))
        return fail(m_file.error());
    if (!m_output.open(m_file.descriptor(), m_file.path(), format, video) || !addStreams(format, video))
        return fail(m_output.error());
    m_output.copyTags(m_source, m_source.bestAudioStream());
    m_output.addTuningNote(TuningNote::of(m_request.settings, m_options.measuredA4));
    if (video)
        m_output.copyChapters(m_source);
    return m_output.writeHeader() || fail(m_output.error());
}

bool ConversionPass::addStreams(const OutputFormat &format, bool video)
{
    for (int i = 0; i < m_source.streamCount(); ++i) {
        const SourceFile::Stream stream = m_source.stream(i);
        if (video && isCopied(stream)) {
            if (!m_output.addCopyOf(m_source, i)) {
                return fail(tr("“%1”: its %2 stream (%3) cannot be copied into a %4 file.")
                                .arg(m_source.name(), m_source.streamTypeName(i), m_source.codecName(i),
                                     QFileInfo(m_file.path()).suffix()));
            }
        } else if (stream == SourceFile::Stream::Audio && (i == m_source.bestAudioStream() || video)) {
            m_tracks.push_back(std::make_unique<AudioTrack>(m_source, i, m_options.tuned));
            if (!m_tracks.back()->open(format, m_output, video, m_options.encoderThread, m_options.headroomDb))
                return fail(m_tracks.back()->error());
        } else if (!m_output.addPicture(m_source, i)) {
            m_warnings << tr("The cover picture of “%1” is damaged; it was left out.").arg(m_source.name());
        }
    }
    return true;
}

// Every packet of the source: copied, retuned, or passed over.
bool ConversionPass::convertPackets()
{
    DecodeLoop loop(m_source);
    for (int i = 0; i < m_source.streamCount(); ++i) {
        if (m_output.copies(i))
            loop.take(i, [this](Packet &packet) { return m_output.writeCopy(packet) || fail(m_output.error()); });
    }
    for (const auto &track : m_tracks) {
        loop.take(track->stream(),
                  [this, track = track.get()](Packet &packet) { return track->feed(packet) || fail(track->error()); });
    }
    loop.setStopCheck(m_options.stopRequested);
    loop.setPositionCallback(m_options.position);
    const DecodeLoop::End end = loop.run();
    m_stopped = end == DecodeLoop::End::Stopped;
    if (loop.noMemory())
        return fail(tr("Not enough memory to read “%1”.").arg(m_source.name()));
    return end == DecodeLoop::End::Read;
}

// The end of the source: whatever the tracks still hold, and the file whole
// on the disk. A source that was cut short or written to while it was read
// would give a short output that looks whole.
bool ConversionPass::complete()
{
    const double duration = m_source.durationKnown() ? m_source.durationSeconds() : 0.0;
    auto shortOf = [&](double seconds) {
        return tr("“%1” ended after %2 of %3 s")
            .arg(m_source.name(), TranslatableText::number(seconds, 'f', 1),
                 TranslatableText::number(duration, 'f', 1));
    };
    if (m_source.changed())
        return fail(tr("%1: the file changed while it was read.").arg(shortOf(m_tracks.front()->seconds())));
    if (!m_source.error().isEmpty())
        return fail(m_source.error());
    for (const auto &track : m_tracks) {
        if (!track->finish())
            return fail(track->error());
        m_warnings << track->warnings();
    }
    // Damage is made up with silence: a source whose audio and timeline both
    // fall short of what it says has lost its end.
    const double seconds = m_tracks.front()->seconds();
    const double reached = std::max(seconds, m_tracks.front()->timelineSeconds());
    if (duration > 0.0 && duration - reached > std::max(MinimumShortfall, std::min(1.0, 0.05 * duration)))
        return fail(tr("%1: the file ends early.").arg(shortOf(seconds)));
    if (m_request.strict && !m_warnings.isEmpty())
        return fail(strictFailure());
    return (m_output.finish() || fail(m_output.error())) && (m_file.complete() || fail(m_file.error()));
}

// Whether the decoded output goes over its maximum: only audio that came
// within 6 dB of full scale can be pushed over it by the encoder.
bool ConversionPass::overshoots()
{
    float peak = 0.0f;
    for (const auto &track : m_tracks)
        peak = std::max(peak, track->peak());
    if (peak <= 0.5f)
        return false;
    float decodedPeak = 0.0f;
    for (const auto &track : m_tracks) {
        if (track->decodedPeak() < 0.0f) {
            decodedPeak = DecodedPeak::of(m_file.temporaryPath());  // every track, from the file
            break;
        }
        decodedPeak = std::max(decodedPeak, track->decodedPeak());
    }
    const double decoded = 20.0 * std::log10(std::max(1e-9f, decodedPeak));
    m_overshootDb = std::max(0.0, decoded - MaximumDecodedPeakDb);
    return m_overshootDb > 0.0;
}

// With --strict, what would have been a warning fails the file.
TranslatableText ConversionPass::strictFailure() const
{
    TranslatableText reasons = m_warnings.first();
    for (int i = 1; i < m_warnings.size(); ++i)
        reasons = tr("%1 %2").arg(reasons, m_warnings.at(i));
    return tr("%1 (Strict: a file with a warning counts as failed.)").arg(reasons);
}

ConversionResult ConversionPass::abandon()
{
    for (const auto &track : m_tracks)
        track->discard();
    m_output.close();
    m_file.discard();
    ConversionResult result;
    result.status = m_stopped ? ConversionResult::Stopped : ConversionResult::Failed;
    result.message = m_stopped ? TranslatableText() : error();
    result.measuredA4 = m_options.measuredA4;
    return result;
}

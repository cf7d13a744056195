#include "cli/PreviewCommand.h"

#include "cli/WavWriter.h"
#include "pipeline/Preview.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace {

// Writes one side's frames into the file, up to a number of them (0: all).
class SideWriter : public Preview::Sink
{
public:
    SideWriter(WavWriter &file, bool retuned, long long limit)
        : m_file(file)
        , m_retuned(retuned)
        , m_limit(limit)
    {
    }

    bool write(const float *original, const float *retuned, int frames) override
    {
        const int n = m_limit > 0 ? int(std::min<long long>(frames, m_limit - m_written)) : frames;
        if (!m_file.write(m_retuned ? retuned : original, n)) {
            m_failed = true;
            return false;
        }
        m_written += n;
        return m_limit <= 0 || m_written < m_limit;
    }

    long long written() const { return m_written; }
    bool failed() const { return m_failed; }

private:
    WavWriter &m_file;
    bool m_retuned;
    long long m_limit;
    long long m_written = 0;
    bool m_failed = false;
};

int failed(const QString &message)
{
    std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(message));
    return 1;
}

} // namespace

void PreviewCommand::addOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        QCommandLineOption({QStringLiteral("preview")},
                           QStringLiteral("Write what the window's player plays of FILE to the WAV file given with "
                                          "-o (32-bit float, 44.1 kHz or --sample-rate 48000), instead of "
                                          "converting."),
                           QStringLiteral("FILE")),
        QCommandLineOption({QStringLiteral("at")},
                           QStringLiteral("Where the preview begins, in seconds from the start (default 0)."),
                           QStringLiteral("SECONDS")),
        QCommandLineOption({QStringLiteral("seconds")},
                           QStringLiteral("How long the preview lasts (default: to the end)."), QStringLiteral("N")),
        QCommandLineOption({QStringLiteral("side")},
                           QStringLiteral("Which side the preview holds: the original, the retuned one (target), or "
                                          "both, the original first (default)."),
                           QStringLiteral("original|target|both")),
    });
}

QString PreviewCommand::read(const QCommandLineParser &parser, const ConversionSettings &settings)
{
    const QString at = QStringLiteral("at"), seconds = QStringLiteral("seconds"), side = QStringLiteral("side");
    if (!parser.isSet(QStringLiteral("preview"))) {
        for (const QString &name : {at, seconds, side}) {
            if (parser.isSet(name))
                return QStringLiteral("--%1 goes with --preview").arg(name);
        }
        return QString();
    }
    m_settings = settings;
    m_output = parser.value(QStringLiteral("output"));
    if (m_output.isEmpty())
        return QStringLiteral("--preview wants the WAV file to write, with -o OUT.wav");
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("--preview plays one file; give no other input");
    bool ok = true;
    if (parser.isSet(at))
        m_at = parser.value(at).toDouble(&ok);
    if (!ok || !std::isfinite(m_at) || m_at < 0.0)
        return QStringLiteral("--at wants seconds from the start, not '%1'").arg(parser.value(at));
    if (parser.isSet(seconds))
        m_seconds = parser.value(seconds).toDouble(&ok);
    if (parser.isSet(seconds) && (!ok || !std::isfinite(m_seconds) || m_seconds <= 0.0))
        return QStringLiteral("--seconds wants a length above 0, not '%1'").arg(parser.value(seconds));
    const QString sideName = parser.isSet(side) ? parser.value(side) : QStringLiteral("both");
    if (sideName == QLatin1String("original"))
        m_side = Side::Original;
    else if (sideName == QLatin1String("target"))
        m_side = Side::Retuned;
    else if (sideName == QLatin1String("both"))
        m_side = Side::Both;
    else
        return QStringLiteral("--side is original, target or both, not '%1'").arg(sideName);
    const QString source = parser.value(QStringLiteral("preview"));
    if (!QFileInfo::exists(source))
        return QStringLiteral("'%1' does not exist").arg(source);
    m_source = source;
    return QString();
}

int PreviewCommand::run(const std::function<int()> &stopSignal) const
{
    const auto stopRequested = [&stopSignal] { return stopSignal() != 0; };
    Preview preview(m_source, m_settings);
    if (!preview.open(stopRequested))
        return stopSignal() ? 128 + stopSignal() : failed(preview.error());
    const int rate = m_settings.sampleRate == 48000 ? 48000 : 44100;
    WavWriter file(m_output, Preview::Channels, rate);
    if (!file.open())
        return failed(QStringLiteral("cannot write %1: %2").arg(m_output, file.error()));
    QList<bool> sides;
    if (m_side != Side::Retuned)
        sides << false;
    if (m_side != Side::Original)
        sides << true;
    for (const bool retuned : sides) {
        SideWriter writer(file, retuned, std::llround(m_seconds * rate));
        if (!preview.play(m_at, rate, writer, stopRequested))
            return failed(preview.error());
        if (writer.failed())
            return failed(QStringLiteral("cannot write %1: %2").arg(m_output, file.error()));
        if (stopSignal())
            return 128 + stopSignal();
        if (writer.written() == 0)
            return failed(QStringLiteral("%1 ends before %2 s").arg(m_source).arg(m_at));
    }
    if (!file.commit())
        return failed(QStringLiteral("cannot write %1: %2").arg(m_output, file.error()));
    return 0;
}

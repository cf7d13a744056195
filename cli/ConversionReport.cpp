#include "cli/ConversionReport.h"

#include "dsp/PitchAlgorithm.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    QString plain;  // characters that need no escape, encoded in runs
    auto flush = [&] {
        out += plain.toUtf8();
        plain.clear();
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            plain += c;
            plain += text.at(++i);
            continue;
        }
        if (u >= 0x20 && u != '"' && u != '\\' && !c.isSurrogate()) {
            plain += c;
            continue;
        }
        flush();
        switch (u) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0'); break;
        }
    }
    flush();
    return out + '"';
}

const char *statusName(ConversionResult::Status status)
{
    switch (status) {
    case ConversionResult::Converted:
        return "converted";
    case ConversionResult::Failed:
        return "failed";
    case ConversionResult::Stopped:
        return "stopped";
    case ConversionResult::Skipped:
        return "skipped";
    }
    return "failed";
}

// The line for one file, without its newline. A byte of a name that is
// not UTF-8 is written as \udcXX, which Python's surrogateescape reads back
// as that byte.
QByteArray line(const ConversionRequest &request, const ConversionResult &result, double wallSeconds)
{
    const ConversionSettings &settings = request.settings;
    QByteArray text = "{\"source\":" + jsonString(request.sourcePath);
    text += ",\"output\":" + (result.outputPath.isEmpty() ? QByteArray("null") : jsonString(result.outputPath));
    text += ",\"status\":\"" + QByteArray(statusName(result.status)) + '"';
    text += ",\"message\":" + jsonString(result.message.toString());
    QByteArrayList warnings;
    for (const QString &warning : result.warningTexts())
        warnings << jsonString(warning);
    text += ",\"warnings\":[" + warnings.join(',') + ']';
    text += ",\"audio_seconds\":" + QByteArray::number(result.audioSeconds, 'f', 3);
    text += ",\"wall_seconds\":" + QByteArray::number(wallSeconds, 'f', 3);
    const PitchAlgorithm *algorithm = PitchAlgorithm::find(settings.algorithm);
    text += ",\"algorithm\":\"" + QByteArray(algorithm ? algorithm->name : "unknown") + '"';
    text += ",\"formants\":\"";
    text += PitchAlgorithm::keepsFormants(settings.algorithm, settings.keepFormants) ? "keep\"" : "shift\"";
    text += ",\"pitch\":" + QByteArray::number(settings.targetFrequency, 'g', 10);
    text += ",\"source_pitch\":" + QByteArray::number(settings.sourceFrequency, 'g', 10);
    return text + '}';
}

} // namespace

ConversionReport::~ConversionReport()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ConversionReport::open(const QString &path)
{
    m_path = path;
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        m_error = QStringLiteral("cannot write the report '%1': %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return m_fd >= 0;
}

bool ConversionReport::add(const ConversionRequest &request, const ConversionResult &result, double wallSeconds)
{
    // One write for the whole line: lines of processes that share the file
    // do not interleave.
    const QByteArray text = line(request, result, wallSeconds) + '\n';
    for (qsizetype done = 0; done < text.size();) {
        const ssize_t n = ::write(m_fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = QStringLiteral("cannot write the report '%1': %2")
                          .arg(m_path, QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO)));
            return false;
        }
        done += n;
    }
    return true;
}

#include "media/FFmpegLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QByteArray>
#include <QLoggingCategory>

#include <cstdarg>
#include <mutex>

namespace {

// FFmpeg warns about damage it repairs and about details of ordinary files
// ("Could not update timestamps for skipped samples"); what fails a file
// reaches its row through the conversion's result.
Q_LOGGING_CATEGORY(lcFfmpeg, "tunewise.ffmpeg", QtCriticalMsg)

QtMsgType typeFor(int level)
{
    if (level <= AV_LOG_FATAL)
        return QtCriticalMsg;
    if (level <= AV_LOG_WARNING)
        return QtWarningMsg;
    if (level <= AV_LOG_INFO)
        return QtInfoMsg;
    return QtDebugMsg;
}

void logLine(void *context, int level, const char *format, va_list arguments)
{
    // Decoders log for every packet at debug level: decide before formatting.
    if (level > av_log_get_level())
        return;
    const QtMsgType type = typeFor(level);
    if (!lcFfmpeg().isEnabled(type))
        return;

    // FFmpeg may build a line in pieces, and logs from every decoding thread.
    thread_local int printPrefix = 1;
    thread_local QByteArray pending;
    char piece[1024];
    av_log_format_line2(context, level, format, arguments, piece, int(sizeof piece), &printPrefix);
    pending += piece;
    if (!pending.endsWith('\n'))
        return;
    pending.chop(1);
    switch (type) {
    case QtCriticalMsg:
        qCCritical(lcFfmpeg, "%s", pending.constData());
        break;
    case QtWarningMsg:
        qCWarning(lcFfmpeg, "%s", pending.constData());
        break;
    case QtInfoMsg:
        qCInfo(lcFfmpeg, "%s", pending.constData());
        break;
    default:
        qCDebug(lcFfmpeg, "%s", pending.constData());
        break;
    }
    pending.clear();
}

} // namespace

void FFmpegLog::install()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(logLine); });
}

void FFmpegLog::setVerbose(bool verbose)
{
    av_log_set_level(verbose ? AV_LOG_WARNING : AV_LOG_FATAL);
}

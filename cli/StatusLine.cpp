#include "cli/StatusLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

StatusLine::StatusLine(FILE *stream, bool wanted)
    : m_stream(stream)
    , m_active(wanted && isatty(fileno(stream)))
{
}

void StatusLine::show(const QString &text)
{
    if (!m_active || text == m_shown)
        return;
    winsize size{};
    const int columns = ::ioctl(fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
    m_shown = text;
    std::fprintf(m_stream, "\r%s\033[K", qPrintable(text.left(columns - 1)));
    std::fflush(m_stream);
}

void StatusLine::clear()
{
    if (!m_active || m_shown.isEmpty())
        return;
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
    m_shown.clear();
}

void StatusLine::finish(const QString &text)
{
    if (!m_active)
        return;
    clear();
    std::fprintf(m_stream, "%s\n", qPrintable(text));
    std::fflush(m_stream);
}

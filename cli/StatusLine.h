#pragma once

#include <QString>

#include <cstdio>

// One line at the bottom of a terminal that rewrites itself. Inactive (it
// writes nothing) when the stream is not a terminal.
class StatusLine
{
public:
    StatusLine(FILE *stream, bool wanted);

    bool active() const { return m_active; }
    // Replaces the line; cut to the terminal's width, since a line that
    // wraps cannot be rewritten.
    void show(const QString &text);
    // Takes the line away, for other output to go where it was.
    void clear();
    // Leaves `text` as an ordinary line in its place.
    void finish(const QString &text);

private:
    FILE *m_stream;
    bool m_active;
    QString m_shown;
};

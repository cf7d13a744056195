#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// What the window program was started with: --help or --version, which
// answer at once, or files and folders to queue. Parsed before any window
// exists, so that the answers need no display.
class LaunchOptions
{
    Q_DECLARE_TR_FUNCTIONS(LaunchOptions)

public:
    // Parses a command line, the program first. Needs an application object
    // (any kind) for the help text.
    static LaunchOptions parse(const QStringList &arguments);

    // Whether the program ends right away with exitCode(), after writing
    // output() to stdout and errors() to stderr.
    bool exitsNow() const { return m_exitsNow; }
    int exitCode() const { return m_exitCode; }
    QString output() const { return m_output; }
    // Also set when the program goes on: arguments that name nothing.
    QString errors() const { return m_errors; }
    // The files and folders named, as absolute paths; the window says
    // which do not exist.
    QStringList paths() const { return m_paths; }
    // Whether the queue kept from the last run comes back (no --no-restore).
    bool restore() const { return m_restore; }

    // Whether Qt can find a display to open the window on; without one it
    // would abort with a plugin error.
    static bool displayAvailable();
    // The sentence to say when there is none.
    static QString noDisplayMessage();

private:
    bool m_exitsNow = false;
    int m_exitCode = 0;
    QString m_output;
    QString m_errors;
    QStringList m_paths;
    bool m_restore = true;
};

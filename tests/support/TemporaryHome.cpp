#include "support/TemporaryHome.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

TemporaryHome::TemporaryHome()
{
    if (!m_dir.isValid())
        return;
    qputenv("HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    qunsetenv("XDG_DOCUMENTS_DIR");
    // Qt wants a private runtime folder for GUI tests.
    const QString runtime = m_dir.path() + QStringLiteral("/runtime");
    if (QDir().mkpath(runtime)) {
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
}

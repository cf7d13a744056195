#include "TemporaryHome.h"

#include <QByteArray>

TemporaryHome::TemporaryHome()
{
    if (!m_dir.isValid())
        return;
    qputenv("HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    qunsetenv("XDG_DOCUMENTS_DIR");
}

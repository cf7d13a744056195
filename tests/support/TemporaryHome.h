#pragma once

#include "base/ProgramInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Points HOME and the XDG folders at a fresh temporary folder for the life
// of the object, so that tests never read or write the developer's own
// settings and documents. Create it before the application object.
class TemporaryHome
{
public:
    TemporaryHome()
    {
        const QString home = m_dir.path();
        qputenv("HOME", home.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
        qunsetenv("XDG_DOCUMENTS_DIR");
        // Qt wants a private runtime folder for GUI tests.
        const QString runtime = home + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

// The main() of a test that needs a temporary home and the program's
// identity (organization, application name, version); Application is
// QCoreApplication or QApplication.
#define TW_TEST_MAIN_WITH_HOME(TestClass, Application)                                                                \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        TemporaryHome home;                                                                                            \
        if (!home.isValid())                                                                                           \
            return 1;                                                                                                  \
        ProgramInfo::applyToApplication();                                                                             \
        Application app(argc, argv);                                                                                   \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

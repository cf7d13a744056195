#pragma once

#include "engine/ProgramInfo.h"

#include <QTemporaryDir>

// Points HOME and the XDG folders at a fresh temporary folder for the life
// of the object, so that tests never read or write the developer's own
// settings and documents. Create it before the application object.
class TemporaryHome
{
public:
    TemporaryHome();
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// The main() of a test that needs a temporary home and the program's
// identity (organization, application name, version); Application is
// QCoreApplication or QApplication.
#define TW_TEST_MAIN_WITH_HOME(TestClass, Application)                                                   \
    int main(int argc, char *argv[])                                                        \
    {                                                                                       \
        TemporaryHome home;                                                                 \
        if (!home.isValid())                                                                \
            return 1;                                                                       \
        ProgramInfo::applyToApplication();                                                  \
        Application app(argc, argv);                                                        \
        TestClass test;                                                                     \
        return QTest::qExec(&test, argc, argv);                                             \
    }

#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

// The libraries the program runs on, with the versions actually loaded
// where the library can tell, for the About dialog and bug reports.
class LinkedLibraries
{
    Q_DECLARE_TR_FUNCTIONS(LinkedLibraries)

public:
    struct Library {
        QString name;
        QString version;
        QString licence;  // an SPDX expression, or the library's own words
        QString use;      // what the program does with it, in words
    };

    static QList<Library> all();
};

#pragma once

#include "base/LibraryInfo.h"

#include <QCoreApplication>
#include <QList>

// The libraries the program runs on, with the versions actually loaded
// where the library can tell, for the About dialog and bug reports.
class LinkedLibraries
{
    Q_DECLARE_TR_FUNCTIONS(LinkedLibraries)

public:
    static QList<LibraryInfo> all();
};

#pragma once

#include <QString>

// A library the program runs on, for the About dialog and bug reports.
struct LibraryInfo
{
    QString name;
    QString version;  // as loaded, where the library can tell
    QString licence;  // an SPDX expression, or the library's own words
    QString use;      // what the program does with it, in words
};

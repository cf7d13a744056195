#pragma once

#include "base/LibraryInfo.h"

#include <QCoreApplication>
#include <QList>

// The libraries the pitch shifters and the spectra use, as loaded.
class DspLibraries
{
    Q_DECLARE_TR_FUNCTIONS(DspLibraries)

public:
    static QList<LibraryInfo> all();
};

#pragma once

#include "base/LibraryInfo.h"

#include <QCoreApplication>
#include <QList>

// The libraries this one decodes and encodes with, as loaded.
class MediaLibraries
{
    Q_DECLARE_TR_FUNCTIONS(MediaLibraries)

public:
    static QList<LibraryInfo> all();
};

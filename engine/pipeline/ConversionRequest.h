#pragma once

#include "pipeline/ConversionSettings.h"

#include <QString>

// What to convert, where to, and how.
struct ConversionRequest
{
    QString sourcePath;
    QString targetDirectory;  // created when missing
    ConversionSettings settings;
};

#pragma once

#include "pipeline/ConversionSettings.h"

#include <QString>

// What to convert, where to, and how.
struct ConversionRequest
{
    QString sourcePath;
    QString targetDirectory;  // created when missing
    ConversionSettings settings;
    // A file converted with a warning (damage in the source, say) fails
    // instead, and keeps no output.
    bool strict = false;
};

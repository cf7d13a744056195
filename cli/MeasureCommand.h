#pragma once

#include "pipeline/ConversionRequest.h"

#include <QList>

#include <functional>

// tunewise-cli --measure: prints the A4 each input is tuned to, near the
// source pitch of the settings, and how sure the measurement is.
class MeasureCommand
{
public:
    // Returns the exit status: 0 when every file could be read, 1 otherwise
    // (said on stderr). A file without clear tuning is a result, not a
    // failure. A stop request (see CommandLineConverter::requestStop) ends
    // the run early.
    static int run(const QList<ConversionRequest> &inputs, const std::function<bool()> &stopRequested);
};

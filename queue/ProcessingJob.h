#pragma once

#include "engine/ConversionRequest.h"
#include "engine/ConversionResult.h"

#include <functional>

// How the queue converts a file unless told otherwise: the engine's
// Conversion, stopping when `stop` says so, reporting the fraction done to
// `progress`. Synchronous, on the calling thread.
class ProcessingJob
{
public:
    static ConversionResult convert(const ConversionRequest &request, const std::function<bool()> &stop,
                                    const std::function<void(double)> &progress);
};

#include "queue/ProcessingJob.h"

#include "engine/Conversion.h"

ConversionResult ProcessingJob::convert(const ConversionRequest &request, const std::function<bool()> &stop,
                                        const std::function<void(double)> &progress)
{
    Conversion conversion(request);
    conversion.setStopCheck(stop);
    conversion.setProgressCallback(progress);
    return conversion.run();
}

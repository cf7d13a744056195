#include "cli/MeasureCommand.h"

#include "pipeline/TuningMeasurement.h"

#include <QString>

#include <cstdio>

int MeasureCommand::run(const QList<ConversionRequest> &inputs, const std::function<bool()> &stopRequested)
{
    int status = 0;
    for (const ConversionRequest &input : inputs) {
        if (stopRequested && stopRequested())
            return 1;
        const double nominal = input.settings.sourceFrequency;
        const TuningMeasurement::Result result = TuningMeasurement::measure(input.sourcePath, nominal, stopRequested);
        const QByteArray name = input.sourcePath.toLocal8Bit();
        if (!result.measured) {
            std::fprintf(stderr, "%s: %s\n", name.constData(), qPrintable(result.error.toString()));
            status = 1;
        } else if (!result.confident()) {
            std::printf("%s: no clear tuning (confidence %.2f)\n", name.constData(), result.confidence);
        } else {
            std::printf("%s: A4 = %.1f Hz (%+.1f cents from %s Hz), confidence %.2f\n", name.constData(),
                        result.a4Hz, result.cents, qPrintable(QString::number(nominal)), result.confidence);
        }
        std::fflush(stdout);
    }
    return status;
}

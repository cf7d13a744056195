#pragma once

#include "base/TranslatableText.h"

#include <QString>

#include <functional>

// Measures the concert pitch a recording is tuned to, from its decoded
// audio: the whole file, or for a long one evenly spread excerpts of at
// least a minute in all.
class TuningMeasurement
{
    TW_DECLARE_TRANSLATABLE_TEXTS(TuningMeasurement)

public:
    struct Result
    {
        bool measured = false;  // false: the file could not be read (error says why)
        double a4Hz = 0.0;      // on the grid of the nominal A4, within 50 cents of it
        double cents = 0.0;     // from the nominal A4
        double confidence = 0.0;
        TranslatableText error;

        // Whether the measurement is better than a guess.
        bool confident() const;
    };

    // `stopRequested` is polled; a stop ends the measurement early, with
    // what was seen so far.
    static Result measure(const QString &path, double nominalA4Hz,
                          const std::function<bool()> &stopRequested = {});
};

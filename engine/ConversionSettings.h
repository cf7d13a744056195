#pragma once

#include "engine/AppConstants.h"

#include <cmath>

// The settings one conversion runs with. A queued file keeps the values that
// were in force when it was added.
struct ConversionSettings
{
    AppConstants::Algorithm algorithm = AppConstants::A_Time;
    AppConstants::AudioFormat audioFormat = AppConstants::F_Mp3;
    int audioBitrate = 192;  // kbit/s; the lossy formats use it
    double sourceFrequency = 440.0;  // A4 of the source, Hz
    double targetFrequency = 432.0;  // A4 wanted, Hz

    // The pitch shift that takes A4 from the source to the target pitch.
    double semitones() const { return 12.0 * std::log2(targetFrequency / sourceFrequency); }
};

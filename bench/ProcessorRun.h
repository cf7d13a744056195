#pragma once

#include "support/AudioBuffer.h"

class PitchShifter;

// Drives a processor the way the conversion job does: the input in chunks,
// taking what is ready after each, then the end of input.
namespace ProcessorRun {

struct Result
{
    AudioBuffer output;      // everything the processor delivered
    long long framesIn = 0;  // frames that were put in
    int startDelay = 0;      // what the processor reported
    // The output with the start delay dropped and cut to the input's length.
    AudioBuffer aligned() const;
};

Result run(PitchShifter &processor, const AudioBuffer &input,
           int chunkFrames = 4096, int receiveFrames = 1152);

} // namespace ProcessorRun

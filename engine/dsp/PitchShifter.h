#pragma once

#include "base/TranslatableText.h"

// A pitch shifter that keeps the duration: interleaved 32-bit float frames
// in, shifted frames out, with the channel count and the shift it was made
// for. All counts are frames (one sample per channel).
class PitchShifter
{
public:
    virtual ~PitchShifter() = default;

    // Takes that many interleaved frames.
    virtual void put(const float *samples, int frames) = 0;
    // Copies up to maxFrames shifted frames into output; returns the count.
    virtual int receive(float *output, int maxFrames) = 0;
    // Shifted frames ready to be taken.
    virtual int available() const = 0;

    // The input has ended: process everything still held, so that the
    // output becomes available to receive(). Call once, after the last
    // put(). Afterwards the shifter has delivered at least startDelay()
    // frames more than it was given.
    virtual void finish() = 0;
    // Leading output frames that are processing delay and precede the first
    // input frame; dropping them aligns the output with the input.
    virtual int startDelay() const = 0;

    // What went wrong, in words, once the shifter cannot go on (nothing
    // more comes out of it then); empty while all is well.
    virtual TranslatableText failure() const { return TranslatableText(); }

protected:
    PitchShifter() = default;
    PitchShifter(const PitchShifter &) = delete;
    PitchShifter &operator=(const PitchShifter &) = delete;
};

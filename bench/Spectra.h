#pragma once

#include "support/AudioBuffer.h"

#include <vector>

// Log-magnitude spectra (dB) of one channel: frames × bins in [40 Hz, 16 kHz).
struct Spectra
{
    size_t firstBin = 0;
    size_t bins = 0;
    std::vector<std::vector<float>> frames;
};

Spectra spectraOf(const AudioBuffer &audio, int channel);

// The mean absolute difference, in dB, of the log magnitude spectra of
// `audio` and of a reference (one Spectra per channel); Hann windows of 2048
// frames every 1024, each frame's bins floored at 60 dB below that frame's
// strongest bin in the reference, frames whose reference level is below
// -60 dBFS left out.
double spectralDifference(const std::vector<Spectra> &reference, const AudioBuffer &audio);

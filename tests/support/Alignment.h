#pragma once

#include "engine/AppConstants.h"

// How far a retuned output may lie from its source, in seconds. Rubber Band
// holds 1 ms. SoundTouch splices anywhere in its 30 ms seek window (narrower,
// and notes whose period is longer than the window come out unshifted), and
// where depends on the material: tones splice mid-window, noise-like music at
// one end. Its start delay is set for music, so tones may be off by a quarter
// of the window and more.
inline double alignmentTolerance(int algorithm)
{
    return algorithm == AppConstants::A_Time ? 0.012 : 0.001;
}

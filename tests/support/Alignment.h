#pragma once

#include "dsp/PitchAlgorithm.h"

#include <cstring>

// How far a retuned output may lie from its source, in seconds. Rubber Band
// holds 1 ms on anything. SoundTouch splices anywhere in its 30 ms seek
// window, and where depends on the material: its start delay is set for
// music, whose median lag over 5-second stretches of the generated piece stays
// within 3 ms (over 30-second stretches of real music, within 1 ms:
// bench/musiclag.sh), and it splices tones about 4.5 ms away from music.
inline double alignmentTolerance(int algorithm, bool music = false)
{
    if (std::strcmp(PitchAlgorithm::find(algorithm)->name, "time") != 0)
        return 0.001;
    return music ? 0.003 : 0.006;
}

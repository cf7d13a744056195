#pragma once

#include "dsp/SoundTouchShifter.h"

#include <vector>

// The start delay of SoundTouch at a shift: how many frames of its output
// (start pad included) come before the first input frame. It measures the
// delay of a tone on a few seconds of a probe signal, run through a
// SoundTouch set up like the shifter's, and moves it by how far music
// splices from tones, so that music comes out in line.
class SoundTouchDelayProbe
{
public:
    // Measured once per process for each rate, shift and settings: the
    // delay depends on nothing else, and measuring it costs about 20 ms, as
    // much as SoundTouch's own work on 15 seconds of music.
    static int startDelay(int sampleRate, double semitones, const SoundTouchShifter::Settings &settings);

private:
    SoundTouchDelayProbe(int sampleRate, double semitones, const SoundTouchShifter::Settings &settings);

    int measure() const;
    std::vector<float> shifted(soundtouch::SoundTouch &probe, const std::vector<float> &signal) const;
    double toneDelay(const std::vector<float> &signal, const std::vector<float> &output) const;
    double musicOffset(const soundtouch::SoundTouch &probe) const;

    int m_sampleRate;
    double m_semitones;
    SoundTouchShifter::Settings m_settings;
    int m_padFrames;
};

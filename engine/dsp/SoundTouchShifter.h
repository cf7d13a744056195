#pragma once

#include "dsp/PitchShifter.h"

#include <memory>
#include <vector>

namespace soundtouch {
class SoundTouch;
}

// "Time based" pitch shifting with SoundTouch.
//
// SoundTouch aligns its output with its input only at a ratio of 1: shifting
// pitch moves the output against the input by about 100 frames per semitone
// (at 44.1 kHz; later when shifting down, earlier when shifting up), and by
// up to half its seek window more depending on the material (tones splice
// differently from music). So the shifter puts silence before the first
// input frame, which turns an early output into a delay, and takes its start
// delay from SoundTouchDelayProbe.
class SoundTouchShifter : public PitchShifter
{
public:
    // SoundTouch's time-stretch and transposer settings; the defaults are
    // the program's (bench/pitchoptions.cpp compares them with others).
    struct Settings
    {
        int sequenceMs = 100;   // 0: SoundTouch chooses by tempo
        int seekWindowMs = 30;  // 0: SoundTouch chooses by tempo
        int overlapMs = 12;
        bool quickSeek = true;
        // Off: shifting by up to a semitone, the filter would only remove
        // content above 20.7 kHz (at 44.1 kHz; it folds over there when
        // shifting up, and interpolation leaves images there when shifting
        // down), yet it is more than half of SoundTouch's work. Larger shifts
        // turn it on.
        bool antiAliasFilter = false;
        int antiAliasTaps = 64;

        bool operator<(const Settings &other) const;
        // As they apply to a shift of `semitones`.
        Settings forShift(double semitones) const;
    };

    // sampleRate: up to HighestRate.
    SoundTouchShifter(int sampleRate, int channels, double semitones);
    SoundTouchShifter(int sampleRate, int channels, double semitones, const Settings &settings);
    ~SoundTouchShifter() override;

    void put(const float *samples, int frames) override;
    int receive(float *output, int maxFrames) override;
    int available() const override;
    void finish() override;
    int startDelay() const override;

    // Sets SoundTouch up for these settings, without a shift.
    static void configure(soundtouch::SoundTouch &soundTouch, int sampleRate, int channels,
                          const Settings &settings);
    // Silence before the first input frame: StartPadFrames at 44.1 kHz, as
    // long in time at higher rates.
    static int padFrames(int sampleRate);

    static constexpr int StartPadFrames = 2048;
    // The highest rate SoundTouch takes; it throws above it.
    static constexpr int HighestRate = 192000;

private:
    bool bypassed() const { return m_semitones == 0.0; }
    void padStart();
    void putSilence(int frames);

    int m_sampleRate;
    int m_channels;
    double m_semitones;
    Settings m_settings;  // as they apply to the shift
    int m_padFrames;
    bool m_started = false;
    bool m_finished = false;
    std::vector<float> m_silence;
    std::vector<float> m_passed;  // the input as it is, when nothing changes
    size_t m_passedRead = 0;
    mutable int m_startDelay = -1;  // measured on first use
    std::unique_ptr<soundtouch::SoundTouch> m_soundTouch;
};

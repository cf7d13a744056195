#pragma once

#include "engine/TempoPitchProcessorPlugin.h"

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
// differently from music). So the plugin puts StartPadFrames of silence
// before the first input frame, which turns an early output into a delay. It
// measures the delay of the current settings on a few seconds of a tone, run
// through a second SoundTouch instance, and moves it by how far music splices
// from tones, so that music comes out in line.
class SoundTouchPlugin : public TempoPitchProcessorPlugin
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
    };

    // sampleRate: up to HighestRate.
    SoundTouchPlugin(int sampleRate, int channels);
    SoundTouchPlugin(int sampleRate, int channels, const Settings &settings);
    ~SoundTouchPlugin() override;

    void putSamples(const float *samples, int frames, int channels) override;
    int receiveSamples(float *output, int maxFrames) override;
    int latency() const override;
    int availableSamples() const override;
    void reset() override;
    void finish() override;
    int startDelay() const override;

    void setTempo(double tempo) override;
    void setPitchSemiTones(double semiTones) override;

    // At 44.1 kHz; as long in time at higher rates.
    static constexpr int StartPadFrames = 2048;
    // The highest rate SoundTouch takes; it throws above it.
    static constexpr int HighestRate = 192000;

private:
    bool bypassed() const;
    void padStart();
    void putSilence(int frames);
    int measureStartDelay() const;
    double musicOffset(const soundtouch::SoundTouch &soundTouch) const;
    // The settings as they apply to the current shift.
    Settings effectiveSettings() const;

    int m_sampleRate;
    int m_channels;
    Settings m_settings;
    int m_padFrames;
    double m_tempo = 1.0;
    double m_semiTones = 0.0;
    bool m_started = false;
    bool m_finished = false;
    std::vector<float> m_silence;
    std::vector<float> m_passed;  // the input as it is, when nothing changes
    size_t m_passedRead = 0;
    mutable int m_startDelay = -1;  // measured on first use after a change
    std::unique_ptr<soundtouch::SoundTouch> m_soundTouch;
};

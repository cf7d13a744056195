#pragma once

#include "dsp/RealFft.h"

#include <vector>

// Measures the concert pitch a recording is tuned to: where, in equal
// temperament, its A4 lies.
//
// Fed interleaved float audio in blocks of any size, it mixes the channels
// to one (halving the rate from 44.1 kHz up), analyses windows of about
// 0.19 s every 46 ms and takes the strong, clean spectral peaks of tonal
// windows. Every peak's distance from the nearest note of the nominal A4's
// grid is an angle on the 100-cent circle; their strength-weighted mean is
// the recording's offset. Only the grid can be measured, not the key: the
// offset is folded into (-50, +50] cents of the nominal A4, so a recording
// tuned to A4 = 415.3 Hz (a semitone below 440) reads as 440 Hz, and one 52
// cents flat of 440 reads as 48 cents sharp.
//
// The same samples give the same result however they are cut into blocks.
class TuningEstimator
{
public:
    struct Result
    {
        double a4Hz;        // the measured A4
        double cents;       // its offset from the nominal A4, in (-50, +50]
        double confidence;  // 0: nothing to go by .. 1: every peak on one grid
        int framesUsed;     // analysis windows that contributed peaks
    };

    // Below this confidence the measurement is no better than a guess, and a
    // caller should keep the nominal pitch. Measured (bench/tuning.cpp):
    // material without a tuning stays below 0.1, two tunings a quarter tone
    // apart at once 0.24; music reads 0.85 to 1 from 5 s on, 0.37 from 3 s.
    static constexpr double MinimumConfidence = 0.3;

    TuningEstimator(int sampleRate, int channels, double nominalA4Hz = 440.0);

    void add(const float *samples, int frames);
    // What the audio so far shows; the nominal pitch with no confidence
    // while nothing tonal has been seen.
    Result result() const;

private:
    struct Peak
    {
        double hz;
        double cents;  // from the nominal A4
        double amplitude;
    };

    void mix(const float *samples, float *mono, int frames) const;
    void decimate();
    void push(const float *samples, int count);
    void analyse();
    void findPeaks();
    bool isOvertone(const Peak &peak) const;

    int m_channels;
    double m_nominal;
    bool m_decimate;
    int m_rate;  // of the analysed signal
    RealFft m_fft;
    int m_hop;
    // The bins peaks may come from, and the lower ones whose overtones are
    // recognised.
    int m_firstBin;
    int m_referenceBin;
    int m_lastBin;
    std::vector<float> m_window;

    // The decimation filter, and the mixed samples waiting for it.
    std::vector<float> m_taps;
    float m_centreTap = 0.0f;
    std::vector<float> m_staged;
    int m_stagedCount = 0;
    std::vector<float> m_even;  // the staged samples, split for the filter
    std::vector<float> m_odd;
    std::vector<float> m_decimated;
    // The latest window's worth of the analysed signal, and where the next
    // sample goes.
    std::vector<float> m_ring;
    int m_write = 0;
    int m_untilAnalysis;

    std::vector<float> m_power;
    std::vector<float> m_floor;  // noise floor per bin
    std::vector<Peak> m_peaks;

    // The weighted sum of the peaks' positions on the 100-cent circle.
    double m_sumCos = 0.0;
    double m_sumSin = 0.0;
    double m_sumWeight = 0.0;
    double m_sumWeightSquared = 0.0;
    int m_framesUsed = 0;
};

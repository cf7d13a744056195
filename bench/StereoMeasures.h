#pragma once

#include <vector>

// How a pitch-shifted stereo recording keeps the stereo image, the timbre
// and the attacks of its source. Plain functions over interleaved
// two-channel float samples and their sample rate, so that a test can use
// them as they are.
//
// Blocks are 2048 frames at 44.1 kHz (46 ms), as long in time at other
// rates. Near-silent blocks are left out: their figures are noise.
namespace StereoMeasures {

// Frames in a block at this rate.
int blockFrames(int sampleRate);

// The correlation of left and right (as AudioAnalysis::channelCorrelation)
// for the content above fromHz alone (Hann-windowed spectra of
// half-overlapping blocks), where a stretcher that handles the channels
// apart loses their phase relation first.
double channelCorrelationAbove(const std::vector<float> &stereo, int sampleRate, double fromHz);

// How far the output's timbre lies from what a perfect pitch shift of the
// source would give, in dB (lower is better): for each half-overlapping
// stretch of four blocks (186 ms), the RMS over both channels and the
// 1/3-octave bands from 200 Hz to 10 kHz of the difference of the output's
// band levels and the source's, the source's bands taken at the output's edges divided by pitchRatio
// (output frequency over source frequency), where its content would have
// come from. The median over stretches where the source is above -60 dBFS;
// bands more than 60 dB below the stretch's loudest count as that level.
// Source and output must be aligned and of the same rate.
double bandDistanceDb(const std::vector<float> &source, const std::vector<float> &output, int sampleRate,
                      double pitchRatio);

// Sharp, isolated onsets: frames where the level of the next 10 ms rises
// at least riseDb above that of the 40 ms before (and 2 ms clear of it), to
// at least -40 dBFS; the steepest of those within 100 ms of each other.
std::vector<long long> sharpOnsets(const std::vector<float> &stereo, int sampleRate, double riseDb = 20.0);

// The recording's own hits, each alone: for every onset, the 300 ms from
// 2 ms before it (faded in over the first millisecond and out over the last
// 30) after silence, one every half second, so that whatever a processor
// puts before a hit stands out. Gives the onsets' frames in the result.
std::vector<float> isolatedHits(const std::vector<float> &stereo, int sampleRate,
                                const std::vector<long long> &onsets, std::vector<long long> *hitOnsets);

// Generated hits with an instant attack, each alone, placed as
// isolatedHits places them: a kick in the middle, a snare left of it, a
// hi-hat right of it and a plucked string, in turn, `count` of them. Gives
// the onsets' frames in the result.
std::vector<float> sharpHits(int sampleRate, int count, std::vector<long long> *hitOnsets);

struct Transients
{
    // The median over onsets of the level of the 40 ms before an onset
    // (ending 2 ms before it) against that of its first 10 ms, in dB: the
    // source's own quiet before a hit, or the pre-echo a block-based
    // stretcher smears into it. Silence counts as -120 dBFS.
    double preEchoDb = 0.0;
    // The median time the 1 ms RMS envelope takes to rise from 10 % to 90 %
    // of its peak in the 30 ms after the onset, in ms.
    double attackMs = 0.0;
    int onsets = 0;
};

// The transients' figures at the given frames (found on the source, and
// moved by the output's lag where that is not negligible).
Transients transientsAt(const std::vector<float> &stereo, int sampleRate, const std::vector<long long> &onsets);

} // namespace StereoMeasures

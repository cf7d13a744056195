#pragma once

#include "support/AudioBuffer.h"

#include <vector>

// Measurements on audio: pitch of a steady tone and the delay between two
// signals.
namespace AudioAnalysis {

// Frequency of the strongest partial of a steady tone in the mono mix of
// [fromSecond, toSecond): the Hann-windowed spectrum's peak, refined on the
// continuous spectrum, so it is exact to far below a hundredth of a hertz.
double pitch(const AudioBuffer &audio, double fromSecond, double toSecond);

// The pitch of consecutive windows of windowSeconds in [fromSecond, toSecond).
std::vector<double> pitchTrack(const AudioBuffer &audio, double windowSeconds,
                               double fromSecond, double toSecond);

// How many frames later than the reference the signal runs (negative when it
// runs early), by cross-correlating their RMS envelopes within ±maxLagSeconds.
double lagFrames(const AudioBuffer &reference, const AudioBuffer &signal,
                 double maxLagSeconds = 0.1);

// The level in dB of the partial at `frequency` in the mono mix of
// [fromSecond, toSecond): 0 for a full-scale sine, by the Hann-windowed
// spectrum at exactly that frequency.
double levelDb(const AudioBuffer &audio, double frequency, double fromSecond, double toSecond);

// lagFrames of each consecutive segment of segmentSeconds (the last one may
// be shorter, down to half a segment): alignment on music drifts with the
// material, so one figure for a whole piece hides it.
std::vector<double> segmentLags(const AudioBuffer &reference, const AudioBuffer &signal,
                                double segmentSeconds, double maxLagSeconds = 0.05);

double median(std::vector<double> values);

// Speech, frame by frame: frames of about 46 ms (the power of two nearest),
// half a frame apart.
struct VoicedFrame
{
    long long start;  // the first frame of it, in audio frames
    double f0;        // the voice's fundamental, Hz
};
// The voiced frames of the mono mix: loud (within 20 dB of the loudest) and
// periodic (normalised autocorrelation over 0.6 at a lag of 70 to 400 Hz).
std::vector<VoicedFrame> voicedFrames(const AudioBuffer &audio);
// The fundamental of the frame that starts there, by autocorrelation; 0
// where it is not periodic.
double fundamentalAt(const AudioBuffer &audio, long long start);
// How far apart two signals' spectral envelopes lie at those frames: the
// log spectra smoothed by their first 1.5 ms of cepstrum (below any voice's
// pitch period, so the harmonics go and the formants stay), their mean
// level taken out, compared from 100 Hz to 5 kHz; the RMS difference in dB
// over all frames.
double envelopeDistanceDb(const AudioBuffer &a, const AudioBuffer &b, const std::vector<VoicedFrame> &frames);

// The stereo image of two channels: the mean over 46-ms blocks of the
// correlation of left and right (1: the same signal in both, 0: unrelated
// ones; blocks where a channel is below -70 dBFS are left out), and the
// energy of the side (L-R)/2 against that of the mid (L+R)/2 in dB, which
// grows as the image widens.
double channelCorrelation(const AudioBuffer &stereo);
double sideToMidDb(const AudioBuffer &stereo);

// The largest sample magnitude.
float peak(const std::vector<float> &samples);

// Pitch difference in cents.
double cents(double frequency, double reference);

} // namespace AudioAnalysis

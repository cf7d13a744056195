#include "dsp/PeakLimiter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double Pi = 3.14159265358979323846;

// The points between a frame and the next that the interpolator works out:
// a quarter, half and three quarters of the way. With the frame itself they
// are the four phases of a 4x oversampling filter of 48 taps, 12 per phase,
// as ITU-R BS.1770 describes for true-peak meters.
constexpr int Taps = 2 * PeakLimiter::InterpolatorDelay;
constexpr int Pairs = Taps / 2;
// Samples worked on at once, in the lanes of the processor's vector unit.
constexpr int Lanes = 4;

// The taps come in pairs mirrored about the middle of their reach: the
// half-way point weighs both frames of a pair alike, and the quarter and
// three-quarter points are mirror images of each other. Their sums and
// differences halve the multiplications. Pair j holds frames i - 5 + j and
// i + 6 - j around the points after frame i.
struct Interpolator
{
    // Each weight once per lane.
    alignas(16) float middle[Pairs][Lanes];  // half way, on the pair's sum
    alignas(16) float even[Pairs][Lanes];    // the quarter points' common part, on the sum
    alignas(16) float odd[Pairs][Lanes];     // and their opposite part, on the difference
    // No point exceeds frameWeight times the larger of the frames on either
    // side of it plus curveWeight times the largest second difference among
    // its taps (x[n-1] - 2 x[n] + x[n+1]): the part of each phase that is
    // not a straight line between the two frames only sees the curvature.
    double frameWeight = 0.0;
    double curveWeight = 0.0;
};

// Widens the bound's weights so that the phase `taps` stays within it.
void bound(const double (&taps)[Taps], Interpolator &interpolation)
{
    // The straight line between frames i and i + 1 with the phase's sum and
    // first moment; what remains has neither, so it is a sum of second
    // differences, weighted by the remainder summed up twice (c).
    constexpr int Frame = PeakLimiter::InterpolatorDelay - 1;
    double moment0 = 0.0;
    double moment1 = 0.0;
    for (int j = 0; j < Taps; ++j) {
        moment0 += taps[j];
        moment1 += taps[j] * (j - Frame);
    }
    const double atNext = moment1;
    const double atFrame = moment0 - moment1;
    double slope = 0.0;
    double c = 0.0;
    double curve = 0.0;
    for (int j = 0; j < Taps; ++j) {
        double rest = taps[j];
        if (j == Frame)
            rest -= atFrame;
        else if (j == Frame + 1)
            rest -= atNext;
        slope += rest;
        c += slope;
        curve += std::abs(c);
    }
    interpolation.frameWeight = std::max(interpolation.frameWeight, std::abs(atFrame) + std::abs(atNext));
    interpolation.curveWeight = std::max(interpolation.curveWeight, curve);
}

Interpolator design()
{
    // A Kaiser-windowed sinc reaching 6 frames either side, beta = 4: within
    // -0.06..+0.06 dB up to 0.35 times the sampling rate and -0.27..+0.09 dB
    // up to 0.4 times; a stronger window droops there and reads high
    // frequencies low, a weaker one ripples more. Each phase sums to 1, so
    // that a steady level reads as itself.
    constexpr double Beta = 4.0;
    auto phase = [](double offset, double (&taps)[Taps]) {
        double sum = 0.0;
        for (int j = 0; j < Taps; ++j) {
            const double distance = offset + (PeakLimiter::InterpolatorDelay - 1) - j;
            const double r = distance / PeakLimiter::InterpolatorDelay;
            const double window = std::cyl_bessel_i(0.0, Beta * std::sqrt(1.0 - r * r)) / std::cyl_bessel_i(0.0, Beta);
            taps[j] = std::sin(Pi * distance) / (Pi * distance) * window;
            sum += taps[j];
        }
        for (double &tap : taps)
            tap /= sum;
    };
    double quarter[Taps];
    double half[Taps];
    phase(0.25, quarter);
    phase(0.5, half);
    Interpolator result;
    for (int j = 0; j < Pairs; ++j) {
        const int mirror = Taps - 1 - j;
        for (int l = 0; l < Lanes; ++l) {
            result.middle[j][l] = float((half[j] + half[mirror]) / 2.0);
            result.even[j][l] = float((quarter[j] + quarter[mirror]) / 2.0);
            result.odd[j][l] = float((quarter[j] - quarter[mirror]) / 2.0);
        }
    }
    // The bound for the taps as rounded and as the pairs apply them.
    double applied[3][Taps];
    for (int j = 0; j < Pairs; ++j) {
        const int mirror = Taps - 1 - j;
        applied[0][j] = double(result.even[j][0]) + double(result.odd[j][0]);
        applied[0][mirror] = double(result.even[j][0]) - double(result.odd[j][0]);
        applied[1][j] = applied[1][mirror] = double(result.middle[j][0]);
        applied[2][j] = applied[0][mirror];
        applied[2][mirror] = applied[0][j];
    }
    for (const auto &taps : applied)
        bound(taps, result);
    return result;
}

const Interpolator &interpolator()
{
    static const Interpolator designed = design();
    return designed;
}

} // namespace

PeakLimiter::PeakLimiter(int channels, double ceiling, int lookAheadFrames, int releaseFrames)
    : m_channels(std::max(1, channels))
    , m_ceiling(ceiling)
    // The frames before a peak shape it as well: they must be down too.
    , m_latency(std::max(InterpolatorDelay, lookAheadFrames) + InterpolatorDelay)
    , m_release(std::exp(-1.0 / std::max(1, releaseFrames)))
    , m_delay(size_t(m_latency + 1) * size_t(m_channels), 0.0f)
    , m_needed(size_t(m_latency + 1), 1.0)
    , m_minima(size_t(m_latency + 1), 0)
    , m_recent(size_t(Reach + Stretch) * size_t(m_channels) + Lanes, 0.0f)
    , m_peaks(size_t(Stretch) * size_t(m_channels) + Lanes, 0.0f)
{
}

PeakLimiter PeakLimiter::forOutput(int sampleRate, int channels, bool lossy, double extraHeadroomDb)
{
    const double ceilingDb = (lossy ? -1.0 : -0.1) - extraHeadroomDb;
    return PeakLimiter(channels, std::pow(10.0, ceilingDb / 20.0), sampleRate / 200, sampleRate / 20);
}

void PeakLimiter::process(const float *input, float *output, int frames, float *gains)
{
    // Most music never comes near the ceiling. The gain never stands above
    // what the window needs, so while it is at unity and the next stretch
    // needs nothing either, the limiter is a plain delay line, which costs a
    // fraction of the per-frame bookkeeping; and most stretches are far
    // enough below the ceiling to tell so without interpolating.
    const size_t channels = size_t(m_channels);
    float *recent = m_recent.data();
    float *stretch = recent + size_t(Reach) * channels;
    for (int done = 0; done < frames;) {
        const int n = std::min(Stretch, frames - done);
        std::memcpy(stretch, input + size_t(done) * channels, size_t(n) * channels * sizeof(float));
        float *out = output + size_t(done) * channels;
        float *gain = gains ? gains + done : nullptr;
        // limit() needs the stretch measured.
        const bool clean = m_gain == 1.0 && surelyClean(n);
        if (clean || (measure(n) <= m_ceiling && m_gain == 1.0)) {
            delay(stretch, out, n);
            if (gain)
                std::fill_n(gain, n, 1.0f);
        } else {
            limit(stretch, out, n, gain);
        }
        std::memmove(recent, recent + size_t(n) * channels, size_t(Reach) * channels * sizeof(float));
        done += n;
    }
}

bool PeakLimiter::surelyClean(int frames) const
{
    // Every sample and every second difference of the history and the
    // stretch, a few lanes at a time; NaN compares false and is skipped, as
    // in measure().
    const float *x = m_recent.data();
    const size_t channels = size_t(m_channels);
    const size_t count = size_t(Reach + frames) * channels;
    float peaks[Lanes] = {};
    float curves[Lanes] = {};
    auto take = [&](size_t i, int l) {
        const float sample = std::abs(x[i]);
        const float curve = std::abs(x[i - channels] + x[i + channels] - 2.0f * x[i]);
        peaks[l] = sample > peaks[l] ? sample : peaks[l];
        curves[l] = curve > curves[l] ? curve : curves[l];
    };
    // The first and last frames have no second difference; their samples
    // are the neighbours of others.
    size_t i = channels;
    for (; i + Lanes + channels <= count; i += Lanes) {
        for (int l = 0; l < Lanes; ++l)
            take(i + size_t(l), l);
    }
    for (; i + channels < count; ++i)
        take(i, 0);
    float peak = 0.0f;
    float curve = 0.0f;
    for (int l = 0; l < Lanes; ++l) {
        peak = std::max(peak, peaks[l]);
        curve = std::max(curve, curves[l]);
    }
    for (size_t c = 0; c < channels; ++c)
        peak = std::max({peak, std::abs(x[c]), std::abs(x[count - channels + c])});
    // The margin covers the rounding of the interpolation in floats, which is
    // far smaller.
    const Interpolator &interpolation = interpolator();
    return interpolation.frameWeight * peak + interpolation.curveWeight * curve + 1e-5 * peak <= m_ceiling;
}

float PeakLimiter::measure(int frames)
{
    // Frame k of the stretch lets the interpolator finish the points after
    // the frame InterpolatorDelay earlier, from frames k - Reach ... k: with
    // the history in front, frames k ... k + Reach of m_recent. Each lane
    // takes one sample and its channel's taps, a frame apart; the lanes past
    // the stretch work on stale samples and are not read.
    const Interpolator &interpolation = interpolator();
    const size_t stride = size_t(m_channels);
    const size_t samples = size_t(frames) * stride;
    for (size_t s = 0; s < samples; s += Lanes) {
        const float *x = m_recent.data() + s;
        float middle[Lanes] = {};
        float even[Lanes] = {};
        float odd[Lanes] = {};
#pragma GCC unroll 6
        for (int j = 0; j < Pairs; ++j) {
            const float *front = x + size_t(j) * stride;
            const float *back = x + size_t(Taps - 1 - j) * stride;
            float sum[Lanes];
            float difference[Lanes];
            for (int l = 0; l < Lanes; ++l) {
                sum[l] = front[l] + back[l];
                difference[l] = front[l] - back[l];
            }
            for (int l = 0; l < Lanes; ++l) {
                middle[l] += interpolation.middle[j][l] * sum[l];
                even[l] += interpolation.even[j][l] * sum[l];
                odd[l] += interpolation.odd[j][l] * difference[l];
            }
        }
        // NaN compares false and is skipped; where the frame is NaN, so are
        // the points around it.
        const float *frame = x + size_t(InterpolatorDelay - 1) * stride;
        float peak[Lanes];
        for (int l = 0; l < Lanes; ++l)
            peak[l] = std::abs(frame[l]);
        auto keep = [&peak](int l, float value) {
            value = std::abs(value);
            peak[l] = value > peak[l] ? value : peak[l];
        };
        for (int l = 0; l < Lanes; ++l)
            keep(l, middle[l]);
        for (int l = 0; l < Lanes; ++l)
            keep(l, even[l] + odd[l]);
        for (int l = 0; l < Lanes; ++l)
            keep(l, even[l] - odd[l]);
        for (int l = 0; l < Lanes; ++l)
            m_peaks[s + size_t(l)] = peak[l];
    }
    float loudest[Lanes] = {};
    size_t s = 0;
    for (; s + Lanes <= samples; s += Lanes) {
        for (int l = 0; l < Lanes; ++l)
            loudest[l] = m_peaks[s + size_t(l)] > loudest[l] ? m_peaks[s + size_t(l)] : loudest[l];
    }
    for (; s < samples; ++s)
        loudest[0] = std::max(loudest[0], m_peaks[s]);
    return std::max({loudest[0], loudest[1], loudest[2], loudest[3]});
}

void PeakLimiter::delay(const float *input, float *output, int frames)
{
    // What leaves is the window's frames after the oldest, then the input;
    // what stays is the newest frames at the slots they would have taken
    // one at a time. The input is m_recent's copy, so output may be where
    // the caller's input was.
    const int slots = m_latency + 1;
    const size_t channels = size_t(m_channels);
    const size_t frameBytes = channels * sizeof(float);
    float *ring = m_delay.data();

    const int fromRing = std::min(frames, m_latency);
    int slot = m_slot + 1 == slots ? 0 : m_slot + 1;
    for (int copied = 0; copied < fromRing;) {
        const int n = std::min(fromRing - copied, slots - slot);
        std::memcpy(output + size_t(copied) * channels, ring + size_t(slot) * channels, size_t(n) * frameBytes);
        copied += n;
        slot = 0;
    }
    std::memcpy(output + size_t(fromRing) * channels, input, size_t(frames - fromRing) * frameBytes);

    const int kept = std::min(frames, slots);
    slot = (m_slot + (frames - kept)) % slots;
    for (int stored = 0; stored < kept;) {
        const int n = std::min(kept - stored, slots - slot);
        std::memcpy(ring + size_t(slot) * channels, input + size_t(frames - kept + stored) * channels,
                    size_t(n) * frameBytes);
        stored += n;
        slot = 0;
    }
    m_slot = (m_slot + frames) % slots;
    // No frame in the window needs less than 1.0, so none of them can be the
    // minimum the window falls back to.
    m_minimaBegin = 0;
    m_minimaCount = 0;
}

void PeakLimiter::limit(const float *input, float *output, int frames, float *gains)
{
    // The window spans the whole delay line: a true peak is measured
    // InterpolatorDelay frames after its frame came in, and its gain holds
    // until the last frame it was measured from has left.
    const int slots = m_latency + 1;
    const size_t channels = size_t(m_channels);
    auto wrap = [slots](int i) { return i >= slots ? i - slots : i; };
    for (int f = 0; f < frames; ++f) {
        const float *in = input + size_t(f) * channels;
        const float *peaks = &m_peaks[size_t(f) * channels];
        float peak = 0.0f;
        for (size_t c = 0; c < channels; ++c)
            peak = std::max(peak, peaks[c]);
        const double needed = peak > m_ceiling ? m_ceiling / double(peak) : 1.0;

        // The slot written now held the frame that just left the window.
        if (m_minimaCount > 0 && m_minima[size_t(m_minimaBegin)] == m_slot) {
            m_minimaBegin = wrap(m_minimaBegin + 1);
            --m_minimaCount;
        }
        float *stored = &m_delay[size_t(m_slot) * channels];
        for (size_t c = 0; c < channels; ++c)
            stored[c] = in[c];
        m_needed[size_t(m_slot)] = needed;
        while (m_minimaCount > 0 && m_needed[size_t(m_minima[size_t(wrap(m_minimaBegin + m_minimaCount - 1))])] >= needed)
            --m_minimaCount;
        m_minima[size_t(wrap(m_minimaBegin + m_minimaCount))] = m_slot;
        ++m_minimaCount;
        const double target = m_needed[size_t(m_minima[size_t(m_minimaBegin)])];

        // Down at once, up smoothly; exactly 1.0 when nothing is near.
        if (target < m_gain) {
            m_gain = target;
            m_smallestGain = std::min(m_smallestGain, m_gain);
        } else if (m_gain < 1.0) {
            m_gain = std::min(target, 1.0 - (1.0 - m_gain) * m_release);
            if (m_gain > 1.0 - 1e-12)
                m_gain = 1.0;
        }

        // The frame that leaves now came in latency frames ago.
        m_slot = wrap(m_slot + 1);
        const float *leaving = &m_delay[size_t(m_slot) * channels];
        float *out = output + size_t(f) * channels;
        if (gains)
            gains[f] = float(m_gain);
        if (m_gain == 1.0) {
            for (size_t c = 0; c < channels; ++c)
                out[c] = leaving[c];
        } else {
            for (size_t c = 0; c < channels; ++c)
                out[c] = float(leaving[c] * m_gain);
        }
    }
}

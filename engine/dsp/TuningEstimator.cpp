#include "dsp/TuningEstimator.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

// Windows of at least 0.15 s (4096 samples at 22.05 and 24 kHz, bins 5.4 and
// 5.9 Hz apart): neighbouring semitones' partials stand apart from about
// 100 Hz up, and a melody's notes still fill most windows alone. A quarter
// of a window apart, so that frames catch every phase of a vibrato, whose
// cycle the window cannot average out.
constexpr double WindowSeconds = 0.15;

// Peaks count from here to there. Below, semitones are too close for the
// window; above, partials of real instruments stray from the harmonic series
// and noise from cymbals and breath takes over.
constexpr double LowestHz = 100.0;
constexpr double HighestHz = 5000.0;
// Peaks down to here are only looked at as fundamentals of higher ones.
constexpr double LowestReferenceHz = 50.0;

// A peak stands this far above the noise floor of its neighbourhood, a
// block of FloorBins bins.
constexpr int FloorBins = 32;
constexpr double ProminenceDb = 20.0;
// And no further below the window's strongest peak than this.
constexpr double RangeDb = 40.0;
// Nothing quieter than -80 dBFS.
constexpr double SilentAmplitude = 1e-4;
// A steady sine's peak position follows exactly from either neighbour bin;
// where the two answers differ by more than this many bins, the peak is two
// partials in one, or a glide, and its position is not to be trusted.
constexpr double MostDisagreement = 0.25;
// A window counts when its peaks hold this share of its power; drum hits and
// noise leave less.
constexpr double TonalShare = 0.3;
// A partial this close to a whole multiple of a lower peak is taken for its
// overtone. The 3rd, 5th, 7th ... harmonics lie 2, -14, -31 ... cents off
// the equal-tempered grid and would pull the mean, so those are left out
// (octaves are kept). Up to 11 cents, no more notes of the grid are taken
// for overtones than the ones a fifth above an octave (2 cents off the 3rd
// harmonic) and its octaves, while partials under vibrato, measured a little
// apart, are still recognised.
constexpr double OvertoneCents = 8.0;
constexpr int HighestOvertone = 16;
// A measurement from less tonal audio than this counts less.
constexpr double EnoughTonalSeconds = 5.0;

// Samples are mixed this many at a time.
constexpr int Chunk = 1024;

// A half-band low-pass filter for halving the rate: the windowed sinc's
// taps at odd distances from the centre (those at even ones are zero), the
// Blackman window 24 taps wide. Flat to 0.003 dB below 0.113 of the input
// rate (5 kHz at 44.1 kHz), at least 74 dB down above 0.387, the part that
// would fold back below 0.113.
constexpr int HalfTaps = 6;
constexpr int FilterSpan = 4 * HalfTaps - 1;

// Loops run over groups of this many values.
constexpr int Lanes = 8;
// Pairs split beyond the outputs' own: what the filter reaches, in whole groups.
constexpr int SplitBeyond = (FilterSpan / 2 + 1 + Lanes - 1) / Lanes * Lanes;

std::vector<float> halfBandTaps(float &centreTap)
{
    std::vector<double> taps(HalfTaps);
    constexpr int reach = FilterSpan / 2;
    auto blackman = [](int n) {
        const double x = 2.0 * Pi * (n + reach + 1) / (2 * reach + 2);
        return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
    };
    const double centre = 0.5;  // the window is 1 there
    double sum = centre;
    for (int t = 0; t < HalfTaps; ++t) {
        const int n = 2 * t + 1;
        taps[size_t(t)] = std::sin(Pi * n / 2.0) / (Pi * n) * blackman(n);
        sum += 2.0 * taps[size_t(t)];
    }
    centreTap = float(centre / sum);
    std::vector<float> normalised;
    for (double tap : taps)
        normalised.push_back(float(tap / sum));
    return normalised;
}

int windowSize(int sampleRate)
{
    int size = 256;
    while (size < WindowSeconds * sampleRate)
        size *= 2;
    return size;
}

// The magnitude of the periodic Hann window's spectrum `offset` bins from its
// centre, 1 at the centre.
double hannLobe(double offset)
{
    if (std::abs(offset) < 1e-9)
        return 1.0;
    return std::sin(Pi * offset) / (Pi * offset * (1.0 - offset * offset));
}

// The hot loops below run over whole groups of Lanes values, as free
// functions whose arrays cannot overlap, so that the compiler turns them into
// vector instructions at -O2.

// out = a * b, for n a multiple of Lanes.
void multiply(const float *__restrict a, const float *__restrict b, float *__restrict out, int n)
{
    for (int i = 0; i < n; i += Lanes) {
        for (int j = 0; j < Lanes; ++j)
            out[i + j] = a[i + j] * b[i + j];
    }
}

// The mean of the two channels of n stereo frames, or the even and the odd
// samples of 2 n mono ones; n a multiple of Lanes.
void mixPairs(const float *__restrict in, float *__restrict out, int n)
{
    for (int i = 0; i < n; i += Lanes) {
        for (int j = 0; j < Lanes; ++j)
            out[i + j] = (in[2 * (i + j)] + in[2 * (i + j) + 1]) * 0.5f;
    }
}

void split(const float *__restrict in, float *__restrict even, float *__restrict odd, int n)
{
    for (int i = 0; i < n; i += Lanes) {
        for (int j = 0; j < Lanes; ++j) {
            even[i + j] = in[2 * (i + j)];
            odd[i + j] = in[2 * (i + j) + 1];
        }
    }
}

// `outputs` samples (a multiple of Lanes) of the half-band filter at every
// other input sample: output m is centred on odd[m + 5], input 2 m + 11, and
// its other taps fall on even samples.
void halfBand(const float *__restrict even, const float *__restrict odd, const float *__restrict taps,
              float centre, float *__restrict y, int outputs)
{
    constexpr int Middle = FilterSpan / 4;
    for (int m = 0; m < outputs; m += Lanes) {
        float sum[Lanes];
        for (int j = 0; j < Lanes; ++j)
            sum[j] = centre * odd[m + j + Middle];
        for (int t = 0; t < HalfTaps; ++t) {
            const float tap = taps[t];
            for (int j = 0; j < Lanes; ++j)
                sum[j] += tap * (even[m + j + Middle - t] + even[m + j + Middle + 1 + t]);
        }
        for (int j = 0; j < Lanes; ++j)
            y[m + j] = sum[j];
    }
}

// The noise floor of a block of bins: the second quietest of its eight
// stretches, each stretch's mean power. A peak takes up five bins, so even a
// block crowded with a chord's partials keeps quiet stretches, while a block
// of noise gives about 0.7 times its mean.
float floorOf(const float *power, int count)
{
    const int stretch = std::max(1, count / 8);
    float quietest = INFINITY;
    float second = INFINITY;
    for (int begin = 0; begin + stretch <= count; begin += stretch) {
        float sum = 0.0f;
        for (int i = begin; i < begin + stretch; ++i)
            sum += power[i];
        const float mean = sum / float(stretch);
        if (mean < quietest) {
            second = quietest;
            quietest = mean;
        } else if (mean < second) {
            second = mean;
        }
    }
    return std::isinf(second) ? quietest : second;
}

} // namespace

TuningEstimator::TuningEstimator(int sampleRate, int channels, double nominalA4Hz)
    : m_channels(std::max(1, channels))
    , m_nominal(nominalA4Hz)
    // Nothing above 5 kHz is used: from 44.1 kHz up, half the rate does.
    , m_decimate(sampleRate >= 44100)
    , m_rate(std::max(1, m_decimate ? sampleRate / 2 : sampleRate))
    , m_fft(windowSize(m_rate))
    , m_hop(m_fft.size() / 4)
    , m_untilAnalysis(m_fft.size())
{
    const int size = m_fft.size();
    const double binHz = double(m_rate) / size;
    // Peak tests look two bins either way.
    const int lastUsable = size / 2 - 3;
    m_lastBin = std::min(lastUsable, int(HighestHz / binHz));
    m_firstBin = std::min(m_lastBin + 1, std::max(3, int(std::ceil(LowestHz / binHz))));
    m_referenceBin = std::min(m_firstBin, std::max(3, int(std::ceil(LowestReferenceHz / binHz))));

    m_window.resize(size_t(size));
    for (int i = 0; i < size; ++i)
        m_window[size_t(i)] = float(0.5 - 0.5 * std::cos(2.0 * Pi * i / size));
    m_taps = halfBandTaps(m_centreTap);
    // What is left from the last chunk, the next chunk, and room for
    // splitting the last group of pairs.
    m_staged.resize(size_t(FilterSpan + 2 * Lanes + Chunk + 2 * SplitBeyond));
    m_even.resize(m_staged.size() / 2);
    m_odd.resize(m_staged.size() / 2);
    m_decimated.resize(size_t(Chunk));
    m_ring.resize(size_t(size));
    m_power.resize(size_t(size / 2 + 1));
    m_floor.resize(size_t(size / 2 + 1));
}

void TuningEstimator::add(const float *samples, int frames)
{
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, Chunk);
        float *mono = m_staged.data() + m_stagedCount;
        mix(samples + size_t(done) * size_t(m_channels), mono, n);
        done += n;
        if (m_decimate) {
            m_stagedCount += n;
            decimate();
        } else {
            push(mono, n);
        }
    }
}

void TuningEstimator::mix(const float *samples, float *mono, int frames) const
{
    const float *in = samples;
    float *out = mono;
    if (m_channels == 1) {
        std::copy(in, in + frames, out);
    } else if (m_channels == 2) {
        const int whole = frames / Lanes * Lanes;
        mixPairs(in, out, whole);
        for (int f = whole; f < frames; ++f)
            out[f] = (in[2 * f] + in[2 * f + 1]) * 0.5f;
    } else {
        const size_t channels = size_t(m_channels);
        const float scale = 1.0f / float(m_channels);
        for (int f = 0; f < frames; ++f) {
            float sum = 0.0f;
            for (size_t c = 0; c < channels; ++c)
                sum += in[size_t(f) * channels + c];
            out[f] = sum * scale;
        }
    }
}

void TuningEstimator::decimate()
{
    // Whole groups of outputs only; the rest wait for more input.
    const int outputs = std::max(0, (m_stagedCount - FilterSpan) / 2 + 1) / Lanes * Lanes;
    if (outputs == 0)
        return;
    // The filter reaches 11 pairs past the first output's; the last group of
    // pairs may take in stale samples past the staged ones, which no output
    // uses.
    split(m_staged.data(), m_even.data(), m_odd.data(), outputs + SplitBeyond);
    halfBand(m_even.data(), m_odd.data(), m_taps.data(), m_centreTap, m_decimated.data(), outputs);
    const int used = 2 * outputs;
    std::copy(m_staged.begin() + used, m_staged.begin() + m_stagedCount, m_staged.begin());
    m_stagedCount -= used;
    push(m_decimated.data(), outputs);
}

void TuningEstimator::push(const float *samples, int count)
{
    const int size = m_fft.size();
    while (count > 0) {
        const int n = std::min({count, m_untilAnalysis, size - m_write});
        std::copy(samples, samples + n, m_ring.begin() + m_write);
        samples += n;
        count -= n;
        m_write = (m_write + n) & (size - 1);
        m_untilAnalysis -= n;
        if (m_untilAnalysis == 0) {
            analyse();
            m_untilAnalysis = m_hop;
        }
    }
}

void TuningEstimator::analyse()
{
    const int size = m_fft.size();
    // The oldest sample is where the next one goes; both parts are whole
    // hops long.
    const int first = size - m_write;
    multiply(m_ring.data() + m_write, m_window.data(), m_fft.input(), first);
    multiply(m_ring.data(), m_window.data() + first, m_fft.input() + first, m_write);
    m_fft.transform();
    const std::complex<float> *bins = m_fft.output();
    for (int k = m_referenceBin - 2; k <= m_lastBin + 2; ++k)
        m_power[size_t(k)] = std::norm(bins[k]);

    double bandPower = 0.0;
    for (int k = m_firstBin; k <= m_lastBin; ++k)
        bandPower += m_power[size_t(k)];
    // The power a -80 dBFS sine leaves in its five bins.
    const double silent = 1.5 * std::pow(SilentAmplitude * size / 4.0, 2.0);
    if (bandPower < silent)
        return;

    findPeaks();
    if (m_peaks.empty())
        return;

    double tonalPower = 0.0;
    for (const Peak &peak : m_peaks) {
        if (peak.hz >= LowestHz)
            tonalPower += peak.amplitude * peak.amplitude;
    }
    // Amplitudes in the units of the bins: a sine of amplitude a leaves
    // 1.5 (a size / 4)^2 in its five bins.
    const double binUnits = 1.5 * std::pow(size / 4.0, 2.0);
    if (tonalPower * binUnits < TonalShare * bandPower)
        return;

    bool used = false;
    for (const Peak &peak : m_peaks) {
        if (peak.hz < LowestHz || isOvertone(peak))
            continue;
        // The peak's share of the window's amplitude: loud and quiet
        // passages count alike, clearly tonal windows more.
        const double weight = peak.amplitude * std::sqrt(binUnits / bandPower);
        const double angle = 2.0 * Pi * peak.cents / 100.0;
        m_sumCos += weight * std::cos(angle);
        m_sumSin += weight * std::sin(angle);
        m_sumWeight += weight;
        m_sumWeightSquared += weight * weight;
        used = true;
    }
    if (used)
        ++m_framesUsed;
}

void TuningEstimator::findPeaks()
{
    const int size = m_fft.size();
    // The noise floor, block by block.
    for (int begin = m_referenceBin; begin <= m_lastBin; begin += FloorBins) {
        const int end = std::min(begin + FloorBins, m_lastBin + 1);
        std::fill(m_floor.begin() + begin, m_floor.begin() + end, floorOf(&m_power[size_t(begin)], end - begin));
    }

    const float prominence = float(std::pow(10.0, ProminenceDb / 10.0));
    const double binHz = double(m_rate) / size;
    m_peaks.clear();
    double strongest = 0.0;
    for (int k = m_referenceBin; k <= m_lastBin; ++k) {
        const float *p = &m_power[size_t(k)];
        if (!(p[0] > m_floor[size_t(k)] * prominence && p[0] > p[-1] && p[0] >= p[1] && p[0] > p[-2] && p[0] >= p[2]))
            continue;
        // For a steady sine at bin k + d, the periodic Hann window's bins
        // hold |X[k+1]| / |X[k]| = (1 + d) / (2 - d) and |X[k-1]| / |X[k]| =
        // (1 - d) / (2 + d), exactly but for terms in 1 / size^2.
        const double centre = std::sqrt(double(p[0]));
        const double right = std::sqrt(double(p[1])) / centre;
        const double left = std::sqrt(double(p[-1])) / centre;
        const double fromRight = (2.0 * right - 1.0) / (1.0 + right);
        const double fromLeft = (1.0 - 2.0 * left) / (1.0 + left);
        if (std::abs(fromRight - fromLeft) > MostDisagreement)
            continue;
        // The larger neighbour's answer is the surer one.
        const double offset = (fromRight * right + fromLeft * left) / (right + left);
        const double hz = (k + offset) * binHz;
        const double amplitude = 4.0 * centre / (size * hannLobe(offset));
        m_peaks.push_back({hz, 1200.0 * std::log2(hz / m_nominal), amplitude});
        strongest = std::max(strongest, amplitude);
        k += 2;  // the next two bins are this peak's slope
    }
    const double weakest = std::max(SilentAmplitude, strongest * std::pow(10.0, -RangeDb / 20.0));
    m_peaks.erase(std::remove_if(m_peaks.begin(), m_peaks.end(),
                                 [weakest](const Peak &peak) { return peak.amplitude < weakest; }),
                  m_peaks.end());
}

bool TuningEstimator::isOvertone(const Peak &peak) const
{
    for (const Peak &lower : m_peaks) {
        if (lower.hz * 2.5 > peak.hz)
            break;  // in order of frequency
        const int multiple = int(std::lround(peak.hz / lower.hz));
        if (multiple > HighestOvertone || (multiple & (multiple - 1)) == 0)
            continue;  // octaves lie on the grid
        if (std::abs(peak.cents - lower.cents - 1200.0 * std::log2(double(multiple))) < OvertoneCents)
            return true;
    }
    return false;
}

TuningEstimator::Result TuningEstimator::result() const
{
    if (m_sumWeight <= 0.0)
        return {m_nominal, 0.0, 0.0, 0};
    double cents = std::atan2(m_sumSin, m_sumCos) * 100.0 / (2.0 * Pi);
    if (cents <= -50.0)
        cents += 100.0;
    // The resultant's length, less what the same weights at random places
    // would give by chance (its expected square is the sum of the squared
    // weights): 0 for peaks all over the circle, 1 for peaks on one grid.
    const double resultant = m_sumCos * m_sumCos + m_sumSin * m_sumSin;
    const double chance = m_sumWeightSquared;
    const double whole = m_sumWeight * m_sumWeight;
    const double agreement = whole > chance ? std::clamp((resultant - chance) / (whole - chance), 0.0, 1.0) : 0.0;
    const double enough = EnoughTonalSeconds * m_rate / m_hop;
    const double confidence = std::sqrt(agreement) * std::min(1.0, m_framesUsed / enough);
    return {m_nominal * std::pow(2.0, cents / 1200.0), cents, confidence, m_framesUsed};
}

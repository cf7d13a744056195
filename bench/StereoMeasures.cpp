#include "StereoMeasures.h"

#include "dsp/RealFft.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace StereoMeasures {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double QuietBandPower = 1e-8; // -80 dBFS, for the part of a spectrum above a frequency
constexpr double QuietSource = 1e-6;    // -60 dBFS: blocks too quiet for the band levels
constexpr double BandFloorDb = 60.0;    // band levels this far below a block's loudest are noise
constexpr double SilencePower = 1e-12;  // -120 dBFS

long long framesOf(const std::vector<float> &stereo)
{
    return (long long)(stereo.size() / 2);
}

double dB(double power)
{
    return 10.0 * std::log10(std::max(power, 1e-30));
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + long(middle), values.end());
    return values[middle];
}

// Hann-windowed power spectra of one channel's blocks.
class BlockSpectrum
{
public:
    explicit BlockSpectrum(int size)
        : m_fft(size)
        , m_window(size_t(size))
        , m_power(size_t(size / 2 + 1))
    {
        for (size_t i = 0; i < m_window.size(); ++i) {
            m_window[i] = float(0.5 - 0.5 * std::cos(2.0 * Pi * double(i) / double(size)));
            m_windowEnergy += double(m_window[i]) * m_window[i];
        }
    }

    // Transforms the block of `channel` that starts at frame `start`.
    const std::complex<float> *transform(const std::vector<float> &stereo, long long start, int channel)
    {
        const float *in = stereo.data() + size_t(start) * 2 + size_t(channel);
        for (size_t i = 0; i < m_window.size(); ++i)
            m_fft.input()[i] = in[i * 2] * m_window[i];
        m_fft.transform();
        return m_fft.output();
    }

    // Power per bin of the last transform.
    const std::vector<double> &power()
    {
        for (size_t k = 0; k < m_power.size(); ++k)
            m_power[k] = std::norm(m_fft.output()[k]);
        return m_power;
    }

    // The mean power of the signal whose one-sided bins sum to binSum.
    double meanPower(double binSum) const { return 2.0 * binSum / (double(m_window.size()) * m_windowEnergy); }

    int size() const { return m_fft.size(); }

private:
    RealFft m_fft;
    std::vector<float> m_window;
    std::vector<double> m_power;
    double m_windowEnergy = 0.0;
};

// The power in [low, high) Hz, each bin spread evenly over its width.
double bandPower(const std::vector<double> &power, double binHz, double low, double high)
{
    const long long last = (long long)power.size() - 1;
    const long long from = std::max(0LL, (long long)std::floor(low / binHz - 0.5));
    const long long to = std::min(last, (long long)std::ceil(high / binHz + 0.5));
    double sum = 0.0;
    for (long long k = from; k <= to; ++k) {
        const double overlap = std::min(high, (double(k) + 0.5) * binHz) - std::max(low, (double(k) - 0.5) * binHz);
        if (overlap > 0.0)
            sum += power[size_t(k)] * overlap / binHz;
    }
    return sum;
}

// The 1/3-octave bands from 200 Hz to 10 kHz, by their centres 1 kHz × 2^(k/3).
std::vector<double> bandCentres()
{
    std::vector<double> centres;
    for (int k = -7; k <= 10; ++k)
        centres.push_back(1000.0 * std::pow(2.0, k / 3.0));
    return centres;
}

// Band levels of one block and channel, in dB, of bands whose edges are
// divided by `scale`.
std::vector<double> bandLevels(const std::vector<double> &power, double binHz, double scale)
{
    const double halfBand = std::pow(2.0, 1.0 / 6.0);
    std::vector<double> levels;
    for (double centre : bandCentres())
        levels.push_back(dB(bandPower(power, binHz, centre / halfBand / scale, centre * halfBand / scale)));
    return levels;
}

// The mean power of (L² + R²) / 2 over frames [begin, end) of a prefix sum.
double meanOver(const std::vector<double> &prefix, long long begin, long long end)
{
    return (prefix[size_t(end)] - prefix[size_t(begin)]) / double(std::max(1LL, end - begin));
}

} // namespace

int blockFrames(int sampleRate)
{
    return std::max(64, int(std::lround(2048.0 * sampleRate / 44100.0)));
}

double channelCorrelationAbove(const std::vector<float> &stereo, int sampleRate, double fromHz)
{
    const int n = blockFrames(sampleRate);
    BlockSpectrum left(n), right(n);
    const size_t firstBin = size_t(std::ceil(fromHz * n / sampleRate));
    double sum = 0.0;
    long long blocks = 0;
    for (long long start = 0; start + n <= framesOf(stereo); start += n / 2) {
        const std::complex<float> *l = left.transform(stereo, start, 0);
        const std::complex<float> *r = right.transform(stereo, start, 1);
        double ll = 0.0, rr = 0.0, lr = 0.0;
        for (size_t k = firstBin; k <= size_t(n / 2); ++k) {
            ll += std::norm(l[k]);
            rr += std::norm(r[k]);
            lr += double((l[k] * std::conj(r[k])).real());
        }
        if (left.meanPower(ll) < QuietBandPower || right.meanPower(rr) < QuietBandPower)
            continue;
        sum += lr / std::sqrt(ll * rr);
        ++blocks;
    }
    return blocks ? sum / double(blocks) : 0.0;
}

double bandDistanceDb(const std::vector<float> &source, const std::vector<float> &output, int sampleRate,
                      double pitchRatio)
{
    // Four blocks: the 200 Hz band gets 8 bins rather than 2, and the few ms
    // by which a splicing stretcher moves a note do not count as timbre.
    const int n = 4 * blockFrames(sampleRate);
    const double binHz = double(sampleRate) / n;
    BlockSpectrum spectrum(n);
    std::vector<double> distances;
    const long long frames = std::min(framesOf(source), framesOf(output));
    for (long long start = 0; start + n <= frames; start += n / 2) {
        std::vector<double> from, to;
        double sourcePower = 0.0;
        for (int c = 0; c < 2; ++c) {
            spectrum.transform(source, start, c);
            const std::vector<double> &power = spectrum.power();
            for (double p : power)
                sourcePower += p;
            const std::vector<double> s = bandLevels(power, binHz, pitchRatio);
            from.insert(from.end(), s.begin(), s.end());
            spectrum.transform(output, start, c);
            const std::vector<double> o = bandLevels(spectrum.power(), binHz, 1.0);
            to.insert(to.end(), o.begin(), o.end());
        }
        if (spectrum.meanPower(sourcePower / 2.0) < QuietSource)
            continue;
        const double floor = *std::max_element(from.begin(), from.end()) - BandFloorDb;
        double squares = 0.0;
        for (size_t b = 0; b < from.size(); ++b) {
            const double d = std::max(to[b], floor) - std::max(from[b], floor);
            squares += d * d;
        }
        distances.push_back(std::sqrt(squares / double(from.size())));
    }
    return median(distances);
}

std::vector<long long> sharpOnsets(const std::vector<float> &stereo, int sampleRate, double riseDb)
{
    // Mean power in steps of 1 ms, as a prefix sum.
    const long long step = std::max(1, int(std::lround(sampleRate / 1000.0)));
    const long long steps = framesOf(stereo) / step;
    std::vector<double> prefix(size_t(steps) + 1, 0.0);
    for (long long i = 0; i < steps; ++i) {
        double sum = 0.0;
        for (long long f = i * step; f < (i + 1) * step; ++f) {
            const double l = stereo[size_t(f) * 2], r = stereo[size_t(f) * 2 + 1];
            sum += 0.5 * (l * l + r * r);
        }
        prefix[size_t(i) + 1] = prefix[size_t(i)] + sum / double(step);
    }
    const double rise = std::pow(10.0, riseDb / 10.0);
    std::vector<std::pair<double, long long>> candidates;  // (rise, step)
    for (long long i = 42; i + 10 <= steps; ++i) {
        const double before = meanOver(prefix, i - 42, i - 2);
        const double after = meanOver(prefix, i, i + 10);
        if (after >= 1e-4 && after >= before * rise)
            candidates.emplace_back(after / std::max(before, 1e-20), i);
    }
    std::sort(candidates.begin(), candidates.end(), std::greater<>());
    std::vector<long long> onsets;
    for (const auto &[ratio, i] : candidates) {
        const bool isolated = std::none_of(onsets.begin(), onsets.end(),
                                           [i = i](long long o) { return std::abs(o - i) < 100; });
        if (isolated)
            onsets.push_back(i);
    }
    std::sort(onsets.begin(), onsets.end());
    for (long long &o : onsets)
        o *= step;
    return onsets;
}

std::vector<float> isolatedHits(const std::vector<float> &stereo, int sampleRate,
                                const std::vector<long long> &onsets, std::vector<long long> *hitOnsets)
{
    const auto ms = [sampleRate](double v) { return (long long)std::llround(v * sampleRate / 1000.0); };
    const long long lead = ms(2.0), length = ms(300.0), spacing = ms(500.0);
    const long long fadeIn = ms(1.0), fadeOut = ms(30.0);
    std::vector<float> hits;
    hitOnsets->clear();
    for (long long onset : onsets) {
        const long long from = onset - lead;
        if (from < 0 || from + length > framesOf(stereo))
            continue;
        const long long at = (long long)hits.size() / 2 + spacing - length;
        hits.resize(size_t(at + length) * 2, 0.0f);
        for (long long f = 0; f < length; ++f) {
            double gain = 1.0;
            if (f < fadeIn)
                gain = 0.5 - 0.5 * std::cos(Pi * double(f) / double(fadeIn));
            else if (f >= length - fadeOut)
                gain = 0.5 + 0.5 * std::cos(Pi * double(f - (length - fadeOut)) / double(fadeOut));
            for (size_t c = 0; c < 2; ++c)
                hits[size_t(at + f) * 2 + c] = float(gain * stereo[size_t(from + f) * 2 + c]);
        }
        hitOnsets->push_back(at + lead);
    }
    hits.resize(hits.size() + size_t(spacing) * 2, 0.0f);  // room for the last hit's tail
    return hits;
}

std::vector<float> sharpHits(int sampleRate, int count, std::vector<long long> *hitOnsets)
{
    const long long length = std::lround(0.3 * sampleRate), silence = std::lround(0.2 * sampleRate);
    const long long fadeOut = std::lround(0.03 * sampleRate);
    std::vector<float> hits(size_t((length + silence) * count + silence) * 2, 0.0f);
    hitOnsets->clear();
    unsigned noiseState = 12345;
    auto noise = [&noiseState] {
        noiseState = noiseState * 1664525u + 1013904223u;
        return double(noiseState >> 8) / double(1u << 24) * 2.0 - 1.0;
    };
    for (int i = 0; i < count; ++i) {
        const long long at = silence + i * (length + silence);
        hitOnsets->push_back(at);
        double phase = 0.0, previous = 0.0;
        for (long long f = 0; f < length; ++f) {
            const double t = double(f) / sampleRate;
            const double fade = f < length - fadeOut ? 1.0 : double(length - f) / double(fadeOut);
            const double a = noise(), b = noise();
            double left = 0.0, right = 0.0;
            switch (i % 4) {
            case 0: // kick: a sine falling from 150 to 50 Hz
                phase += 2.0 * Pi * (50.0 + 100.0 * std::exp(-t / 0.03)) / sampleRate;
                left = right = 0.6 * std::sin(phase) * std::exp(-t / 0.15);
                break;
            case 1: // snare: noise and a drum tone, left of the middle
                left = (0.4 * a + 0.3 * std::sin(2.0 * Pi * 190.0 * t)) * std::exp(-t / 0.06);
                right = 0.6 * left + 0.2 * b * std::exp(-t / 0.06);
                break;
            case 2: // hi-hat: differentiated noise, right of the middle
                right = 0.5 * (a - previous) * std::exp(-t / 0.02);
                left = 0.5 * right;
                previous = a;
                break;
            default: // plucked string, 330 Hz, slightly wide
                for (int h = 1; h <= 6; ++h)
                    left += std::sin(2.0 * Pi * 330.0 * h * t) * 0.3 / h;
                left *= std::exp(-t / 0.3);
                right = 0.8 * left + 0.05 * b * std::exp(-t / 0.3);
                break;
            }
            hits[size_t(at + f) * 2] = float(fade * left);
            hits[size_t(at + f) * 2 + 1] = float(fade * right);
        }
    }
    return hits;
}

Transients transientsAt(const std::vector<float> &stereo, int sampleRate, const std::vector<long long> &onsets)
{
    const auto ms = [sampleRate](double v) { return (long long)std::llround(v * sampleRate / 1000.0); };
    const long long begin = ms(45.0), end = ms(36.0), halfWindow = std::max(1LL, ms(0.5));
    std::vector<double> preEchoes, attacks;
    for (long long onset : onsets) {
        if (onset - begin < 0 || onset + end > framesOf(stereo))
            continue;
        // Power prefix sums over [onset - begin, onset + end).
        const long long first = onset - begin;
        std::vector<double> prefix(size_t(begin + end) + 1, 0.0);
        for (long long f = 0; f < begin + end; ++f) {
            const double l = stereo[size_t(first + f) * 2], r = stereo[size_t(first + f) * 2 + 1];
            prefix[size_t(f) + 1] = prefix[size_t(f)] + 0.5 * (l * l + r * r);
        }
        const long long at = begin;  // the onset, in the prefix
        const double before = std::max(SilencePower, meanOver(prefix, at - ms(42.0), at - ms(2.0)));
        preEchoes.push_back(dB(before) - dB(meanOver(prefix, at, at + ms(10.0))));
        auto envelope = [&](long long i) {
            return std::sqrt(meanOver(prefix, std::max(0LL, i - halfWindow), std::min(begin + end, i + halfWindow)));
        };
        long long top = at - ms(5.0);
        for (long long i = top; i <= at + ms(30.0); ++i) {
            if (envelope(i) > envelope(top))
                top = i;
        }
        const double peak = envelope(top);
        long long i = top;
        const long long earliest = at - ms(40.0);
        while (i > earliest && envelope(i - 1) >= 0.9 * peak)
            --i;
        const long long ninety = i;
        while (i > earliest && envelope(i - 1) >= 0.1 * peak)
            --i;
        attacks.push_back(double(ninety - i) * 1000.0 / sampleRate);
    }
    return {median(preEchoes), median(attacks), int(preEchoes.size())};
}

} // namespace StereoMeasures

#include "support/AudioAnalysis.h"

#include "dsp/RealFft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>

namespace AudioAnalysis {

namespace {
constexpr double Pi = 3.14159265358979323846;

// Magnitude of the windowed signal's spectrum at any frequency.
double magnitudeAt(const std::vector<double> &windowed, double frequency, int sampleRate)
{
    const std::complex<double> step = std::polar(1.0, -2.0 * Pi * frequency / sampleRate);
    std::complex<double> phase(1.0, 0.0);
    std::complex<double> sum(0.0, 0.0);
    for (size_t i = 0; i < windowed.size(); ++i) {
        sum += windowed[i] * phase;
        phase *= step;
        if ((i & 1023) == 1023)
            phase /= std::abs(phase);  // keep rounding from drifting
    }
    return std::abs(sum);
}

double pitchOf(const std::vector<float> &mono, size_t begin, size_t end, int sampleRate)
{
    const size_t n = end - begin;
    if (n < 16)
        return 0.0;
    std::vector<double> windowed(n);
    for (size_t i = 0; i < n; ++i)
        windowed[i] = mono[begin + i] * (0.5 - 0.5 * std::cos(2.0 * Pi * double(i) / double(n - 1)));

    size_t size = 1;
    while (size < 4 * n)
        size <<= 1;
    // The engine's transform finds the strongest bin; the search below
    // refines it in double precision.
    RealFft fft{int(size)};
    std::fill_n(fft.input(), size, 0.0f);
    std::copy(windowed.begin(), windowed.end(), fft.input());
    fft.transform();
    size_t peak = 1;
    for (size_t k = 1; k < size / 2; ++k) {
        if (std::abs(fft.output()[k]) > std::abs(fft.output()[peak]))
            peak = k;
    }

    // Golden-section search for the maximum of the continuous spectrum
    // around the strongest bin.
    const double binHz = double(sampleRate) / double(size);
    double lo = (double(peak) - 1.0) * binHz;
    double hi = (double(peak) + 1.0) * binHz;
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double x1 = hi - ratio * (hi - lo);
    double x2 = lo + ratio * (hi - lo);
    double f1 = magnitudeAt(windowed, x1, sampleRate);
    double f2 = magnitudeAt(windowed, x2, sampleRate);
    while (hi - lo > 1e-5) {
        if (f1 < f2) {
            lo = x1;
            x1 = x2;
            f1 = f2;
            x2 = lo + ratio * (hi - lo);
            f2 = magnitudeAt(windowed, x2, sampleRate);
        } else {
            hi = x2;
            x2 = x1;
            f2 = f1;
            x1 = hi - ratio * (hi - lo);
            f1 = magnitudeAt(windowed, x1, sampleRate);
        }
    }
    return (lo + hi) / 2.0;
}

size_t frameAt(const AudioBuffer &audio, double second)
{
    const double frame = std::clamp(second * audio.sampleRate, 0.0, double(audio.frames()));
    return size_t(std::llround(frame));
}

// RMS over a sliding 5 ms window, one value every `decimation` frames.
std::vector<double> envelope(const AudioBuffer &audio, int decimation)
{
    const std::vector<float> mono = audio.mono();
    std::vector<double> prefix(mono.size() + 1, 0.0);
    for (size_t i = 0; i < mono.size(); ++i)
        prefix[i + 1] = prefix[i] + double(mono[i]) * mono[i];
    const long long half = std::max(1, audio.sampleRate / 400);
    std::vector<double> out;
    for (long long i = 0; i < (long long)mono.size(); i += decimation) {
        const long long a = std::max(0LL, i - half);
        const long long b = std::min((long long)mono.size(), i + half);
        out.push_back(std::sqrt((prefix[size_t(b)] - prefix[size_t(a)]) / double(b - a)));
    }
    return out;
}
} // namespace

double pitch(const AudioBuffer &audio, double fromSecond, double toSecond)
{
    return pitchOf(audio.mono(), frameAt(audio, fromSecond), frameAt(audio, toSecond), audio.sampleRate);
}

std::vector<double> pitchTrack(const AudioBuffer &audio, double windowSeconds,
                               double fromSecond, double toSecond)
{
    const std::vector<float> mono = audio.mono();
    std::vector<double> track;
    for (double t = fromSecond; t + windowSeconds <= toSecond + 1e-9; t += windowSeconds)
        track.push_back(pitchOf(mono, frameAt(audio, t), frameAt(audio, t + windowSeconds), audio.sampleRate));
    return track;
}

double lagFrames(const AudioBuffer &reference, const AudioBuffer &signal, double maxLagSeconds)
{
    // Envelopes at about 11 kHz, whatever the rate.
    const int Decimation = std::max(1, int(std::lround(reference.sampleRate / 11025.0)));
    const std::vector<double> a = envelope(reference, Decimation);
    const std::vector<double> b = envelope(signal, Decimation);
    const long long maxLag = (long long)std::ceil(maxLagSeconds * reference.sampleRate / Decimation);

    auto correlation = [&](long long lag) {
        double sum = 0.0;
        double energyA = 0.0;
        double energyB = 0.0;
        for (long long i = 0; i < (long long)a.size(); ++i) {
            const long long j = i + lag;
            if (j < 0 || j >= (long long)b.size())
                continue;
            sum += a[size_t(i)] * b[size_t(j)];
            energyA += a[size_t(i)] * a[size_t(i)];
            energyB += b[size_t(j)] * b[size_t(j)];
        }
        return energyA > 0.0 && energyB > 0.0 ? sum / std::sqrt(energyA * energyB) : 0.0;
    };

    long long best = -maxLag;
    double bestValue = correlation(best);
    std::vector<double> values(size_t(2 * maxLag + 1));
    for (long long lag = -maxLag; lag <= maxLag; ++lag) {
        values[size_t(lag + maxLag)] = correlation(lag);
        if (values[size_t(lag + maxLag)] > bestValue) {
            bestValue = values[size_t(lag + maxLag)];
            best = lag;
        }
    }
    // Parabolic interpolation between the decimated lags.
    double offset = 0.0;
    if (best > -maxLag && best < maxLag) {
        const double l = values[size_t(best - 1 + maxLag)];
        const double c = values[size_t(best + maxLag)];
        const double r = values[size_t(best + 1 + maxLag)];
        const double denominator = l - 2.0 * c + r;
        if (denominator < 0.0)
            offset = 0.5 * (l - r) / denominator;
    }
    return (double(best) + offset) * Decimation;
}

double levelDb(const AudioBuffer &audio, double frequency, double fromSecond, double toSecond)
{
    const std::vector<float> mono = audio.mono();
    const size_t begin = std::min(mono.size(), size_t(std::max(0.0, fromSecond) * audio.sampleRate));
    const size_t end = std::min(mono.size(), size_t(std::max(0.0, toSecond) * audio.sampleRate));
    if (end <= begin + 16)
        return -1000.0;
    const size_t n = end - begin;
    std::vector<double> windowed(n);
    for (size_t i = 0; i < n; ++i)
        windowed[i] = mono[begin + i] * (0.5 - 0.5 * std::cos(2.0 * Pi * double(i) / double(n - 1)));
    // A sine of amplitude A sums to A n / 4 under a Hann window.
    const double amplitude = 4.0 * magnitudeAt(windowed, frequency, audio.sampleRate) / double(n);
    return 20.0 * std::log10(std::max(amplitude, 1e-30));
}

std::vector<double> segmentLags(const AudioBuffer &reference, const AudioBuffer &signal,
                                double segmentSeconds, double maxLagSeconds)
{
    const long long length = std::llround(segmentSeconds * reference.sampleRate);
    const long long frames = std::min(reference.frames(), signal.frames());
    auto part = [](const AudioBuffer &audio, long long begin, long long end) {
        AudioBuffer out{audio.sampleRate, audio.channels, {}};
        out.samples.assign(audio.samples.begin() + begin * audio.channels,
                           audio.samples.begin() + end * audio.channels);
        return out;
    };
    std::vector<double> lags;
    for (long long begin = 0; begin + length / 2 <= frames && length > 0; begin += length) {
        const long long end = std::min(frames, begin + length);
        lags.push_back(lagFrames(part(reference, begin, end), part(signal, begin, end), maxLagSeconds));
    }
    return lags;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

float peak(const std::vector<float> &samples)
{
    float result = 0.0f;
    for (float s : samples)
        result = std::max(result, std::abs(s));
    return result;
}

double cents(double frequency, double reference)
{
    return 1200.0 * std::log2(frequency / reference);
}

} // namespace AudioAnalysis

namespace AudioAnalysis {

namespace {

// About 46 ms: the power of two nearest.
int speechFrameSize(int sampleRate)
{
    return 1 << int(std::lround(std::log2(0.046 * sampleRate)));
}

// The frame of the mono mix that starts there, under a Hann window.
std::vector<float> speechFrame(const std::vector<float> &mono, long long start, int size)
{
    std::vector<float> frame(size_t(size), 0.0f);
    for (int i = 0; i < size && start + i < (long long)mono.size(); ++i)
        frame[size_t(i)] = mono[size_t(start + i)] * float(0.5 - 0.5 * std::cos(2.0 * Pi * i / (size - 1)));
    return frame;
}

double fundamentalOf(const std::vector<float> &frame, int sampleRate)
{
    const int lowest = std::max(2, sampleRate / 400);
    const int highest = sampleRate / 70;
    std::vector<double> r(size_t(highest + 2), 0.0);
    for (int lag = 0; lag <= highest + 1; lag = lag == 0 ? lowest - 1 : lag + 1) {
        for (size_t i = 0; i + size_t(lag) < frame.size(); ++i)
            r[size_t(lag)] += double(frame[i]) * frame[i + size_t(lag)];
        // Against the energy, corrected for the window's taper over the lag.
        if (lag > 0)
            r[size_t(lag)] /= std::max(1e-30, r[0]) * (1.0 - double(lag) / double(frame.size()));
    }
    const int best = int(std::max_element(r.begin() + lowest, r.begin() + highest + 1) - r.begin());
    if (r[size_t(best)] < 0.6)
        return 0.0;
    const double l = r[size_t(best - 1)], c = r[size_t(best)], h = r[size_t(best + 1)];
    return sampleRate / (best + (l - 2.0 * c + h < 0.0 ? 0.5 * (l - h) / (l - 2.0 * c + h) : 0.0));
}

// The log spectrum (dB) of a frame, bin by bin up to half its size, smoothed
// by its real cepstrum's coefficients up to 1.5 ms (cosine sums: the log
// spectrum is even).
std::vector<double> envelopeOf(const std::vector<float> &frame, int sampleRate)
{
    const int n = int(frame.size());
    RealFft fft(n);
    std::copy(frame.begin(), frame.end(), fft.input());
    fft.transform();
    std::vector<double> logSpectrum(size_t(n / 2 + 1));
    for (int k = 0; k <= n / 2; ++k)
        logSpectrum[size_t(k)] = 20.0 * std::log10(std::abs(fft.output()[k]) + 1e-9);
    const int kept = int(0.0015 * sampleRate);
    std::vector<double> cepstrum(size_t(kept + 1), 0.0);
    for (int q = 0; q <= kept; ++q) {
        for (int k = 0; k < n; ++k)
            cepstrum[size_t(q)] += logSpectrum[size_t(std::min(k, n - k))] * std::cos(2.0 * Pi * q * k / n) / n;
    }
    std::vector<double> envelope(logSpectrum.size(), cepstrum[0]);
    for (int k = 0; k <= n / 2; ++k) {
        for (int q = 1; q <= kept; ++q)
            envelope[size_t(k)] += 2.0 * cepstrum[size_t(q)] * std::cos(2.0 * Pi * q * k / n);
    }
    return envelope;
}

} // namespace

double fundamentalAt(const AudioBuffer &audio, long long start)
{
    return fundamentalOf(speechFrame(audio.mono(), start, speechFrameSize(audio.sampleRate)), audio.sampleRate);
}

std::vector<VoicedFrame> voicedFrames(const AudioBuffer &audio)
{
    const std::vector<float> mono = audio.mono();
    const int size = speechFrameSize(audio.sampleRate);
    std::vector<std::pair<long long, double>> energies;
    for (long long start = 0; start + size <= (long long)mono.size(); start += size / 2) {
        const auto begin = mono.begin() + start;
        energies.emplace_back(start, std::inner_product(begin, begin + size, begin, 0.0));
    }
    double loudest = 0.0;
    for (const auto &frame : energies)
        loudest = std::max(loudest, frame.second);
    std::vector<VoicedFrame> voiced;
    for (const auto &[start, energy] : energies) {
        const double f0 = energy >= 0.01 * loudest ? fundamentalOf(speechFrame(mono, start, size), audio.sampleRate)
                                                   : 0.0;
        if (f0 > 0.0)
            voiced.push_back({start, f0});
    }
    return voiced;
}

double envelopeDistanceDb(const AudioBuffer &a, const AudioBuffer &b, const std::vector<VoicedFrame> &frames)
{
    const std::vector<float> monoA = a.mono();
    const std::vector<float> monoB = b.mono();
    const int size = speechFrameSize(a.sampleRate);
    const int low = int(std::ceil(100.0 * size / a.sampleRate));
    const int high = int(5000.0 * size / a.sampleRate);
    double sum = 0.0;
    for (const VoicedFrame &frame : frames) {
        const std::vector<double> x = envelopeOf(speechFrame(monoA, frame.start, size), a.sampleRate);
        const std::vector<double> y = envelopeOf(speechFrame(monoB, frame.start, size), b.sampleRate);
        std::vector<double> difference(x.begin() + low, x.begin() + high + 1);
        for (size_t k = 0; k < difference.size(); ++k)
            difference[k] -= y[size_t(low) + k];
        // The level apart, the shape compared.
        const double mean = std::accumulate(difference.begin(), difference.end(), 0.0) / double(difference.size());
        for (double d : difference)
            sum += (d - mean) * (d - mean) / double(difference.size() * frames.size());
    }
    return std::sqrt(sum);
}

double channelCorrelation(const AudioBuffer &stereo)
{
    const long long n = std::max(64L, std::lround(2048.0 * stereo.sampleRate / 44100.0));
    const double quiet = 1e-7 * double(n);
    double sum = 0.0;
    long long blocks = 0;
    for (long long start = 0; start + n <= stereo.frames(); start += n) {
        double ll = 0.0, rr = 0.0, lr = 0.0;
        for (long long f = start; f < start + n; ++f) {
            const double l = stereo.samples[size_t(f) * 2], r = stereo.samples[size_t(f) * 2 + 1];
            ll += l * l;
            rr += r * r;
            lr += l * r;
        }
        if (ll >= quiet && rr >= quiet) {
            sum += lr / std::sqrt(ll * rr);
            ++blocks;
        }
    }
    return blocks ? sum / double(blocks) : 0.0;
}

double sideToMidDb(const AudioBuffer &stereo)
{
    double mid = 1e-30, side = 1e-30;
    for (size_t i = 0; i + 1 < stereo.samples.size(); i += 2) {
        const double m = 0.5 * (double(stereo.samples[i]) + stereo.samples[i + 1]);
        const double s = 0.5 * (double(stereo.samples[i]) - stereo.samples[i + 1]);
        mid += m * m;
        side += s * s;
    }
    return 10.0 * std::log10(side / mid);
}

} // namespace AudioAnalysis

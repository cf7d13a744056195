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

int speechFrameSize(int sampleRate)
{
    int size = 256;
    while (size * 2 <= std::lround(0.046 * sampleRate * 1.5))
        size *= 2;
    return size;
}

// The frame's samples of the mono mix under a Hann window, and its RMS.
std::vector<float> speechFrame(const std::vector<float> &mono, long long start, int size, double *rms = nullptr)
{
    std::vector<float> frame(size_t(size), 0.0f);
    double energy = 0.0;
    for (int i = 0; i < size && start + i < (long long)mono.size(); ++i) {
        energy += double(mono[size_t(start + i)]) * mono[size_t(start + i)];
        frame[size_t(i)] = mono[size_t(start + i)] * float(0.5 - 0.5 * std::cos(2.0 * Pi * i / (size - 1)));
    }
    if (rms)
        *rms = std::sqrt(energy / size);
    return frame;
}

double fundamentalOf(const std::vector<float> &frame, int sampleRate)
{
    const int lowest = sampleRate / 400;
    const int highest = sampleRate / 70;
    double zero = 0.0;
    for (float s : frame)
        zero += double(s) * s;
    std::vector<double> r(size_t(highest + 2), 0.0);
    for (int lag = lowest - 1; lag <= highest + 1 && zero > 0.0; ++lag) {
        for (size_t i = 0; i + size_t(lag) < frame.size(); ++i)
            r[size_t(lag)] += double(frame[i]) * frame[i + size_t(lag)];
        // Corrected for the window's taper, which shortens longer lags.
        r[size_t(lag)] /= zero * (1.0 - double(lag) / double(frame.size()));
    }
    int best = lowest;
    for (int lag = lowest; lag <= highest; ++lag) {
        if (r[size_t(lag)] > r[size_t(best)])
            best = lag;
    }
    if (r[size_t(best)] < 0.6)
        return 0.0;
    const double l = r[size_t(best - 1)], c = r[size_t(best)], h = r[size_t(best + 1)];
    const double denominator = l - 2.0 * c + h;
    const double offset = denominator < 0.0 ? 0.5 * (l - h) / denominator : 0.0;
    return sampleRate / (best + offset);
}

// The smoothed log spectrum (dB) of a frame, bin by bin up to half its size.
std::vector<double> envelopeOf(const std::vector<float> &frame, int sampleRate)
{
    const int n = int(frame.size());
    RealFft fft(n);
    std::copy(frame.begin(), frame.end(), fft.input());
    fft.transform();
    std::vector<double> logSpectrum(size_t(n / 2 + 1));
    for (int k = 0; k <= n / 2; ++k)
        logSpectrum[size_t(k)] = 20.0 * std::log10(std::abs(fft.output()[k]) + 1e-9);
    // The real cepstrum's first coefficients, as the log spectrum is even.
    const int kept = int(0.0015 * sampleRate);
    std::vector<double> cepstrum(size_t(kept + 1), 0.0);
    for (int q = 0; q <= kept; ++q) {
        for (int k = 0; k < n; ++k) {
            const int bin = k <= n / 2 ? k : n - k;
            cepstrum[size_t(q)] += logSpectrum[size_t(bin)] * std::cos(2.0 * Pi * q * k / n) / n;
        }
    }
    std::vector<double> envelope(logSpectrum.size());
    for (int k = 0; k <= n / 2; ++k) {
        double sum = cepstrum[0];
        for (int q = 1; q <= kept; ++q)
            sum += 2.0 * cepstrum[size_t(q)] * std::cos(2.0 * Pi * q * k / n);
        envelope[size_t(k)] = sum;
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
    std::vector<std::pair<long long, double>> levels;
    double loudest = 0.0;
    for (long long start = 0; start + size <= (long long)mono.size(); start += size / 2) {
        double rms = 0.0;
        speechFrame(mono, start, size, &rms);
        levels.emplace_back(start, rms);
        loudest = std::max(loudest, rms);
    }
    std::vector<VoicedFrame> voiced;
    for (const auto &[start, rms] : levels) {
        const double f0 = rms >= 0.1 * loudest ? fundamentalOf(speechFrame(mono, start, size), audio.sampleRate) : 0.0;
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
    const int lowBin = int(std::ceil(100.0 * size / a.sampleRate));
    const int highBin = int(5000.0 * size / a.sampleRate);
    double sum = 0.0;
    long long count = 0;
    for (const VoicedFrame &frame : frames) {
        const std::vector<double> x = envelopeOf(speechFrame(monoA, frame.start, size), a.sampleRate);
        const std::vector<double> y = envelopeOf(speechFrame(monoB, frame.start, size), b.sampleRate);
        double mean = 0.0;
        for (int k = lowBin; k <= highBin; ++k)
            mean += (x[size_t(k)] - y[size_t(k)]) / (highBin - lowBin + 1);
        for (int k = lowBin; k <= highBin; ++k, ++count)
            sum += std::pow(x[size_t(k)] - y[size_t(k)] - mean, 2.0);
    }
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}

} // namespace AudioAnalysis

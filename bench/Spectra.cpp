#include "Spectra.h"

#include "dsp/RealFft.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr size_t FrameSize = 2048;
constexpr size_t Hop = 1024;
// Full scale sine in a Hann window of FrameSize: |X| = FrameSize / 4.
const float FullScaleDb = float(20.0 * std::log10(FrameSize / 4.0));

} // namespace

Spectra spectraOf(const AudioBuffer &audio, int channel)
{
    Spectra s;
    s.firstBin = size_t(std::ceil(40.0 * FrameSize / audio.sampleRate));
    s.bins = size_t(16000.0 * FrameSize / audio.sampleRate) - s.firstBin;
    std::vector<float> window(FrameSize);
    for (size_t i = 0; i < FrameSize; ++i)
        window[i] = float(0.5 - 0.5 * std::cos(2.0 * Pi * double(i) / double(FrameSize)));
    RealFft fft{int(FrameSize)};
    for (long long start = 0; start + (long long)FrameSize <= audio.frames(); start += Hop) {
        for (size_t i = 0; i < FrameSize; ++i)
            fft.input()[i] =
                audio.samples[size_t(start + (long long)i) * size_t(audio.channels) + size_t(channel)] * window[i];
        fft.transform();
        std::vector<float> db(s.bins);
        for (size_t k = 0; k < s.bins; ++k)
            db[k] = float(10.0 * std::log10(std::norm(fft.output()[s.firstBin + k]) + 1e-20));
        s.frames.push_back(std::move(db));
    }
    return s;
}

double spectralDifference(const std::vector<Spectra> &reference, const AudioBuffer &audio)
{
    double sum = 0.0;
    long long count = 0;
    for (int c = 0; c < audio.channels; ++c) {
        const Spectra other = spectraOf(audio, c);
        const Spectra &ref = reference[size_t(c)];
        const size_t frames = std::min(ref.frames.size(), other.frames.size());
        for (size_t f = 0; f < frames; ++f) {
            const std::vector<float> &a = ref.frames[f];
            const std::vector<float> &b = other.frames[f];
            const float top = *std::max_element(a.begin(), a.end());
            if (top < FullScaleDb - 60.0f)
                continue;
            const float floor = top - 60.0f;
            for (size_t k = 0; k < a.size(); ++k) {
                sum += std::abs(std::max(a[k], floor) - std::max(b[k], floor));
                ++count;
            }
        }
    }
    return count ? sum / double(count) : 0.0;
}

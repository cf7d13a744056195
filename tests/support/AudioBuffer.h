#pragma once

#include <cstddef>
#include <vector>

// Interleaved float audio held in memory by the tests.
struct AudioBuffer
{
    int sampleRate = 44100;
    int channels = 2;
    std::vector<float> samples;
    // Where the first sample lies on its file's timeline, in seconds.
    double startSeconds = 0.0;

    long long frames() const { return channels > 0 ? (long long)(samples.size() / size_t(channels)) : 0; }
    double seconds() const { return sampleRate > 0 ? double(frames()) / sampleRate : 0.0; }

    // The average of all channels.
    std::vector<float> mono() const
    {
        std::vector<float> out(static_cast<size_t>(frames()));
        for (size_t f = 0; f < out.size(); ++f) {
            float sum = 0.0f;
            for (int c = 0; c < channels; ++c)
                sum += samples[f * size_t(channels) + size_t(c)];
            out[f] = sum / float(channels);
        }
        return out;
    }
};

#pragma once

#include "dsp/PitchShifter.h"
#include "support/AudioBuffer.h"

#include <algorithm>
#include <vector>

// Feeds a whole signal to a pitch shifter in blocks of `block` frames, as
// a decoder hands them over, and takes out what is ready after each,
// keeping nothing: the cost of the library and its wrapper alone.
inline void feedThrough(PitchShifter &plugin, const AudioBuffer &audio, int block)
{
    std::vector<float> out(size_t(block) * 4 * size_t(audio.channels));
    const int outFrames = int(out.size()) / audio.channels;
    auto drain = [&] {
        while (plugin.receive(out.data(), outFrames) > 0) {
        }
    };
    for (long long done = 0; done < audio.frames(); done += block) {
        const int n = int(std::min<long long>(block, audio.frames() - done));
        plugin.put(audio.samples.data() + done * audio.channels, n);
        drain();
    }
    plugin.finish();
    drain();
}

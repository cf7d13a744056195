#pragma once

#include "engine/TempoPitchProcessorPlugin.h"
#include "support/AudioBuffer.h"

#include <algorithm>
#include <vector>

// Feeds a whole signal to a pitch processor in blocks of `block` frames, as
// a decoder hands them over, and takes out what is ready after each,
// keeping nothing: the cost of the library and its wrapper alone.
inline void feedThrough(TempoPitchProcessorPlugin &plugin, const AudioBuffer &audio, double semiTones, int block)
{
    plugin.setTempo(1.0);
    plugin.setPitchSemiTones(semiTones);
    std::vector<float> out(size_t(block) * 4 * size_t(audio.channels));
    const int outFrames = int(out.size()) / audio.channels;
    auto drain = [&] {
        while (plugin.receiveSamples(out.data(), outFrames) > 0) {
        }
    };
    for (long long done = 0; done < audio.frames(); done += block) {
        const int n = int(std::min<long long>(block, audio.frames() - done));
        plugin.putSamples(audio.samples.data() + done * audio.channels, n, audio.channels);
        drain();
    }
    plugin.finish();
    drain();
}

#include "pipeline/DecodedPeak.h"

#include "media/AudioInput.h"
#include "media/SourceFile.h"
#include "pipeline/DecodeLoop.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

float DecodedPeak::of(const QString &path)
{
    SourceFile source;
    if (!source.open(path))
        return 0.0f;
    float peak = 0.0f;
    const auto largest = [&peak](const float *samples, int frames) {
        for (int i = 0; i < 2 * frames; ++i)
            peak = std::max(peak, std::abs(samples[i]));
        return true;
    };
    DecodeLoop loop(source);
    std::vector<std::unique_ptr<AudioInput>> inputs;
    for (int i = 0; i < source.streamCount(); ++i) {
        if (source.stream(i) != SourceFile::Stream::Audio)
            continue;
        auto input = std::make_unique<AudioInput>();
        if (!input->open(source, i))
            continue;
        input->setOutput(input->sourceRate(), 2, largest);
        loop.take(i, [input = input.get()](Packet &packet) {
            input->decode(packet);  // a damaged packet leaves the rest to measure
            return true;
        });
        inputs.push_back(std::move(input));
    }
    loop.run();
    for (const auto &input : inputs)
        input->finish();
    return peak;
}

#include "ProcessorRun.h"

#include "dsp/PitchShifter.h"

#include <algorithm>

namespace ProcessorRun {

AudioBuffer Result::aligned() const
{
    AudioBuffer out;
    out.sampleRate = output.sampleRate;
    out.channels = output.channels;
    const long long begin = std::min<long long>(startDelay, output.frames());
    const long long end = std::min(output.frames(), begin + framesIn);
    out.samples.assign(output.samples.begin() + begin * output.channels,
                       output.samples.begin() + end * output.channels);
    return out;
}

Result run(PitchShifter &processor, const AudioBuffer &input, int chunkFrames, int receiveFrames)
{
    Result result;
    result.output.sampleRate = input.sampleRate;
    result.output.channels = input.channels;
    result.framesIn = input.frames();
    std::vector<float> block(size_t(receiveFrames) * size_t(input.channels));

    auto take = [&](int atLeast) {
        while (processor.available() >= atLeast) {
            const int n = processor.receive(block.data(), receiveFrames);
            if (n <= 0)
                break;
            result.output.samples.insert(result.output.samples.end(), block.begin(),
                                         block.begin() + n * input.channels);
        }
    };

    for (long long done = 0; done < input.frames(); done += chunkFrames) {
        const int n = int(std::min<long long>(chunkFrames, input.frames() - done));
        processor.put(input.samples.data() + done * input.channels, n);
        take(receiveFrames);
    }
    processor.finish();
    take(1);
    result.startDelay = processor.startDelay();
    return result;
}

} // namespace ProcessorRun

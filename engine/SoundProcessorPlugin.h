#pragma once

// Streaming interface of a sound processor: interleaved 32-bit float frames
// in, processed frames out. All counts are frames (one sample per channel).
class SoundProcessorPlugin
{
public:
    virtual ~SoundProcessorPlugin() = default;

    // Feeds that many interleaved frames.
    virtual void putSamples(const float *samples, int frames, int channels) = 0;
    // Copies up to maxFrames processed frames into output; returns the count.
    virtual int receiveSamples(float *output, int maxFrames) = 0;
    // Frames held inside the processor.
    virtual int latency() const = 0;
    // Processed frames ready to be taken.
    virtual int availableSamples() const = 0;
    // Discards all buffered audio.
    virtual void reset() = 0;

    // The input has ended: process everything still held, so that the
    // output becomes available to receiveSamples. Call once, after the last
    // putSamples. Afterwards the processor has delivered at least
    // startDelay() frames more than it was given.
    virtual void finish() = 0;
    // Leading output frames that are processing delay and precede the first
    // input frame; dropping them aligns the output with the input. Valid once
    // tempo and pitch have their final values.
    virtual int startDelay() const = 0;

protected:
    SoundProcessorPlugin() = default;
    SoundProcessorPlugin(const SoundProcessorPlugin &) = delete;
    SoundProcessorPlugin &operator=(const SoundProcessorPlugin &) = delete;
};

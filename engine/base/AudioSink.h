#pragma once

#include "base/TranslatableText.h"

// Where processed audio goes: interleaved float frames in, in any chunking.
class AudioSink
{
public:
    virtual ~AudioSink() = default;

    // Takes `frames` frames. False when the sink has failed (error() says
    // why); nothing more is taken then.
    virtual bool write(const float *samples, int frames) = 0;
    // The end of the audio: everything written reaches its destination.
    virtual bool finish() = 0;
    // Gives up: nothing more is written, and nothing written is kept.
    virtual void discard() = 0;
    // What went wrong, in words; empty while all is well.
    virtual TranslatableText error() const = 0;

protected:
    AudioSink() = default;
    AudioSink(const AudioSink &) = delete;
    AudioSink &operator=(const AudioSink &) = delete;
};

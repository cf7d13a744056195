#pragma once

#include "base/TranslatableText.h"

#include <functional>
#include <memory>

class Packet;
class SourceFile;

// One audio stream of a source, decoded and brought to the working format:
// interleaved float at one rate and channel count, whatever the stream's
// own format is and however it changes from frame to frame. Audio lost to
// damage in the source becomes silence, so that what follows stays in time.
class AudioInput
{
public:
    // Takes interleaved frames; returns false to stop.
    using Sink = std::function<bool(const float *samples, int frames)>;

    AudioInput();
    ~AudioInput();
    AudioInput(const AudioInput &) = delete;
    AudioInput &operator=(const AudioInput &) = delete;

    // False when the stream cannot be decoded; error() says why.
    bool open(const SourceFile &source, int stream);
    // Where the audio goes, and in which form; before the first packet.
    void setOutput(int sampleRate, int channels, Sink sink);

    // Decodes a packet of the stream and hands on what came of it. False
    // when the sink stopped, or decoding failed (error() then says why).
    bool decode(const Packet &packet);
    // The end of the stream: what the decoder and the converter hold goes
    // out.
    bool finish();
    // Forgets what it holds, after a seek.
    void flush();

    // The rate the stream declares (0 when it does not).
    int sourceRate() const;
    // Whether the stream holds more than 16 bits a sample: lossless audio of
    // 24 or 32 bits, or floating point.
    bool highResolution() const;
    // Where the first frame begins, in seconds on the source's timeline.
    double firstSeconds() const;
    // How far the frames have come on the source's timeline, from the
    // first one's start, in seconds: what its timestamps say was read, which
    // may say more than the audio held where the timestamps jump.
    double timelineSeconds() const;
    // Where the frame whose audio the sink is taking begins, in seconds on
    // the source's timeline; negative where the source does not say.
    double frameSeconds() const;
    // Packets of the stream the decoder refused, and the audio lost to
    // damage (made up with silence), in seconds.
    int damagedPackets() const;
    double lostSeconds() const;
    TranslatableText error() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#pragma once

#include "base/AudioSink.h"

#include <memory>

class OutputContainer;
class OutputFormat;
class SourceFile;

// Encodes float frames into one audio stream of an output container:
// collects them into whole encoder frames, converts those to the encoder's
// sample format (from another rate where asked), counts their timestamps in
// samples, sends a short (or padded) last frame, and drains the encoder at
// the end.
class AudioEncoder : public AudioSink
{
    TW_DECLARE_TRANSLATABLE_TEXTS(AudioEncoder)

public:
    explicit AudioEncoder(OutputContainer &output);
    ~AudioEncoder() override;

    // The rate the format's encoder takes nearest to `wanted`, 24-bit where
    // asked and the format holds it; 0 when this FFmpeg has no encoder for
    // the format.
    static int rateFor(const OutputFormat &format, bool highResolution, int wanted);

    // Opens the format's encoder at this rate and channel count, with
    // 24-bit samples where asked and the format holds them, and adds its
    // stream to the container (before its header is written). The frames
    // written come at inputRate.
    bool open(const OutputFormat &format, int bitrateKbps, int sampleRate, int channels, bool highResolution,
              int inputRate);
    // The stream says what the source's stream was (its language, its
    // title) and how it is meant.
    void describeAs(const SourceFile &source, int stream);
    // Decodes the packets on a thread of its own as they are made, so that
    // decodedPeak() is known at the end; false when it cannot.
    bool measureDecodedPeak();
    // Where the stream begins on the output's timeline (before the first
    // write; 0 unless set).
    void setStartTime(double seconds);

    bool write(const float *samples, int frames) override;
    // Encodes what is queued and drains the encoder; the trailer is the
    // container's business.
    bool finish() override;
    void discard() override;
    TranslatableText error() const override;

    // After finish(): the largest sample magnitude a decoder makes of the
    // stream, where it was measured; else a negative number.
    float decodedPeak() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

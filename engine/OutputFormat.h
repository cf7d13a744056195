#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QString>

// What each AppConstants::AudioFormat writes: its encoder and file extension
// (which also selects the container), and the encoder parameters shared by
// all formats.
class OutputFormat
{
public:
    // The rate and channel count every output has.
    static constexpr int SampleRate = 44100;
    static constexpr int Channels = 2;
    // Frames per export frame for encoders that take any frame size (PCM).
    static constexpr int VariableFrameSize = 10000;

    // The entry for an audioFormat setting value, or null when unknown.
    static const OutputFormat *find(int audioFormat);

    // The encoder this build of FFmpeg offers for the format (LAME for mp3
    // where present), or null. highResolution: for 24-bit samples, where the
    // format holds them.
    const AVCodec *findEncoder(bool highResolution = false) const;

    // The encoder's rate nearest to `wanted` (`wanted` itself for encoders
    // that take any).
    static int supportedRate(const AVCodec *encoder, int wanted);

    // Sets the parameters every format shares on a fresh encoder context;
    // highResolution asks for 24-bit samples where the encoder takes them.
    static void configureEncoder(AVCodecContext *context, const AVCodec *encoder, int bitrateKbps,
                                 const AVOutputFormat *container, int sampleRate, int channels,
                                 bool highResolution = false);

    // Samples per export frame for an opened encoder context.
    static int exportFrameSize(const AVCodecContext *context);

    // The bit rate the encoder is given for a setting in kbit/s: within the
    // range the format's encoder supports. Lossless formats ignore it and
    // take any value.
    int clampBitrate(int kbps) const;

    int audioFormat;
    AVCodecID codecId;
    // Preferred encoder implementation, tried before the codec id look-up.
    const char *preferredEncoder;
    const char *extensionText;
    int minKbps;  // 0: the bit rate does not apply
    int maxKbps;

    QString extension() const { return QString::fromLatin1(extensionText); }
    // Lossy formats are the ones with a bit rate.
    bool lossy() const { return minKbps > 0; }
};

#pragma once

#include "engine/AudioSink.h"
#include "engine/FFmpegPointers.h"
#include "engine/SampleConverter.h"

#include "engine/TranslatableText.h"


#include <vector>

struct AVAudioFifo;
class OutputFile;
class OutputFormat;
class PacketPeak;

// Encodes float frames into one audio stream of an output file: collects
// them into whole encoder frames, converts those to the encoder's sample
// format, counts their timestamps in samples, sends a short (or padded)
// last frame, and drains the encoder at the end.
class EncodingSink : public AudioSink
{
    TW_DECLARE_TRANSLATABLE_TEXTS(EncodingSink)

public:
    explicit EncodingSink(OutputFile &file);
    ~EncodingSink() override;

    // Opens the format's encoder at this rate and channel count, with
    // 24-bit samples where asked and the format holds them, and adds its
    // stream to the file (before the file's header is written). The frames
    // written come at inputRate, which is the encoder's rate unless given.
    bool open(const OutputFormat &format, int bitrateKbps, int sampleRate, int channels,
              bool highResolution = false, int inputRate = 0);
    AVStream *stream() const { return m_stream; }
    // Every packet also goes to `peak` (which outlives the encoding), as the
    // encoder makes it, in the stream's time base as opened.
    void setPacketPeak(PacketPeak *peak) { m_packetPeak = peak; }
    // Where the stream begins on the output's timeline (before the first
    // write; 0 unless set).
    void setStartTime(double seconds);

    bool write(const float *samples, int frames) override;
    // Encodes what is queued and drains the encoder; the file's trailer is
    // the file's business.
    bool finish() override;
    void discard() override;
    TranslatableText error() const override { return m_error; }

private:
    bool fail(const TranslatableText &message);
    bool queue(const float *samples, int frames);
    bool encodeQueued(bool last);
    bool sendFrame(int frames);
    bool writePackets();

    struct FifoDeleter {
        void operator()(AVAudioFifo *fifo) const;
    };

    OutputFile &m_file;
    AVStream *m_stream = nullptr;
    ff::CodecContextPtr m_encoder;
    SampleConverter m_resampler;   // from the input's rate, where it differs
    ff::ResamplerPtr m_converter;  // float to the encoder's format
    ff::FramePtr m_frame;
    ff::PacketPtr m_packet;
    std::unique_ptr<AVAudioFifo, FifoDeleter> m_fifo;
    std::vector<float> m_frameSamples;  // one encoder frame, interleaved
    int m_channels = 0;
    int m_frameSize = 0;
    bool m_smallLastFrame = false;
    long long m_pts = 0;  // samples sent to the encoder
    PacketPeak *m_packetPeak = nullptr;
    TranslatableText m_error;
};

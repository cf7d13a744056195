#pragma once

// Owning pointers for FFmpeg objects: each object has exactly one owner that
// frees it with the library's own function. The types are only declared
// here, so that classes of this library can own FFmpeg objects without
// their users seeing FFmpeg's headers.

#include <QString>

#include <memory>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct AVIOContext;
struct AVAudioFifo;

namespace ff {

struct InputFormatDeleter {
    void operator()(AVFormatContext *c) const;
};
// An output context whose I/O context is owned separately.
struct OutputFormatDeleter {
    void operator()(AVFormatContext *c) const;
};
struct CodecContextDeleter {
    void operator()(AVCodecContext *c) const;
};
struct FrameDeleter {
    void operator()(AVFrame *f) const;
};
struct PacketDeleter {
    void operator()(AVPacket *p) const;
};
struct ResamplerDeleter {
    void operator()(SwrContext *s) const;
};
// An I/O context made with avio_alloc_context over callbacks of our own.
struct CustomIoContextDeleter {
    void operator()(AVIOContext *io) const;
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo *fifo) const;
};

using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerDeleter>;
using CustomIoContextPtr = std::unique_ptr<AVIOContext, CustomIoContextDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

// av_err2str() is a C99 compound-literal macro and does not compile as C++.
QString errorText(int code);

} // namespace ff

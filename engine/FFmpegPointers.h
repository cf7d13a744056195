#pragma once

// Owning pointers for FFmpeg objects: each object has exactly one owner that
// frees it with the library's own function.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <QString>

#include <memory>

namespace ff {

struct InputFormatDeleter {
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
// An output context whose I/O context is owned separately (IoContextPtr).
struct OutputFormatDeleter {
    void operator()(AVFormatContext *c) const { avformat_free_context(c); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct ResamplerDeleter {
    void operator()(SwrContext *s) const { swr_free(&s); }
};
struct IoContextDeleter {
    void operator()(AVIOContext *io) const { avio_closep(&io); }
};
// An I/O context made with avio_alloc_context over callbacks of our own.
struct CustomIoContextDeleter {
    void operator()(AVIOContext *io) const
    {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;
using CustomIoContextPtr = std::unique_ptr<AVIOContext, CustomIoContextDeleter>;

// av_err2str() is a C99 compound-literal macro and does not compile as C++.
inline QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace ff

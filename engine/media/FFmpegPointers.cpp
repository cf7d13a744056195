#include "media/FFmpegPointers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace ff {

void InputFormatDeleter::operator()(AVFormatContext *c) const
{
    avformat_close_input(&c);
}

void OutputFormatDeleter::operator()(AVFormatContext *c) const
{
    avformat_free_context(c);
}

void CodecContextDeleter::operator()(AVCodecContext *c) const
{
    avcodec_free_context(&c);
}

void FrameDeleter::operator()(AVFrame *f) const
{
    av_frame_free(&f);
}

void PacketDeleter::operator()(AVPacket *p) const
{
    av_packet_free(&p);
}

void ResamplerDeleter::operator()(SwrContext *s) const
{
    swr_free(&s);
}

void CustomIoContextDeleter::operator()(AVIOContext *io) const
{
    if (io)
        av_freep(&io->buffer);
    avio_context_free(&io);
}

void AudioFifoDeleter::operator()(AVAudioFifo *fifo) const
{
    av_audio_fifo_free(fifo);
}

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace ff

#include "engine/OutputFormat.h"

#include "engine/AppConstants.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

// Debian's FFmpeg carries both LAME and the much weaker shine encoder for
// mp3; ask for LAME by name so the id look-up order does not decide.
// Bit rates: MPEG-1 Layer III at 44.1 kHz has 32 to 320 kbit/s (LAME maps
// anything else to one of those, silently); FFmpeg's AAC encoder refuses
// negative rates and caps stereo 44.1 kHz at 529 kbit/s.
const OutputFormat Formats[] = {
    {AppConstants::F_Mp3, AV_CODEC_ID_MP3, "libmp3lame", "mp3", 32, 320},
    {AppConstants::F_Wav, AV_CODEC_ID_PCM_S16LE, nullptr, "wav", 0, 0},
    {AppConstants::F_Flac, AV_CODEC_ID_FLAC, nullptr, "flac", 0, 0},
    {AppConstants::F_M4a, AV_CODEC_ID_AAC, nullptr, "m4a", 32, 512},
};

} // namespace

const OutputFormat *OutputFormat::find(int audioFormat)
{
    for (const OutputFormat &format : Formats) {
        if (format.audioFormat == audioFormat)
            return &format;
    }
    return nullptr;
}

const AVCodec *OutputFormat::findEncoder(bool highResolution) const
{
    if (preferredEncoder) {
        const AVCodec *encoder = avcodec_find_encoder_by_name(preferredEncoder);
        if (encoder && encoder->id == codecId)
            return encoder;
    }
    // wav holds 24-bit samples with another codec; flac takes them as 32-bit
    // samples with 24 bits used (configureEncoder).
    if (highResolution && codecId == AV_CODEC_ID_PCM_S16LE)
        return avcodec_find_encoder(AV_CODEC_ID_PCM_S24LE);
    return avcodec_find_encoder(codecId);
}

int OutputFormat::clampBitrate(int kbps) const
{
    if (minKbps <= 0)
        return kbps;
    return std::clamp(kbps, minKbps, maxKbps);
}

int OutputFormat::supportedRate(const AVCodec *encoder, int wanted)
{
    if (!encoder->supported_samplerates)
        return wanted;
    int nearest = 0;
    for (const int *rate = encoder->supported_samplerates; *rate != 0; ++rate) {
        if (nearest == 0 || std::abs(*rate - wanted) < std::abs(nearest - wanted))
            nearest = *rate;
    }
    return nearest;
}

void OutputFormat::configureEncoder(AVCodecContext *context, const AVCodec *encoder, int bitrateKbps,
                                    const AVOutputFormat *container, int sampleRate, int channels,
                                    bool highResolution)
{
    context->bit_rate = int64_t(bitrateKbps) * 1000;
    context->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (encoder->sample_fmts)
        context->sample_fmt = encoder->sample_fmts[0];
    if (highResolution && encoder->sample_fmts) {
        for (const AVSampleFormat *format = encoder->sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format) {
            if (av_get_bytes_per_sample(*format) == 4 && !av_sample_fmt_is_planar(*format))
                context->sample_fmt = *format;
        }
        if (context->sample_fmt == AV_SAMPLE_FMT_S32)
            context->bits_per_raw_sample = 24;
    }
    context->sample_rate = sampleRate;
    av_channel_layout_uninit(&context->ch_layout);
    av_channel_layout_default(&context->ch_layout, channels);
    context->time_base = AVRational{1, sampleRate};
    if (container && (container->flags & AVFMT_GLOBALHEADER))
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
}

int OutputFormat::exportFrameSize(const AVCodecContext *context)
{
    if ((context->codec && (context->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
        || context->frame_size <= 0) {
        return VariableFrameSize;
    }
    return context->frame_size;
}

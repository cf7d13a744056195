#pragma once

#include "media/FFmpegPointers.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <vector>

// One sample-format, channel-layout and rate conversion into interleaved
// output, with an output buffer of fixed capacity. A chunk whose converted
// size exceeds the capacity is delivered in several pieces: what does not fit
// stays in the resampler and is emptied before convert() returns.
class SampleConverter
{
public:
    static constexpr int CapacityFrames = 96000;
    static constexpr int MaxChannels = 64;  // libswresample's own limit

    SampleConverter() = default;
    ~SampleConverter() { release(); }
    SampleConverter(const SampleConverter &) = delete;
    SampleConverter &operator=(const SampleConverter &) = delete;

    // Sets the converter up (again); returns a negative FFmpeg error code on
    // failure. A mono input goes to both channels of a stereo output at full
    // level, other layouts are mixed down with FFmpeg's standard matrix.
    int configure(const AVChannelLayout &inLayout, AVSampleFormat inFormat, int inRate,
                  const AVChannelLayout &outLayout, AVSampleFormat outFormat, int outRate);
    bool isConfigured() const { return bool(m_context); }
    // Whether the converter was set up for this input.
    bool accepts(const AVChannelLayout &layout, AVSampleFormat format, int rate) const;
    void release();

    // Converts `frames` input frames and hands the output to
    // sink(const uint8_t *interleaved, int frames), which returns false to
    // stop. Returns a negative FFmpeg error code, 1 when the sink stopped,
    // 0 otherwise.
    template <typename Sink>
    int convert(const uint8_t *const *input, int frames, Sink &&sink)
    {
        int n = swr_convert(m_context.get(), m_outPlanes, CapacityFrames,
                            const_cast<const uint8_t **>(input), frames);
        // With input but no new frames the resampler gives out what it has
        // buffered, without ending the stream.
        const uint8_t *none[MaxChannels] = {m_buffer.data()};
        for (; n > 0; n = swr_convert(m_context.get(), m_outPlanes, CapacityFrames, none, 0)) {
            if (!sink(m_buffer.data(), n))
                return 1;
        }
        return n;
    }

    // Ends the stream: hands out everything still held, the filter's tail
    // included.
    template <typename Sink>
    int flush(Sink &&sink)
    {
        int n;
        while ((n = swr_convert(m_context.get(), m_outPlanes, CapacityFrames, nullptr, 0)) > 0) {
            if (!sink(m_buffer.data(), n))
                return 1;
        }
        return n;
    }

private:
    ff::ResamplerPtr m_context;
    AVChannelLayout m_inLayout{};
    AVSampleFormat m_inFormat = AV_SAMPLE_FMT_NONE;
    int m_inRate = 0;
    std::vector<uint8_t> m_buffer;
    uint8_t *m_outPlanes[AV_NUM_DATA_POINTERS] = {};
};

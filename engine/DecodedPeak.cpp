#include "engine/DecodedPeak.h"

#include "engine/AudioDecoder.h"
#include "engine/SourceFile.h"
#include "engine/WorkingFormat.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

float DecodedPeak::of(const QString &path)
{
    SourceFile source;
    if (!source.open(path))
        return 0.0f;
    AVFormatContext *input = source.container();
    struct Stream {
        AudioDecoder decoder;
        std::unique_ptr<WorkingFormat> floats;  // at the stream's own rate: no filter touches the peaks
    };
    std::vector<std::unique_ptr<Stream>> streams(input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        auto stream = std::make_unique<Stream>();
        if (!stream->decoder.open(input->streams[i], source.name()))
            continue;
        stream->floats = std::make_unique<WorkingFormat>(stream->decoder.sampleRate(), 2);
        streams[i] = std::move(stream);
    }
    float peak = 0.0f;
    ff::PacketPtr packet(av_packet_alloc());
    while (packet && source.read(packet.get())) {
        if (Stream *stream = streams[size_t(packet->stream_index)].get())
            measure(stream->decoder, *stream->floats, packet.get(), peak);
        av_packet_unref(packet.get());
    }
    for (const auto &stream : streams) {
        if (stream)
            measure(stream->decoder, *stream->floats, nullptr, peak);
    }
    return peak;
}

bool DecodedPeak::measure(AudioDecoder &decoder, WorkingFormat &floats, const AVPacket *packet, float &peak)
{
    const auto largest = [&peak](const float *samples, int frames) {
        for (int i = 0; i < 2 * frames; ++i)
            peak = std::max(peak, std::abs(samples[i]));
        return true;
    };
    return decoder.decode(packet, [&](const AVFrame *frame, double) { return floats.convert(frame, largest) == 0; });
}

#include "media/ffmpeg/PacketPeak.h"

#include <algorithm>
#include <cmath>

namespace {

// Decodes a packet (null: the end) and raises `peak` to the largest
// magnitude of what came out, through `floats` at the stream's own rate in
// stereo, so that no filter touches the peaks. False as the decoder's
// decode() is.
bool measure(AudioDecoder &decoder, WorkingFormat &floats, const AVPacket *packet, float &peak)
{
    const auto largest = [&peak](const float *samples, int frames) {
        for (int i = 0; i < 2 * frames; ++i)
            peak = std::max(peak, std::abs(samples[i]));
        return true;
    };
    return decoder.decode(packet, [&](const AVFrame *frame, double) { return floats.convert(frame, largest) == 0; });
}

} // namespace

PacketPeak::~PacketPeak()
{
    if (m_thread.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
}

bool PacketPeak::start(const AVCodecParameters *parameters, AVRational timeBase)
{
    m_holder.reset(avformat_alloc_context());
    AVStream *stream = m_holder ? avformat_new_stream(m_holder.get(), nullptr) : nullptr;
    if (!stream || avcodec_parameters_copy(stream->codecpar, parameters) < 0)
        return false;
    stream->time_base = timeBase;
    if (!m_decoder.open(stream, QString()))
        return false;
    m_floats = std::make_unique<WorkingFormat>(parameters->sample_rate, 2);
    m_peak = 0.0f;
    m_thread = std::thread([this] { work(); });
    return true;
}

void PacketPeak::push(const AVPacket *packet)
{
    if (!m_thread.joinable())
        return;
    ff::PacketPtr copy(av_packet_clone(packet));
    if (!copy)
        return;  // unmeasured, not wrong: the end says so
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || m_packets.size() < Capacity; });
    m_packets.push_back(std::move(copy));
    const bool wake = m_packets.size() >= Batch;
    lock.unlock();
    if (wake)
        m_changed.notify_all();
}

float PacketPeak::finish()
{
    if (!m_thread.joinable())
        return -1.0f;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_packets.emplace_back();
    }
    m_changed.notify_all();
    m_thread.join();
    return m_peak;
}

void PacketPeak::work()
{
    float peak = 0.0f;
    bool whole = true;
    std::deque<ff::PacketPtr> batch;
    for (bool end = false; !end;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] {
                return m_stop || m_packets.size() >= Batch || (!m_packets.empty() && !m_packets.back());
            });
            if (m_stop)
                return;
            batch.swap(m_packets);
        }
        m_changed.notify_all();
        for (const ff::PacketPtr &packet : batch) {
            // A packet the decoder refuses leaves the measurement incomplete.
            whole = measure(m_decoder, *m_floats, packet.get(), peak) && whole;
            end = end || !packet;
        }
        batch.clear();
    }
    m_peak = whole && m_decoder.damagedPackets() == 0 ? peak : -1.0f;
}

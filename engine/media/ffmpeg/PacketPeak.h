#pragma once

#include "media/FFmpegPointers.h"
#include "media/ffmpeg/AudioDecoder.h"
#include "media/ffmpeg/WorkingFormat.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

// What a player will make of a lossy stream while it is being encoded: the
// encoder's packets are decoded on a thread of their own, beside the
// encoder, and their largest sample magnitude is known when the encoder
// ends, instead of after a second pass over the file. The packets wait in a
// bounded queue; the decoder is many times faster than the encoder, so the
// encoder seldom waits for it.
class PacketPeak
{
public:
    PacketPeak() = default;
    ~PacketPeak();
    PacketPeak(const PacketPeak &) = delete;
    PacketPeak &operator=(const PacketPeak &) = delete;

    // A decoder for the encoder's stream (its parameters and time base, as
    // it sends its packets); false when none opens.
    bool start(const AVCodecParameters *parameters, AVRational timeBase);
    // A reference to the packet goes to the thread.
    void push(const AVPacket *packet);
    // Flushes the decoder and waits for the thread; the largest magnitude,
    // or a negative number when nothing was measured.
    float finish();

private:
    void work();

    static constexpr size_t Capacity = 64;  // packets, about 1.5 s of mp3
    // The thread takes the packets in batches: woken for each one, it would
    // cost the encoder's thread more than the decoding.
    static constexpr size_t Batch = 16;

    ff::OutputFormatPtr m_holder;  // owns the stream the decoder reads
    AudioDecoder m_decoder;
    std::unique_ptr<WorkingFormat> m_floats;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<ff::PacketPtr> m_packets;  // null: the end
    bool m_stop = false;
    std::thread m_thread;
    float m_peak = -1.0f;  // written by the thread, read after it is joined
};

#pragma once

#include "base/AudioSink.h"
#include "pipeline/FrameQueue.h"

#include <atomic>
#include <thread>
#include <vector>

// Runs another sink on a thread of its own: write() queues the frames and
// returns, the sink's thread takes them out and writes them on. The other
// sink sees the same frames in the same order as without the thread, so its
// output is the same.
//
// The inner sink is used only by the sink's thread until finish() or
// discard() has returned; after that, by the caller again.
class ThreadedSink : public AudioSink
{
public:
    ThreadedSink(AudioSink &inner, int channels, int queueFrames = 32768);
    ~ThreadedSink() override;

    bool write(const float *samples, int frames) override;
    bool finish() override;
    void discard() override;
    TranslatableText error() const override;

private:
    void work();
    void join();

    AudioSink &m_inner;
    FrameQueue m_queue;
    std::vector<float> m_block;         // the sink thread's
    std::atomic<bool> m_failed{false};  // the inner sink refused a write
    bool m_ended = false;               // finish() or discard() was called
    std::thread m_thread;
};

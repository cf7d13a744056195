#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

// A bounded queue of interleaved float frames between one producer thread
// and one consumer thread. A producer that finds it full waits for room; a
// consumer that finds it empty waits for frames or for the end. Either side
// wakes the other only once the queue is half full (or half empty), so that
// a fast side waiting on a slow one is woken once per half queue, not once
// per block.
class FrameQueue
{
public:
    FrameQueue(int channels, int capacityFrames);

    // Copies all frames in, waiting for room as needed. False when the
    // queue was closed meanwhile (the rest is dropped).
    bool push(const float *samples, int frames);
    // No more frames will come; the consumer gets what is queued, then 0.
    void finish();
    // Ends the hand-over from either side at once: waiting calls return,
    // and queued frames are dropped.
    void close();

    // Moves up to maxFrames frames out, waiting until there are some.
    // Returns 0 once the queue is finished and empty, or closed.
    int pop(float *samples, int maxFrames);
    // The same without waiting: 0 also while none are there yet.
    int tryPop(float *samples, int maxFrames);
    // Whether nothing more will come out: finished and empty, or closed.
    bool ended();

private:
    int take(std::unique_lock<std::mutex> &lock, float *samples, int maxFrames);

    const int m_channels;
    const int m_capacity;  // frames
    std::vector<float> m_ring;
    int m_begin = 0;  // first queued frame
    int m_count = 0;  // queued frames
    bool m_finished = false;
    bool m_closed = false;
    std::mutex m_mutex;
    std::condition_variable m_room;
    std::condition_variable m_frames;
};

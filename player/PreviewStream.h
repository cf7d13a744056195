#pragma once

#include <QElapsedTimer>
#include <QIODevice>

#include <memory>
#include <vector>

class FrameQueue;

// What the audio device pulls: the frames of the side chosen, taken from
// the worker's queue and written in the device's format. The last second
// of frames given out is kept with both sides, so that a device that is
// stopped and started again (to switch sides at once, or after a pause)
// can go back to what it had not played yet, and play it from the side
// chosen then. Never waits: where the queue has nothing yet, it gives
// nothing before the first frame, and silence after it.
//
// Lives on the player's audio thread, as does the device.
class PreviewStream : public QIODevice
{
    Q_OBJECT

public:
    explicit PreviewStream(QObject *parent = nullptr);

    void setFormat(int sampleRate, bool floatSamples);
    int sampleRate() const { return m_rate; }
    // Frames from now on come from `queue`, whose first one lies at
    // `seconds`; nothing is kept of the queue before.
    void setQueue(std::shared_ptr<FrameQueue> queue, double seconds);
    bool hasQueue() const { return bool(m_queue); }
    void setRetuned(bool retuned) { m_retuned = retuned; }
    // Gives the last `frames` frames again (as many of them as are kept).
    void rewind(int frames);
    // A device starts pulling, which plays once it holds `bufferFrames`.
    void deviceStarted(int bufferFrames);
    // Frames given to the device since it started that it has not played
    // yet, by the clock: PulseAudio tells its client what it played only a
    // quarter of its buffer at a time, too coarse to switch sides in place.
    int unplayedFrames() const;

    // Where the next frame given out lies, in seconds.
    double seconds() const { return m_startSeconds + double(m_position) / m_rate; }
    // Whether the queue ended and all of it was given out.
    bool ended() const;
    // Frames of silence given out while the queue was behind.
    long long starvedFrames() const { return m_starved; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxBytes) override;
    qint64 writeData(const char *data, qint64 bytes) override;

private:
    int fill(int frames);
    void put(const float *frames, int count, char *data) const;

    std::shared_ptr<FrameQueue> m_queue;
    int m_rate = 48000;
    bool m_float = true;
    bool m_retuned = false;
    double m_startSeconds = 0.0;
    long long m_position = 0;  // frames given out of this queue
    // The last frames taken from the queue, four channels each: a ring,
    // m_head the slot the next one goes to; m_ahead of them are still to
    // be given out.
    std::vector<float> m_kept;
    int m_head = 0;
    int m_filled = 0;
    int m_ahead = 0;
    long long m_starved = 0;
    // Since the device started: frames given, and since when it plays.
    long long m_given = 0;
    int m_deviceBuffer = 0;
    QElapsedTimer m_playing;
};

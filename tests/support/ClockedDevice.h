#pragma once

#include "player/PlaybackDevice.h"

#include <QElapsedTimer>
#include <QIODevice>
#include <QTimer>

#include <vector>

// Stands in for the audio output where no sound server runs: takes the
// stream's frames (48 kHz, float) at the pace a device plays them, from a
// timer on the player's audio thread, and holds nothing back.
class ClockedDevice : public PlaybackDevice
{
public:
    static constexpr int Rate = 48000;

    ClockedDevice()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { pull(); });
    }

    QString open(Format &format) override
    {
        format = Format{Rate, true};
        return QString();
    }
    QString start(QIODevice *stream) override
    {
        m_stream = stream;
        m_clock.start();
        m_taken = 0;
        m_timer.start();
        return QString();
    }
    void stop() override { m_timer.stop(); }
    int bufferFrames() const override { return 0; }

private:
    void pull()
    {
        const long long due = m_clock.nsecsElapsed() * Rate / 1000000000;
        m_block.resize(size_t(due - m_taken) * 2);
        const qint64 bytes = m_stream->read(reinterpret_cast<char *>(m_block.data()), qint64(m_block.size() * 4));
        // Nothing before the first frame: the time waited is not played.
        m_taken = bytes > 0 ? m_taken + bytes / 8 : due;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    QIODevice *m_stream = nullptr;
    long long m_taken = 0;
    std::vector<float> m_block;
};

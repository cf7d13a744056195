#pragma once

#include "player/PlaybackDevice.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class PreviewStream;
class PreviewWorker;

// The player on its audio thread: the device, the stream the device pulls,
// and the queues the worker fills for it. A switch of sides, a pause and a
// resume stop the device and start it again, the stream gone back by what
// the device held: the listener hears the other side at once, from where
// the first one was. Its slots are called across threads, queued.
class PreviewOutput : public QObject
{
    Q_OBJECT

public:
    using DeviceFactory = std::function<std::unique_ptr<PlaybackDevice>()>;

    // Look-ahead: how much of the preview the worker keeps ready.
    static constexpr int QueueSeconds = 2;

    PreviewOutput(PreviewWorker &worker, DeviceFactory factory);
    ~PreviewOutput() override;

public Q_SLOTS:
    // Plays from `seconds`, asking the worker for new frames; the
    // positions reported from then on carry `sequence`.
    void play(double seconds, bool retuned, int sequence);
    // Plays on from where it paused.
    void resume(bool retuned);
    void pause();
    void setRetuned(bool retuned);
    // Stops and forgets the frames.
    void stop();

Q_SIGNALS:
    // Where the device plays now, in seconds, while it plays, and once it
    // pauses; `sequence` is the play's that it belongs to.
    void positionChanged(double seconds, int sequence);
    void started();
    // All was played.
    void ended();
    void failed(const QString &message);

private:
    bool openDevice();
    bool startDevice();
    void stopDevice();
    void report();
    void fail(const QString &message);

    PreviewWorker &m_worker;
    DeviceFactory m_factory;
    std::unique_ptr<PlaybackDevice> m_device;
    PreviewStream *m_stream;
    QTimer m_ticks;
    bool m_playing = false;
    int m_sequence = 0;
};

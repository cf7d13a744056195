#pragma once

#include "support/AudioBuffer.h"

#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <vector>

// A PulseAudio server of the test's own, in a folder of its own (so that
// it runs for root as for anyone): one sink that plays nowhere, a null
// sink, whose monitor the test records with parec. This process's clients
// find it through PULSE_SERVER. A silent stream keeps the sink awake, as a
// desktop's is while anything plays: a null sink left idle renders two
// seconds at a time, and would begin a new stream that late.
class SoundServer
{
public:
    using Clock = std::chrono::steady_clock;

    // Empty where a server can run here, else why not.
    static QString unavailable();
    ~SoundServer();

    // False when it did not come up; error() says why.
    bool start();
    QString error() const { return m_error; }

    // Records the sink's monitor from now on (float stereo).
    bool startRecording(int sampleRate);
    AudioBuffer stopRecording();
    // What was recorded so far.
    const AudioBuffer &recording() const { return m_recording; }
    // When the recording's block holding `frame` came in: no later than
    // that, the frame had been played.
    Clock::time_point arrivalOf(long long frame) const;

private:
    QString log() const;  // what the server said
    bool run(QProcess &process, const QString &program, const QStringList &arguments);
    void takeRecorded();

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_keepAwake;
    QProcess m_recorder;
    AudioBuffer m_recording;
    QByteArray m_pending;
    std::vector<std::pair<long long, Clock::time_point>> m_arrivals;  // frames so far, when
    QString m_error;
};

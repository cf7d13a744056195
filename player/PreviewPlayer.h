#pragma once

#include "base/TranslatableText.h"
#include "models/PropertyMacros.h"
#include "pipeline/ConversionSettings.h"
#include "player/PreviewOutput.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <memory>

class Mailbox;
class PreviewWorker;

// The player of the main screen: one file at a time, from any point, at its
// own pitch ("Original") or retuned as its conversion would be, with a
// switch between them that keeps the place. Lives on the GUI thread and
// never waits there: the worker renders ahead on a thread of its own, the
// device plays from the player's audio thread, and what they say comes back
// queued.
class PreviewPlayer : public QObject
{
    Q_OBJECT
    // A file is in the player and can be played.
    TW_READONLY_PROPERTY(bool, ready)
    TW_READONLY_PROPERTY(QString, fileName)
    TW_READONLY_PROPERTY(bool, playing)
    // Seconds from the start, as heard.
    TW_READONLY_PROPERTY(double, position)
    // Seconds; 0 while unknown.
    TW_READONLY_PROPERTY(double, duration)
    // Whether the retuned side is heard (else the original).
    TW_READONLY_PROPERTY(bool, retuned)
    // A4 of the target, and of the source as the conversion takes it.
    TW_READONLY_PROPERTY(double, targetFrequency)
    TW_READONLY_PROPERTY(double, sourceFrequency)
    // What went wrong, or what it is doing that takes a while; empty
    // otherwise.
    TW_READONLY_PROPERTY(QString, message)
    // How far the arrow keys move, in seconds.
    Q_PROPERTY(double skipSeconds READ skipSeconds CONSTANT)

public:
    static constexpr double SkipSeconds = 5.0;
    // How long a device may take to start before the player says so.
    static constexpr int DeviceTimeoutMilliseconds = 3000;

    explicit PreviewPlayer(QObject *parent = nullptr);
    ~PreviewPlayer() override;

    // What plays the sound; Qt Multimedia's default output unless set
    // (before the first play).
    void setDeviceFactory(PreviewOutput::DeviceFactory factory);
    double skipSeconds() const { return SkipSeconds; }

    // A file to play, in place of the one before (which stops), with the
    // settings its conversion has and the A4 measured of it (0: none).
    void load(const QString &path, const ConversionSettings &settings, double measuredA4);
    void unload();

    Q_INVOKABLE void play();
    Q_INVOKABLE void pause();
    Q_INVOKABLE void togglePlaying();
    // To a place, in seconds; while playing, plays on from there.
    Q_INVOKABLE void seek(double seconds);
    Q_INVOKABLE void skip(double seconds);
    Q_INVOKABLE void setRetunedSide(bool retuned);
    Q_INVOKABLE void toggleSide();

private:
    void opened(int load, double seconds, double sourceA4);
    void failed(int load, const TranslatableText &message);
    void deviceFailed(const QString &message);
    void stopped();
    void showMessage(const TranslatableText &message, bool measuring = false);
    void invokeOutput(std::function<void(PreviewOutput &)> call);
    void connectOutput();

    Mailbox *m_mailbox;  // news from the worker's and the output's threads
    std::unique_ptr<PreviewWorker> m_worker;
    QThread m_audioThread;
    PreviewOutput *m_output = nullptr;  // lives on m_audioThread
    Mailbox *m_outputMailbox = nullptr;  // the output's child, run on its thread
    PreviewOutput::DeviceFactory m_factory;
    QTimer m_deviceTimeout;
    TranslatableText m_messageText;  // what message shows, in the language of the moment
    int m_load = 0;  // the worker's number of the file in the player; 0: none
    int m_plays = 0;  // output's plays asked for; its positions say which
    // The output holds frames from the place it paused at; a seek since
    // then makes it play anew.
    bool m_resumable = false;
    bool m_ended = false;
    bool m_measuring = false;  // the message says the tuning is being measured
};

#pragma once

#include <QObject>
#include <QString>

class QIODevice;

// What plays the player's sound: Qt Multimedia's audio output
// (AudioOutputDevice), or a stand-in in the tests. Made and used on the
// player's audio thread only.
class PlaybackDevice : public QObject
{
    Q_OBJECT

public:
    struct Format
    {
        int sampleRate = 0;  // 44100 or 48000
        bool floatSamples = false;  // else 16-bit
    };

    using QObject::QObject;

    // Finds the device and the format it plays; an empty string when there
    // is one, else what is wrong, in words.
    virtual QString open(Format &format) = 0;
    // Plays what it pulls from `stream` (in the format found), beginning
    // once the stream gives frames; the same as open() when it cannot.
    virtual QString start(QIODevice *stream) = 0;
    // Stops at once; what it held is dropped.
    virtual void stop() = 0;
    // Frames it holds before it begins to play, once started; it plays
    // them at its rate from then on.
    virtual int bufferFrames() const = 0;

Q_SIGNALS:
    // It stopped by itself (the device went away or failed), and why.
    void failed(const QString &message);
};

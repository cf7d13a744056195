#pragma once

#include "player/PlaybackDevice.h"

#include <QAudioDeviceInfo>
#include <QAudioFormat>

class QAudioOutput;

// The system's default audio output through Qt Multimedia (PulseAudio, or
// PipeWire's PulseAudio server, or ALSA): 44.1 or 48 kHz as the device
// prefers, floating point where it takes it, else 16-bit. It holds a fifth
// of a second: enough for a loaded machine to keep it fed, and a switch of
// sides does not wait for it, for the player starts it again.
class AudioOutputDevice : public PlaybackDevice
{
    Q_OBJECT

public:
    static constexpr int BufferMilliseconds = 200;

    using PlaybackDevice::PlaybackDevice;

    QString open(Format &format) override;
    QString start(QIODevice *stream) override;
    void stop() override;
    int bufferFrames() const override;

private:
    void stateChanged();
    QString failure() const;

    QAudioDeviceInfo m_device;
    QAudioFormat m_format;
    QAudioOutput *m_output = nullptr;
};

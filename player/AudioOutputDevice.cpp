#include "player/AudioOutputDevice.h"

#include <QAudioOutput>

namespace {

QAudioFormat format(int sampleRate, bool floatSamples)
{
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(2);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(floatSamples ? QAudioFormat::Float : QAudioFormat::SignedInt);
    format.setSampleSize(floatSamples ? 32 : 16);
    return format;
}

} // namespace

QString AudioOutputDevice::open(Format &chosen)
{
    if (m_output)
        return QString();
    m_device = QAudioDeviceInfo::defaultOutputDevice();
    if (m_device.isNull())
        return tr("No audio output was found.");
    // The device's own rate first, where it is one of the two.
    QList<int> rates{48000, 44100};
    if (m_device.preferredFormat().sampleRate() == 44100)
        std::swap(rates[0], rates[1]);
    for (const int rate : rates) {
        for (const bool floatSamples : {true, false}) {
            if (!m_device.isFormatSupported(format(rate, floatSamples)))
                continue;
            m_format = format(rate, floatSamples);
            chosen = Format{rate, floatSamples};
            m_output = new QAudioOutput(m_device, m_format, this);
            m_output->setBufferSize(m_format.bytesForDuration(BufferMilliseconds * 1000));
            connect(m_output, &QAudioOutput::stateChanged, this, &AudioOutputDevice::stateChanged);
            return QString();
        }
    }
    return tr("The audio output “%1” plays neither 44.1 nor 48 kHz in stereo.").arg(m_device.deviceName());
}

QString AudioOutputDevice::start(QIODevice *stream)
{
    m_output->start(stream);
    return m_output->state() == QAudio::StoppedState ? failure() : QString();
}

void AudioOutputDevice::stop()
{
    m_output->stop();
}

// PulseAudio begins a stream once it holds its target length, which it may
// have chosen other than asked.
int AudioOutputDevice::bufferFrames() const
{
    return m_format.framesForBytes(m_output->bufferSize());
}

// The device fails later only where it goes away or breaks.
void AudioOutputDevice::stateChanged()
{
    const QAudio::Error error = m_output->error();
    if (m_output->state() == QAudio::StoppedState && (error == QAudio::IOError || error == QAudio::FatalError))
        Q_EMIT failed(failure());
}

QString AudioOutputDevice::failure() const
{
    switch (m_output->error()) {
    case QAudio::OpenError:
        return tr("The audio output “%1” cannot be opened; another program may be using it.")
            .arg(m_device.deviceName());
    case QAudio::IOError:
        return tr("The audio output “%1” stopped working.").arg(m_device.deviceName());
    default:
        return tr("The audio output “%1” does not work (is the sound server running?).").arg(m_device.deviceName());
    }
}

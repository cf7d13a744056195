#pragma once

#include <QSaveFile>
#include <QString>

// A WAV file of 32-bit float frames, written under a temporary name and
// given its own (replacing what had it) only once it is whole.
class WavWriter
{
public:
    WavWriter(const QString &path, int channels, int sampleRate);

    bool open();
    bool write(const float *samples, int frames);
    // Completes the header and gives the file its name.
    bool commit();
    // What went wrong, in words.
    QString error() const { return m_file.errorString(); }

private:
    bool writeHeader();

    QSaveFile m_file;
    int m_channels;
    int m_sampleRate;
    qint64 m_frames = 0;
};

#include "cli/WavWriter.h"

#include <QtEndian>

namespace {

// RIFF header, "fmt " chunk of 18 bytes (IEEE float), "fact" chunk, "data"
// chunk header.
constexpr int HeaderBytes = 12 + 26 + 12 + 8;

void put32(QByteArray &bytes, quint32 value)
{
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

void put16(QByteArray &bytes, quint16 value)
{
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}

} // namespace

WavWriter::WavWriter(const QString &path, int channels, int sampleRate)
    : m_file(path)
    , m_channels(channels)
    , m_sampleRate(sampleRate)
{
}

bool WavWriter::open()
{
    return m_file.open(QIODevice::WriteOnly) && writeHeader();
}

// Sizes as far as written; commit() writes them again at the end.
bool WavWriter::writeHeader()
{
    const quint32 frameBytes = quint32(m_channels) * 4;
    const quint32 dataBytes = quint32(m_frames) * frameBytes;
    QByteArray header;
    header.append("RIFF");
    put32(header, quint32(HeaderBytes - 8) + dataBytes);
    header.append("WAVEfmt ");
    put32(header, 18);
    put16(header, 3);  // IEEE float
    put16(header, quint16(m_channels));
    put32(header, quint32(m_sampleRate));
    put32(header, quint32(m_sampleRate) * frameBytes);
    put16(header, quint16(frameBytes));
    put16(header, 32);
    put16(header, 0);
    header.append("fact");
    put32(header, 4);
    put32(header, quint32(m_frames));
    header.append("data");
    put32(header, dataBytes);
    return m_file.seek(0) && m_file.write(header) == header.size();
}

bool WavWriter::write(const float *samples, int frames)
{
    QByteArray bytes(frames * m_channels * 4, Qt::Uninitialized);
    qToLittleEndian<float>(samples, qsizetype(frames) * m_channels, bytes.data());
    m_frames += frames;
    return m_file.write(bytes) == bytes.size();
}

bool WavWriter::commit()
{
    return writeHeader() && m_file.commit();
}

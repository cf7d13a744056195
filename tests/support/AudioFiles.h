#pragma once

#include "support/AudioBuffer.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/samplefmt.h>
}

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// Writing and reading real media files through FFmpeg for the tests.
namespace AudioFiles {

struct WriteOptions
{
    // AV_CODEC_ID_NONE: the container's default audio codec (LAME for mp3).
    AVCodecID codec = AV_CODEC_ID_NONE;
    // AV_SAMPLE_FMT_NONE: the encoder's first sample format.
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
    // For example 24 with AV_SAMPLE_FMT_S32 for 24-bit flac.
    int bitsPerRawSample = 0;
    long long bitRate = 192000;
    // Samples per frame for encoders that let it be chosen (flac: up to
    // 65535); 0 for the encoder's default.
    int frameSize = 0;
    // Container tags, and tags of the audio stream (where Ogg keeps them).
    QMap<QString, QString> tags;
    QMap<QString, QString> streamTags;
    // An attached picture (cover art), PNG or JPEG data.
    QByteArray picture;
    // Adds a small MPEG-4 video stream as long as the audio (1 s when there
    // is no audio), as in a film or music video.
    bool withVideo = false;
    // Leaves the audio out (with withVideo: a silent film).
    bool withoutAudio = false;
};

// Writes the audio to path; the extension chooses the container. Returns an
// empty string on success, otherwise what went wrong.
QString write(const QString &path, const AudioBuffer &audio, const WriteOptions &options = {});

// Decodes the best audio stream of any file to float samples at the
// stream's own rate and channel count. `error` receives what went wrong.
AudioBuffer decode(const QString &path, QString *error = nullptr);

// What a file says of itself: its best audio stream's codec, rate and bits
// a sample (0 where the codec does not say), its container's tags, and the
// data of its attached pictures.
struct Description
{
    QString codec;
    int sampleRate = 0;
    int bits = 0;
    QMap<QString, QString> tags;
    QList<QByteArray> pictures;
};
Description describe(const QString &path);

// A small PNG picture, as cover art.
QByteArray pngPicture(int width, int height);

} // namespace AudioFiles

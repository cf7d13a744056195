#pragma once

#include "support/AudioBuffer.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
#include <libavutil/samplefmt.h>
}

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// Writing and reading real media files through FFmpeg for the tests.
namespace AudioFiles {

struct WriteOptions
{
    // AV_CODEC_ID_NONE: the container's default audio codec (LAME for mp3).
    AVCodecID codec = AV_CODEC_ID_NONE;
    // AV_SAMPLE_FMT_NONE: the encoder's first sample format; S32 makes
    // flac 24-bit.
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
    long long bitRate = 192000;
    // Samples per frame for encoders that let it be chosen (flac: up to
    // 65535); 0 for the encoder's default.
    int frameSize = 0;
    // Container tags, and tags of the audio stream (where Ogg keeps them).
    QMap<QString, QString> tags;
    QMap<QString, QString> streamTags;
    // pngPicture() attached as cover art.
    bool withPicture = false;
    // Adds a small MPEG-4 video stream as long as the audio (1 s when there
    // is no audio), as in a film or music video; each picture differs from
    // the one before.
    bool withVideo = false;
    // Audio streams of the same signal (a film with several languages).
    int audioStreams = 1;
    // Adds a subtitle stream with a few lines (SubRip; MPEG-4 timed text in
    // mp4 and mov).
    bool withSubtitles = false;
    // Chapters of equal length.
    int chapters = 0;
    // Leaves the audio out (with withVideo: a silent film).
    bool withoutAudio = false;
};

// Writes the audio to path, making its folder first; the extension chooses
// the container. Returns an empty string on success, otherwise what went
// wrong.
QString write(const QString &path, const AudioBuffer &audio, const WriteOptions &options = {});

// Decodes the best audio stream of any file (or its audio stream number
// `audioStream`, counting audio streams only) to float samples at the
// stream's own rate and channel count. `error` receives what went wrong.
AudioBuffer decode(const QString &path, QString *error = nullptr, int audioStream = -1);

// For every packet of the file's streams of one kind, in order: its
// timestamp in milliseconds and a digest of its data.
QList<QPair<long long, QByteArray>> packets(const QString &path, AVMediaType type);

// What a file says of itself: its streams and chapters, its best audio
// stream's bits a sample (0 where the codec does not say), its container's
// tags and those of its best audio stream, and the data of its attached
// pictures.
struct Description
{
    int streams = 0;
    int chapters = 0;
    int bits = 0;
    QMap<QString, QString> tags;
    QList<QByteArray> pictures;
};
Description describe(const QString &path);

// A small PNG picture (8 x 6), as cover art.
QByteArray pngPicture();

// Runs the ffmpeg or ffprobe tool with these arguments: an empty string
// when it succeeded (`output` gets what it wrote), else what it said.
QString run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr);

} // namespace AudioFiles

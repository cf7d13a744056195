#pragma once

#include <QString>
#include <QVector>

// What an output format is, everything in one entry of the table in
// OutputFormat.cpp: the command line, the settings' lists, the encoder, the
// tags and the naming all read it. Adding a format is one entry there, plus
// code of its own only where it writes something no format before it did.
class OutputFormat
{
public:
    // Where the retuning note goes: a tag of its own (ID3v2 and Vorbis
    // comments take any name), or the comment, the one field every player
    // shows (MP4's and RIFF's tag lists are fixed).
    enum class Note { Tag, Comment };
    // Whether cover art is kept: as a picture stream (ID3v2 APIC, FLAC picture
    // blocks, MP4 covr), as a Vorbis comment holding a FLAC picture block
    // (Ogg, whose muxer takes no picture stream), or not at all (RIFF wave
    // has no place for it).
    enum class Pictures { None, Attached, VorbisComment };
    // How the loudness tags are written: as ReplayGain's gains, or as
    // R128_TRACK_GAIN and R128_ALBUM_GAIN, which Opus players read instead.
    enum class Gains { ReplayGain, R128 };

    // The stored number of a format: a settings store keeps it, so an
    // entry's number never changes and is never reused.
    int id;
    // The word for it on the command line and in reports.
    const char *name;
    // Its name in the lists, translated under the context "OutputFormat".
    const char *label;
    // The file name's extension, which also chooses the container.
    const char *extensionText;
    // FFmpeg's codec, and the encoder to prefer for it where several exist
    // (null: FFmpeg's choice).
    const char *codec;
    const char *preferredEncoder;
    // The codec for sources of more than 16 bits; null where the format
    // keeps 16 bits (lossy formats) and the same codec where it takes 24
    // bits as 32-bit samples.
    const char *highResolutionCodec;
    // The bit rates offered, in kbit/s, highest first; none for lossless
    // formats. A stored rate outside [lowestKbps, highestKbps] is brought
    // within, which is what the encoder takes.
    QVector<int> bitrates;
    int lowestKbps;
    int highestKbps;
    // How much further below the lossy formats' ceiling the limiter keeps
    // this encoder's input, where its decoded output overshoots more than
    // most (the conversion checks it and tries again, but each try costs a
    // whole conversion).
    double headroomDb;
    // Where the encoder is driven by quality rather than bit rate: its
    // quality for each of `bitrates`, which are then the nominal rates of
    // those qualities. Empty for the others.
    QVector<double> qualities;
    // The sample rates the format is written at, where fewer than its
    // encoder takes: from lowestRate to highestRate, 0 for no bound.
    int lowestRate;
    int highestRate;
    Note note;
    Pictures pictures;
    Gains gains;
    // A video kept in an mp4 or mov container can hold it; otherwise the
    // video goes into Matroska, which holds any audio.
    bool quickTimeVideo;

    static const QVector<OutputFormat> &all();
    // The entry of a stored number or a command-line word; null when none.
    static const OutputFormat *find(int id);
    static const OutputFormat *named(const QString &name);

    QString extension() const { return QString::fromLatin1(extensionText); }
    // The label in the interface's language.
    QString displayLabel() const;
    // Lossy formats are the ones with a bit rate.
    bool lossy() const { return !bitrates.isEmpty(); }
    bool holdsHighResolution() const { return highResolutionCodec != nullptr; }
    int clampBitrate(int kbps) const;
    // The encoder's quality for a rate within the offered ones (between
    // two of them, in proportion); negative where the format is driven by
    // bit rate.
    double qualityFor(int kbps) const;
};

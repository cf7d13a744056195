#pragma once

#include "engine/ConversionSettings.h"

#include <QString>

struct AVDictionary;
struct AVFormatContext;
struct AVStream;

// What an output keeps of its source's description: the container's and the
// audio stream's tags, by FFmpeg's generic keys, so that they survive from
// one container to another, less those that describe the source's exact
// samples or its container; and a note of the retuning.
class Metadata
{
public:
    // Copies the source's tags into `target`.
    static void copyTags(const AVFormatContext *source, const AVStream *audio, AVDictionary **target);
    // Whether a tag describes the source's own samples or encoding (encoder
    // delay, checksums, peak values, stream statistics), and so is false
    // for the output.
    static bool describesSourceSamples(const char *key);

    // "A4 = 432 Hz (from 440 Hz, frequency based)"; `measuredSource` > 0
    // when the source's pitch was measured.
    static QString tuningNote(const ConversionSettings &settings, double measuredSource = 0.0);
    // Adds the note as the tag TUNING where the container takes tags of any
    // name, else to the comment, the one field every player shows.
    static void addTuningNote(AVFormatContext *output, const QString &note);
    // The note of a file this program retuned; empty for any other.
    static QString tuningNoteOf(const AVFormatContext *source);
};

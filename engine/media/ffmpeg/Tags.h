#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include "media/OutputFormat.h"

#include <QString>

// What an output keeps of its source's description: the container's and the
// audio stream's tags, by FFmpeg's generic keys, so that they survive from
// one container to another, less those that describe the source's exact
// samples or its container; and the note of the retuning.
namespace Tags {

// Copies the source's tags into `target`, their loudness gains as `gains`
// says: the shift does not change the loudness measurably, so the gains
// stay true.
void copy(const AVFormatContext *source, const AVStream *audio, AVDictionary **target,
          OutputFormat::Gains gains);
// Whether a tag describes the source's own samples or encoding (encoder
// delay, checksums, peak values, stream statistics), and so is false for
// the output.
bool describesSourceSamples(const char *key);
// Adds the note as the tag TUNING, or (ownTag false) to the comment.
void addNote(AVDictionary **tags, const QString &note, bool ownTag);

} // namespace Tags

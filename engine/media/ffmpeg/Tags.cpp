#include "media/ffmpeg/Tags.h"

extern "C" {
#include <libavutil/dict.h>
}

#include <QByteArray>

#include <cstring>
#include <strings.h>

namespace {

constexpr const char *NoteKey = "TUNING";

// Compared without case: containers spell them differently.
const char *const SampleSpecificKeys[] = {
    "encoder", "encoder_options", "encodersettings", "encoded_by_settings", "itunsmpb", "itunnorm",
    "replaygain_track_peak", "replaygain_album_peak", "md5", "duration", "number_of_frames", "number_of_bytes",
    // container and stream facts, not tags of the work
    "major_brand", "minor_version", "compatible_brands", "handler_name", "vendor_id", "language",
    // our own note, written anew
    NoteKey,
};
const char *const SampleSpecificPrefixes[] = {"accuraterip", "ctdb", "_statistics"};

} // namespace

bool Tags::describesSourceSamples(const char *key)
{
    for (const char *known : SampleSpecificKeys) {
        if (strcasecmp(key, known) == 0)
            return true;
    }
    for (const char *prefix : SampleSpecificPrefixes) {
        if (strncasecmp(key, prefix, std::strlen(prefix)) == 0)
            return true;
    }
    return false;
}

void Tags::copy(const AVFormatContext *source, const AVStream *audio, AVDictionary **target)
{
    // Ogg keeps its tags on the stream, most containers on the container;
    // where both have one, the stream's is the more specific.
    for (const AVDictionary *tags : {source->metadata, audio ? audio->metadata : nullptr}) {
        const AVDictionaryEntry *entry = nullptr;
        while ((entry = av_dict_get(tags, "", entry, AV_DICT_IGNORE_SUFFIX))) {
            if (!describesSourceSamples(entry->key))
                av_dict_set(target, entry->key, entry->value, 0);
        }
    }
}

void Tags::addNote(AVFormatContext *output, const QString &note, bool ownTag)
{
    const QByteArray text = note.toUtf8();
    if (ownTag) {
        av_dict_set(&output->metadata, NoteKey, text.constData(), 0);
        return;
    }
    const AVDictionaryEntry *comment = av_dict_get(output->metadata, "comment", nullptr, 0);
    const QByteArray combined = comment && comment->value[0] ? QByteArray(comment->value) + '\n' + text : text;
    av_dict_set(&output->metadata, "comment", combined.constData(), 0);
}

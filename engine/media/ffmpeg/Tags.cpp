#include "media/ffmpeg/Tags.h"

extern "C" {
#include <libavutil/dict.h>
}

#include <QByteArray>

#include <algorithm>
#include <cmath>
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

// ReplayGain's reference is 89 dB SPL, about -18 LUFS; Opus's R128 gains
// are relative to -23 LUFS, so they are 5 dB lower, and are written as Q7.8
// integers (1/256 dB).
constexpr double R128BelowReplayGainDb = 5.0;
constexpr double R128Steps = 256.0;
struct GainKeys
{
    const char *replayGain;
    const char *r128;
};
const GainKeys Gains[] = {{"REPLAYGAIN_TRACK_GAIN", "R128_TRACK_GAIN"},
                          {"REPLAYGAIN_ALBUM_GAIN", "R128_ALBUM_GAIN"}};

// "-3.52 dB" as -3.52; false where it is no number.
bool decibels(const char *text, double *db)
{
    QByteArray number = QByteArray(text).trimmed();
    if (number.toLower().endsWith("db"))
        number.chop(2);
    bool ok = false;
    *db = number.trimmed().toDouble(&ok);
    return ok && std::isfinite(*db);
}

const char *valueOf(AVDictionary *tags, const char *key)
{
    const AVDictionaryEntry *entry = av_dict_get(tags, key, nullptr, 0);
    return entry ? entry->value : nullptr;
}

// Opus players read R128 gains and no others: ReplayGain's become those
// (where the source had none), and every REPLAYGAIN_ tag goes.
void toR128(AVDictionary **tags)
{
    for (const GainKeys &keys : Gains) {
        double db = 0.0;
        const char *replayGain = valueOf(*tags, keys.replayGain);
        if (!valueOf(*tags, keys.r128) && replayGain && decibels(replayGain, &db)) {
            const long q78 = std::lround(std::clamp((db - R128BelowReplayGainDb) * R128Steps, -32768.0, 32767.0));
            av_dict_set(tags, keys.r128, QByteArray::number(qlonglong(q78)).constData(), 0);
        }
    }
    const AVDictionaryEntry *entry = nullptr;
    while ((entry = av_dict_get(*tags, "REPLAYGAIN_", nullptr, AV_DICT_IGNORE_SUFFIX)))
        av_dict_set(tags, entry->key, nullptr, 0);
}

// Elsewhere R128 gains mean nothing (they are relative to Opus's header
// gain): an Opus source's become ReplayGain's.
void toReplayGain(AVDictionary **tags)
{
    for (const GainKeys &keys : Gains) {
        const char *r128 = valueOf(*tags, keys.r128);
        bool ok = false;
        const int q78 = r128 ? QByteArray(r128).trimmed().toInt(&ok) : 0;
        if (ok && !valueOf(*tags, keys.replayGain)) {
            const QByteArray db = QByteArray::number(q78 / R128Steps + R128BelowReplayGainDb, 'f', 2) + " dB";
            av_dict_set(tags, keys.replayGain, db.constData(), 0);
        }
        if (r128)
            av_dict_set(tags, keys.r128, nullptr, 0);
    }
}

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

void Tags::copy(const AVFormatContext *source, const AVStream *audio, AVDictionary **target,
               OutputFormat::Gains gains)
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
    if (gains == OutputFormat::Gains::R128)
        toR128(target);
    else
        toReplayGain(target);
}

void Tags::addNote(AVDictionary **tags, const QString &note, bool ownTag)
{
    const QByteArray text = note.toUtf8();
    if (ownTag) {
        av_dict_set(tags, NoteKey, text.constData(), 0);
        return;
    }
    const AVDictionaryEntry *comment = av_dict_get(*tags, "comment", nullptr, 0);
    const QByteArray combined = comment && comment->value[0] ? QByteArray(comment->value) + '\n' + text : text;
    av_dict_set(tags, "comment", combined.constData(), 0);
}

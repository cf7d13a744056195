#include "engine/Metadata.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <QByteArray>
#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <strings.h>

namespace {

constexpr const char *TuningKey = "TUNING";

// Compared without case: containers spell them differently.
const char *const SampleSpecificKeys[] = {
    "encoder", "encoder_options", "encodersettings", "encoded_by_settings", "itunsmpb", "itunnorm",
    "replaygain_track_peak", "replaygain_album_peak", "md5", "duration", "number_of_frames", "number_of_bytes",
    // container and stream facts, not tags of the work
    "major_brand", "minor_version", "compatible_brands", "handler_name", "vendor_id", "language",
    // our own note, written anew
    TuningKey,
};
const char *const SampleSpecificPrefixes[] = {"accuraterip", "ctdb", "_statistics"};

QString hertz(double value)
{
    return QString::number(std::round(value * 100.0) / 100.0, 'g', 12);
}

} // namespace

bool Metadata::describesSourceSamples(const char *key)
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

void Metadata::copyTags(const AVFormatContext *source, const AVStream *audio, AVDictionary **target)
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

QString Metadata::tuningNote(const ConversionSettings &settings, double measuredSource)
{
    const QString algorithm = settings.algorithm == AppConstants::A_Frequency ? QStringLiteral("frequency based")
                                                                              : QStringLiteral("time based");
    const QString source = measuredSource > 0.0
                               ? QStringLiteral("from a measured %1 Hz").arg(hertz(measuredSource))
                               : QStringLiteral("from %1 Hz").arg(hertz(settings.sourceFrequency));
    return QStringLiteral("A4 = %1 Hz (%2, %3)").arg(hertz(settings.targetFrequency), source, algorithm);
}

void Metadata::addTuningNote(AVFormatContext *output, const QString &note)
{
    const QByteArray text = note.toUtf8();
    // ID3v2 and Vorbis comments take any name; MP4's and RIFF's tag lists
    // are fixed.
    const char *container = output->oformat ? output->oformat->name : "";
    const bool anyName = std::strcmp(container, "mp3") == 0 || std::strcmp(container, "flac") == 0
                         || std::strcmp(container, "ogg") == 0 || std::strcmp(container, "matroska") == 0;
    if (anyName) {
        av_dict_set(&output->metadata, TuningKey, text.constData(), 0);
        return;
    }
    const AVDictionaryEntry *comment = av_dict_get(output->metadata, "comment", nullptr, 0);
    const QByteArray combined = comment && comment->value[0] ? QByteArray(comment->value) + '\n' + text : text;
    av_dict_set(&output->metadata, "comment", combined.constData(), 0);
}

QString Metadata::tuningNoteOf(const AVFormatContext *source)
{
    // A tag of its own, or our words in the comment where there is none.
    static const QRegularExpression note(
        QStringLiteral("A4 = [0-9.]+ Hz \\(from (a measured )?[0-9.]+ Hz, (time|frequency) based\\)"));
    const AVDictionary *streamTags = source->nb_streams > 0 ? source->streams[0]->metadata : nullptr;
    for (const AVDictionary *tags : {const_cast<const AVDictionary *>(source->metadata), streamTags}) {
        if (const AVDictionaryEntry *tuning = av_dict_get(tags, TuningKey, nullptr, 0))
            return QString::fromUtf8(tuning->value);
        if (const AVDictionaryEntry *comment = av_dict_get(tags, "comment", nullptr, 0)) {
            const QRegularExpressionMatch match = note.match(QString::fromUtf8(comment->value));
            if (match.hasMatch())
                return match.captured(0);
        }
    }
    return QString();
}

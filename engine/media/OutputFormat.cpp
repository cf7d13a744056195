#include "media/OutputFormat.h"

#include "base/Table.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

using Note = OutputFormat::Note;
using Pictures = OutputFormat::Pictures;

// Debian's FFmpeg carries both LAME and the much weaker shine encoder for
// mp3: LAME is asked for by name, so that the look-up order does not decide.
// Bit rates: MPEG-1 Layer III at 44.1 kHz has 32 to 320 kbit/s (LAME maps
// anything else to one of those, silently); FFmpeg's AAC encoder refuses
// negative rates and caps stereo 44.1 kHz at 529 kbit/s.
} // namespace

// In the order the lists offer them. A function's own table, so that it is
// there for whoever asks first, static initialisers of other files included.
const QVector<OutputFormat> &OutputFormat::all()
{
    static const QVector<OutputFormat> formats = {
        {0, "mp3", QT_TRANSLATE_NOOP("OutputFormat", "mp3"), "mp3", "mp3", "libmp3lame", nullptr,
         {320, 256, 192, 160, 128, 96}, 32, 320, Note::Tag, Pictures::Attached, true},
        {3, "m4a", QT_TRANSLATE_NOOP("OutputFormat", "m4a (AAC)"), "m4a", "aac", nullptr, nullptr,
         {512, 320, 256, 192, 160, 128, 96}, 32, 512, Note::Comment, Pictures::Attached, true},
        {1, "wav", QT_TRANSLATE_NOOP("OutputFormat", "wav"), "wav", "pcm_s16le", nullptr, "pcm_s24le", {}, 0, 0,
         Note::Comment, Pictures::None, false},
        {2, "flac", QT_TRANSLATE_NOOP("OutputFormat", "flac"), "flac", "flac", nullptr, "flac", {}, 0, 0, Note::Tag,
         Pictures::Attached, false},
    };
    return formats;
}

const OutputFormat *OutputFormat::find(int id)
{
    return Table::withId(all(), id);
}

const OutputFormat *OutputFormat::named(const QString &name)
{
    return Table::named(all(), name);
}

QString OutputFormat::displayLabel() const
{
    return QCoreApplication::translate("OutputFormat", label);
}

int OutputFormat::clampBitrate(int kbps) const
{
    return lossy() ? std::clamp(kbps, lowestKbps, highestKbps) : kbps;
}

#include "media/OutputFormat.h"

#include "base/Table.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

using Note = OutputFormat::Note;
using Pictures = OutputFormat::Pictures;
using Gains = OutputFormat::Gains;

// Debian's FFmpeg carries both LAME and the much weaker shine encoder for
// mp3: LAME is asked for by name, so that the look-up order does not decide;
// likewise libvorbis and libopus over FFmpeg's own experimental encoders.
// Bit rates: MPEG-1 Layer III at 44.1 kHz has 32 to 320 kbit/s (LAME maps
// anything else to one of those, silently); FFmpeg's AAC encoder refuses
// negative rates and caps stereo 44.1 kHz at 529 kbit/s. libvorbis is best
// driven by quality: q3 to q8 make 112 to 256 kbit/s on stereo at 44.1 kHz,
// and it has no mode above 192 kHz. Opus codes at 48 kHz only (libopus takes
// lower rates by coding a narrower band, which is not what "as the source"
// means), and its decoded output overshoots loud masters by 1.7 dB more than
// the limiter's -1 dBTP (five minutes of real music at 96 to 192 kbit/s);
// 1.5 dB more headroom spares them the second and third try. ALAC takes 24
// bits as 32-bit samples.
} // namespace

// In the order the lists offer them. A function's own table, so that it is
// there for whoever asks first, static initialisers of other files included.
const QVector<OutputFormat> &OutputFormat::all()
{
    static const QVector<OutputFormat> formats = {
        {0, "mp3", QT_TRANSLATE_NOOP("OutputFormat", "mp3"), "mp3", "mp3", "libmp3lame", nullptr,
         {320, 256, 192, 160, 128, 96}, 32, 320, 0.0, {}, 0, 0, Note::Tag, Pictures::Attached, Gains::ReplayGain, true},
        {3, "m4a", QT_TRANSLATE_NOOP("OutputFormat", "m4a (AAC)"), "m4a", "aac", nullptr, nullptr,
         {512, 320, 256, 192, 160, 128, 96}, 32, 512, 0.0, {}, 0, 0, Note::Comment, Pictures::Attached, Gains::ReplayGain,
         true},
        {4, "ogg", QT_TRANSLATE_NOOP("OutputFormat", "ogg (Vorbis)"), "ogg", "vorbis", "libvorbis", nullptr,
         {256, 224, 192, 160, 128, 112}, 112, 256, 0.0, {8, 7, 6, 5, 4, 3}, 0, 192000, Note::Tag, Pictures::VorbisComment,
         Gains::ReplayGain, false},
        {5, "opus", QT_TRANSLATE_NOOP("OutputFormat", "opus"), "opus", "opus", "libopus", nullptr,
         {256, 192, 160, 128, 96, 64}, 64, 256, 1.5, {}, 48000, 48000, Note::Tag, Pictures::VorbisComment, Gains::R128,
         false},
        {1, "wav", QT_TRANSLATE_NOOP("OutputFormat", "wav"), "wav", "pcm_s16le", nullptr, "pcm_s24le", {}, 0, 0, 0.0, {},
         0, 0, Note::Comment, Pictures::None, Gains::ReplayGain, false},
        {2, "flac", QT_TRANSLATE_NOOP("OutputFormat", "flac"), "flac", "flac", nullptr, "flac", {}, 0, 0, 0.0, {}, 0, 0,
         Note::Tag, Pictures::Attached, Gains::ReplayGain, false},
        {6, "alac", QT_TRANSLATE_NOOP("OutputFormat", "m4a (Apple Lossless)"), "m4a", "alac", nullptr, "alac", {}, 0, 0,
         0.0, {}, 0, 0, Note::Comment, Pictures::Attached, Gains::ReplayGain, true},
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

double OutputFormat::qualityFor(int kbps) const
{
    if (qualities.size() != bitrates.size() || qualities.isEmpty())
        return -1.0;
    kbps = clampBitrate(kbps);
    // The rates run from the highest down.
    for (int i = 1; i < bitrates.size(); ++i) {
        if (kbps >= bitrates[i]) {
            const double share = double(kbps - bitrates[i]) / double(bitrates[i - 1] - bitrates[i]);
            return qualities[i] + share * (qualities[i - 1] - qualities[i]);
        }
    }
    return qualities.last();
}

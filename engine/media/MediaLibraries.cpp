#include "media/MediaLibraries.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

#include <dlfcn.h>

namespace {

// The encoders that come in through FFmpeg: their symbols are in the process
// without our linking them, and missing where FFmpeg was built without them.
struct Encoder
{
    const char *name;
    const char *versionCall;
    const char *licence;
    const char *use;
};
const Encoder Encoders[] = {
    {"LAME", "get_lame_version", "LGPL-2.0-or-later", QT_TRANSLATE_NOOP("MediaLibraries", "mp3 encoding")},
    {"libvorbis", "vorbis_version_string", "BSD-3-Clause", QT_TRANSLATE_NOOP("MediaLibraries", "Ogg Vorbis encoding")},
    {"libopus", "opus_get_version_string", "BSD-3-Clause", QT_TRANSLATE_NOOP("MediaLibraries", "Opus encoding")},
};

} // namespace

QList<LibraryInfo> MediaLibraries::all()
{
    // FFmpeg's licence depends on how it was built: it says which.
    QList<LibraryInfo> libraries{{QStringLiteral("FFmpeg"), QString::fromLatin1(av_version_info()),
                                  QString::fromLatin1(avcodec_license()), tr("decoding and encoding")}};
    using VersionCall = const char *(*)();
    for (const Encoder &encoder : Encoders) {
        const auto call = reinterpret_cast<VersionCall>(dlsym(RTLD_DEFAULT, encoder.versionCall));
        if (call) {
            libraries.append({QLatin1String(encoder.name), QString::fromLatin1(call()),
                              QLatin1String(encoder.licence), tr(encoder.use)});
        }
    }
    return libraries;
}

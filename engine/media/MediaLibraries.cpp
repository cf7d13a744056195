#include "media/MediaLibraries.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

#include <dlfcn.h>

namespace {

// LAME comes in through FFmpeg's mp3 encoder, so its symbols are in the
// process without our linking it; empty when FFmpeg was built without it.
QString lameVersion()
{
    using VersionCall = const char *(*)();
    const auto call = reinterpret_cast<VersionCall>(dlsym(RTLD_DEFAULT, "get_lame_version"));
    return call ? QString::fromLatin1(call()) : QString();
}

} // namespace

QList<LibraryInfo> MediaLibraries::all()
{
    // FFmpeg's licence depends on how it was built: it says which.
    QList<LibraryInfo> libraries{{QStringLiteral("FFmpeg"), QString::fromLatin1(av_version_info()),
                                  QString::fromLatin1(avcodec_license()), tr("decoding and encoding")}};
    const QString lame = lameVersion();
    if (!lame.isEmpty())
        libraries.append({QStringLiteral("LAME"), lame, QStringLiteral("LGPL-2.0-or-later"), tr("mp3 encoding")});
    return libraries;
}

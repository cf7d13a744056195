#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <QByteArray>

// Cover art where Vorbis comments hold it (Ogg Vorbis and Opus): FLAC's
// picture block, base64-encoded under the name METADATA_BLOCK_PICTURE.
// FFmpeg's Ogg muxer takes no picture stream, but its demuxer turns such a
// comment back into one, so the picture goes round to the same bytes.
namespace PictureBlock {

// The comment's name.
constexpr const char *Key = "METADATA_BLOCK_PICTURE";

// The block of an attached picture, base64-encoded; empty where its image
// format has no MIME type a reader would take.
QByteArray of(const AVStream *picture);

} // namespace PictureBlock

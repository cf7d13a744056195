#include "media/ffmpeg/PictureBlock.h"

#include <QtEndian>

#include <algorithm>
#include <iterator>

namespace {

// ID3v2's picture types, which FLAC's block shares; FFmpeg's demuxers name
// a picture's type so in its stream's comment.
const char *const PictureTypes[] = {
    "Other", "32x32 pixels 'file icon'", "Other file icon", "Cover (front)", "Cover (back)", "Leaflet page",
    "Media (e.g. label side of CD)", "Lead artist/lead performer/soloist", "Artist/performer", "Conductor",
    "Band/Orchestra", "Composer", "Lyricist/text writer", "Recording Location", "During recording",
    "During performance", "Movie/video screen capture", "A bright coloured fish", "Illustration",
    "Band/artist logotype", "Publisher/Studio logotype",
};
constexpr quint32 FrontCover = 3;

struct ImageType
{
    AVCodecID codec;
    const char *mime;
};
const ImageType ImageTypes[] = {
    {AV_CODEC_ID_MJPEG, "image/jpeg"}, {AV_CODEC_ID_PNG, "image/png"},   {AV_CODEC_ID_GIF, "image/gif"},
    {AV_CODEC_ID_BMP, "image/bmp"},    {AV_CODEC_ID_TIFF, "image/tiff"}, {AV_CODEC_ID_WEBP, "image/webp"},
};

// Where the source does not say (MP4 cover art), it is the front cover.
quint32 typeOf(const AVStream *picture)
{
    const AVDictionaryEntry *comment = av_dict_get(picture->metadata, "comment", nullptr, 0);
    for (quint32 type = 0; comment && type < std::size(PictureTypes); ++type) {
        if (qstrcmp(comment->value, PictureTypes[type]) == 0)
            return type;
    }
    return FrontCover;
}

void put(QByteArray &block, quint32 value)
{
    const quint32 bigEndian = qToBigEndian(value);
    block.append(reinterpret_cast<const char *>(&bigEndian), sizeof bigEndian);
}

void put(QByteArray &block, const QByteArray &text)
{
    put(block, quint32(text.size()));
    block.append(text);
}

} // namespace

QByteArray PictureBlock::of(const AVStream *picture)
{
    const char *mime = nullptr;
    for (const ImageType &image : ImageTypes) {
        if (image.codec == picture->codecpar->codec_id)
            mime = image.mime;
    }
    if (!mime || picture->attached_pic.size <= 0)
        return {};
    const AVDictionaryEntry *title = av_dict_get(picture->metadata, "title", nullptr, 0);
    QByteArray block;
    put(block, typeOf(picture));
    put(block, QByteArray(mime));
    put(block, QByteArray(title ? title->value : ""));
    put(block, quint32(std::max(0, picture->codecpar->width)));
    put(block, quint32(std::max(0, picture->codecpar->height)));
    put(block, 0u);  // colour depth and palette size: "unknown" is allowed
    put(block, 0u);
    put(block, QByteArray::fromRawData(reinterpret_cast<const char *>(picture->attached_pic.data),
                                       picture->attached_pic.size));
    return block.toBase64();
}

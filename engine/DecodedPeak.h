#pragma once

#include <QString>

class AudioDecoder;
class WorkingFormat;
struct AVPacket;

// What a player makes of a file: the largest sample magnitude of its
// decoded audio streams.
class DecodedPeak
{
public:
    // 0 for a file that cannot be decoded.
    static float of(const QString &path);
    // Decodes a packet (null: the end) and raises `peak` to the largest
    // magnitude of what came out, through `floats` at the stream's own rate
    // in stereo, so that no filter touches the peaks. False as the decoder's
    // decode() is.
    static bool measure(AudioDecoder &decoder, WorkingFormat &floats, const AVPacket *packet, float &peak);
};

#pragma once

#include <QString>

// What a player makes of a file: the largest sample magnitude of its
// decoded audio streams.
class DecodedPeak
{
public:
    // 0 for a file that cannot be decoded.
    static float of(const QString &path);
};

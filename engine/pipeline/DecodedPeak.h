#pragma once

#include <QString>

// What a player makes of a file: the largest sample magnitude of its
// decoded audio streams, at their own rates, so that no filter touches the
// peaks; 0 for a file that cannot be decoded.
namespace DecodedPeak {

float of(const QString &path);

} // namespace DecodedPeak

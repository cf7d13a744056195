#pragma once

#include "pipeline/ConversionSettings.h"

#include <QString>

class SourceFile;

// The note an output carries of its retuning, "A4 = 432 Hz (from 440 Hz,
// frequency based)": it tells users what was done, and tells a later run
// that the file is an output of ours, which must not be retuned twice.
namespace TuningNote {

// `measuredSource` > 0 when the source's pitch was measured.
QString of(const ConversionSettings &settings, double measuredSource = 0.0);
// The note of a file this program retuned, from its own tag or from its
// comment where the container has no tag of that name; empty for any other
// file.
QString in(const SourceFile &source);

} // namespace TuningNote

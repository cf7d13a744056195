#pragma once

#include "dsp/PitchShifter.h"

#include <QString>
#include <QVector>

#include <memory>

// What a pitch-shifting algorithm is, everything in one entry of the table
// in PitchAlgorithm.cpp: the command line, the settings' lists, the
// conversion and the retuning note all read it. Adding an algorithm is one
// entry there, plus its shifter.
class PitchAlgorithm
{
public:
    // The stored number of an algorithm: a settings store keeps it, so an
    // entry's number never changes and is never reused.
    int id;
    // The word for it on the command line and in reports.
    const char *name;
    // Its name in the lists, translated under the context "PitchAlgorithm".
    const char *label;
    // How the retuning note names it, never translated: the note is read
    // back to recognise an output of ours.
    const char *noteWords;
    // The library that does the work, for --help.
    const char *library;
    // A shifter that keeps the duration and shifts by `semitones`.
    std::unique_ptr<PitchShifter> (*make)(int sampleRate, int channels, double semitones);
    // The rate it works at for an output at `outputRate` (the encoder
    // brings the result back).
    int (*workingRate)(int outputRate);

    static const QVector<PitchAlgorithm> &all();
    // The entry of a stored number or a command-line word; null when none.
    static const PitchAlgorithm *find(int id);
    static const PitchAlgorithm *named(const QString &name);

    // The label in the interface's language.
    QString displayLabel() const;
};

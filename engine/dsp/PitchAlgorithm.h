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
    // What a conversion asks of a shifter besides the shift.
    struct Options
    {
        // Keep a voice's formants where they are, so that it does not
        // sound like another voice at large shifts (where canKeepFormants).
        bool keepFormants = false;
    };

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
    std::unique_ptr<PitchShifter> (*make)(int sampleRate, int channels, double semitones, const Options &options);
    // The rate it works at for an output at `outputRate` (the encoder
    // brings the result back).
    int (*workingRate)(int outputRate);
    // Whether it can keep formants; the others ignore Options::keepFormants.
    bool canKeepFormants;

    static const QVector<PitchAlgorithm> &all();
    // The entry of a stored number or a command-line word; null when none.
    static const PitchAlgorithm *find(int id);
    static const PitchAlgorithm *named(const QString &name);

    // The label in the interface's language.
    QString displayLabel() const;
    // Whether a conversion with these settings keeps the formants.
    static bool keepsFormants(int id, bool keepFormants);
};

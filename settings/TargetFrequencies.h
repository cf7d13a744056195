#pragma once

#include <QVariant>
#include <QVector>

// The target pitches offered to the user: each label names a frequency and
// the note that should sound at it; the value is the pitch of A4 that makes
// it so, in equal temperament.
class TargetFrequencies
{
public:
    struct Choice
    {
        const char *label;  // "528 Hz (C5)"
        QVariant value;     // the A4 pitch in Hz: whole numbers as int
    };

    static const QVector<Choice> &choices();

    // For a number given by a user: the value of the choice whose label
    // starts with that frequency (528 gives 444), else the number itself.
    static double valueFor(double hz);
};

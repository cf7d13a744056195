#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

// The target pitches offered to the user: each label names a frequency and
// the note that should sound at it; the value is the pitch of A4 that makes
// it so, in equal temperament. Any other A4 may be typed; the concert
// pitches orchestras and ensembles tune to are suggested for it.
class TargetFrequencies
{
public:
    struct Choice
    {
        const char *label;  // "528 Hz (C5)"
        QVariant value;     // the A4 pitch in Hz: whole numbers as int
    };

    static const QVector<Choice> &choices();
    // A4 in Hz: baroque, modern, and the two orchestras tune to.
    static const QVector<double> &concertPitches();

    // For a number given by a user: the value of the choice whose label
    // starts with that frequency (528 gives 444), else the number itself.
    static double valueFor(double hz);

    // A pitch as the interface language writes it, with as many decimals
    // as it has (two at most) and no group separator: "438,48", "2000".
    static QString text(double hz);
    // A pitch typed in the interface language, or with a decimal point;
    // none for anything else.
    static std::optional<double> parse(const QString &text);
};

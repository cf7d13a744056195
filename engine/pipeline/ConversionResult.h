#pragma once

#include "base/TranslatableText.h"

#include <QList>
#include <QString>
#include <QStringList>

// How one conversion ended.
struct ConversionResult
{
    enum Status {
        Converted,  // outputPath holds the complete output
        Failed,     // message says why, in words; no output is left
        Stopped,    // on request; no output is left
        Skipped     // the output exists already (outputPath names it)
    };

    Status status = Failed;
    TranslatableText message;  // shown in the language of the moment
    QString outputPath;
    // Converted, but with something the user should know (damage in the
    // source, a fallback), in words shown in the language of the moment.
    QList<TranslatableText> warnings;
    double audioSeconds = 0.0;  // of the source, as decoded
    double measuredA4 = 0.0;    // Hz, where the source's pitch was measured and used

    bool converted() const { return status == Converted; }
    // The warnings in the language of the moment.
    QStringList warningTexts() const
    {
        QStringList texts;
        for (const TranslatableText &warning : warnings)
            texts << warning.toString();
        return texts;
    }
};

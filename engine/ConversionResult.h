#pragma once

#include <QString>
#include <QStringList>

// How one conversion ended.
struct ConversionResult
{
    enum Status {
        Converted,  // outputPath holds the complete output
        Failed,     // message says why, in words; no output is left
        Stopped     // on request; no output is left
    };

    Status status = Failed;
    QString message;
    QString outputPath;

    bool converted() const { return status == Converted; }
};

#pragma once

#include "engine/Conversion.h"
#include "engine/ConversionResult.h"

#include <QObject>
#include <QPointer>

class QueueEntry;

// Converts one queued file with the settings it was queued with: the
// engine's conversion, told to stop when the entry's removal is asked for,
// its outcome as signals.
//
// run() is synchronous, on the thread that calls it.
class ProcessingJob : public QObject
{
    Q_OBJECT

public:
    explicit ProcessingJob(QueueEntry *entry);

    // True when the file was converted. Otherwise the result says why
    // (fileProcessingError has said it too, unless the run was stopped).
    bool run();
    const ConversionResult &result() const { return m_result; }

    void setEncoderThread(Conversion::EncoderThread mode) { m_encoderThread = mode; }

Q_SIGNALS:
    void fileProcessingError(const QString &message);
    void progressUpdate(double progress);

private:
    QPointer<QueueEntry> m_entry;
    Conversion::EncoderThread m_encoderThread = Conversion::EncoderThread::Auto;
    ConversionResult m_result;
};

#include "queue/ProcessingJob.h"

#include "engine/LogCategories.h"
#include "queue/QueueEntry.h"

ProcessingJob::ProcessingJob(QueueEntry *entry)
    : QObject(nullptr)
    , m_entry(entry)
{
}

bool ProcessingJob::run()
{
    if (!m_entry) {
        m_result = ConversionResult();
        m_result.status = ConversionResult::Stopped;
        return false;
    }
    // The entry lives as long as its job: whoever removes it waits for the
    // job first.
    QueueEntry *entry = m_entry.data();
    Conversion conversion({entry->filePath(), entry->targetDirectory(), entry->settings()});
    conversion.setStopCheck([entry] { return entry->deleteWhenFinished(); });
    conversion.setProgressCallback([this](double progress) { Q_EMIT progressUpdate(progress); });
    conversion.setEncoderThread(m_encoderThread);
    m_result = conversion.run();
    qCDebug(lcQueue) << entry->filePath() << "status" << int(m_result.status) << m_result.message
                     << m_result.outputPath << m_result.warnings;
    if (m_result.status == ConversionResult::Failed)
        Q_EMIT fileProcessingError(m_result.message);
    return m_result.converted();
}

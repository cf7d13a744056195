#include "queue/QueueEntry.h"

#include "engine/OutputFormat.h"
#include "settings/Translator.h"

#include <QFileInfo>
#include <QLocale>
#include <QMetaObject>
#include <QThread>

#include <cmath>

QueueEntry::QueueEntry(const QString &filePath, const QString &targetDirectory, const ConversionSettings &settings,
                       QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_filePath = filePath;
    m_targetDirectory = targetDirectory;
    qRegisterMetaType<QueueEntry::State>("State");
    update_readableName(QFileInfo(filePath).fileName());
    update_displayName(readableName());
    // With the entry as context, a state change made on a worker thread
    // updates the texts in the entry's thread.
    connect(this, &QueueEntry::stateChanged, this, &QueueEntry::updateTexts);
    connect(this, &QueueEntry::progressChanged, this, &QueueEntry::updateTexts);
    connect(Translator::instance(), &Translator::languageChanged, this, &QueueEntry::updateTexts);
    updateTexts();
}

QString QueueEntry::getStringForState(State state) const
{
    const Translator *texts = Translator::instance();
    switch (state) {
    case S_Pending:
        return texts->strPending();
    case S_Processing:
        return texts->strProcessing();
    case S_Finished:
        return texts->strFinished();
    case S_Failed:
        return texts->strFailed();
    case S_Skipped:
        return texts->strSkipped();
    }
    return QString();
}

QString QueueEntry::pitchAndFormat() const
{
    const OutputFormat *format = OutputFormat::find(m_settings.audioFormat);
    return tr("→ %1 Hz · %2")
        .arg(QLocale().toString(m_settings.targetFrequency), format ? format->extension() : QStringLiteral("?"));
}

void QueueEntry::updateTexts()
{
    const State current = state();
    const QString output = QFileInfo(outputPath()).fileName();
    // The short form for the row, the long one for the tooltip.
    QString detail;
    QString fullDetail;
    switch (current) {
    case S_Pending:
        detail = pitchAndFormat();
        fullDetail = tr("%1 into %2").arg(detail, targetDirectory());
        break;
    case S_Processing:
        detail = tr("%1 % · %2").arg(QLocale().toString(int(std::floor(progress() * 100.0))), pitchAndFormat());
        fullDetail = tr("%1 into %2").arg(detail, targetDirectory());
        break;
    case S_Finished:
        detail = tr("→ %1").arg(output);
        fullDetail = tr("→ %1").arg(outputPath());
        if (m_measuredA4 > 0.0) {
            const QString measured = tr("measured A4 = %1 Hz").arg(QLocale().toString(m_measuredA4, 'f', 1));
            detail = tr("%1 · %2").arg(measured, detail);
            fullDetail = tr("%1 · %2").arg(measured, fullDetail);
        }
        break;
    case S_Failed:
        detail = fullDetail = m_reason.toString();
        break;
    case S_Skipped:
        detail = tr("%1 exists").arg(output);
        fullDetail = tr("%1 exists").arg(outputPath());
        break;
    }
    const QString stateText = getStringForState(current);
    update_stateString(stateText);
    update_statusText(detail.isEmpty() ? stateText : tr("%1 · %2").arg(stateText, detail));
    update_warningText(m_warnings.join(QLatin1Char(' ')));

    QStringList tip{filePath(), fullDetail.isEmpty() ? stateText : tr("%1 · %2").arg(stateText, fullDetail)};
    tip += m_warnings;
    update_toolTip(tip.join(QLatin1Char('\n')));
}

void QueueEntry::applyResult(const ConversionResult &result)
{
    m_reason = result.message;
    m_warnings = result.warnings;
    m_audioSeconds = result.audioSeconds;
    m_measuredA4 = result.measuredA4;
    update_outputPath(result.outputPath);
    switch (result.status) {
    case ConversionResult::Converted:
        update_progress(1.0);
        update_state(S_Finished);
        break;
    case ConversionResult::Skipped:
        update_state(S_Skipped);
        break;
    case ConversionResult::Stopped:
        if (m_reason.isEmpty())
            m_reason = TranslatableText("QueueEntry", QT_TRANSLATE_NOOP("QueueEntry", "Stopped."));
        update_state(S_Failed);
        break;
    case ConversionResult::Failed:
        update_state(S_Failed);
        break;
    }
    // The state may have been that already (set by the job itself).
    updateTexts();
}

bool QueueEntry::retry()
{
    if (state() != S_Failed)
        return false;
    m_reason = TranslatableText();
    m_warnings.clear();
    m_audioSeconds = 0.0;
    m_measuredA4 = 0.0;
    update_outputPath(QString());
    update_progress(0.0);
    m_reportedProgress.store(0.0);
    update_state(S_Pending);
    return true;
}

bool QueueEntry::update_state(State state)
{
    if (m_state.exchange(state, std::memory_order_acq_rel) == state)
        return false;
    if (QThread::currentThread() == thread()) {
        Q_EMIT stateChanged(state);
    } else {
        // Receivers that connected directly, QML bindings among them, must
        // not run on the worker thread.
        QMetaObject::invokeMethod(this, "announceState", Qt::QueuedConnection, Q_ARG(int, int(state)));
    }
    return true;
}

void QueueEntry::announceState(int state)
{
    Q_EMIT stateChanged(State(state));
}

void QueueEntry::reportProgress(double progress)
{
    m_reportedProgress.store(progress);
    if (!m_progressPosted.exchange(true))
        QMetaObject::invokeMethod(this, "applyReportedProgress", Qt::QueuedConnection);
}

void QueueEntry::applyReportedProgress()
{
    // Cleared before reading, so a report that comes in between posts again.
    m_progressPosted.store(false);
    update_progress(m_reportedProgress.load());
}

bool QueueEntry::update_deleteWhenFinished(bool deleteWhenFinished)
{
    if (m_deleteWhenFinished.exchange(deleteWhenFinished, std::memory_order_acq_rel) == deleteWhenFinished)
        return false;
    Q_EMIT deleteWhenFinishedChanged(deleteWhenFinished);
    return true;
}

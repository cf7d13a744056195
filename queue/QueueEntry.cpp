#include "queue/QueueEntry.h"

#include "settings/Translator.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QThread>

QueueEntry::QueueEntry(const QString &filePath, const QString &targetDirectory, const ConversionSettings &settings,
                       QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_filePath = filePath;
    m_targetDirectory = targetDirectory;
    qRegisterMetaType<QueueEntry::State>("State");
    update_readableName(QFileInfo(filePath).fileName());
    m_stateString = getStringForState(state());
    // With the entry as context, a state change made on a worker thread
    // updates the text in the entry's thread.
    connect(this, &QueueEntry::stateChanged, this,
            [this](State newState) { update_stateString(getStringForState(newState)); });
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
        break;
    }
    return QString();
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

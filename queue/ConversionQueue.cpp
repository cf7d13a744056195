#include "queue/ConversionQueue.h"

#include "queue/Desktop.h"
#include "queue/QueueEntryList.h"

#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <algorithm>

ConversionQueue::ConversionQueue(QObject *parent)
    : QObject(parent)
    , m_rows(new QueueEntryList(this))
    , m_runner(std::max(2, QThread::idealThreadCount()))
{
    connect(&m_runner, &BatchRunner::started, this, &ConversionQueue::started);
    connect(&m_runner, &BatchRunner::progressed, this, &ConversionQueue::progressed);
    connect(&m_runner, &BatchRunner::finished, this, &ConversionQueue::finished);
    connect(&m_runner, &BatchRunner::busyChanged, this, &ConversionQueue::busyChanged);
    connect(m_rows, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { adopt(first, last); });
    connect(m_rows, &QAbstractItemModel::rowsRemoved, this, &ConversionQueue::changed);
}

// The runner stops and awaits the running conversions as it goes.
ConversionQueue::~ConversionQueue() = default;

void ConversionQueue::append(const QList<QueueEntry *> &entries)
{
    if (entries.isEmpty())
        return;
    m_rows->append(entries);
    startWaiting();
}

void ConversionQueue::adopt(int first, int last)
{
    for (int row = first; row <= last; ++row)
        connect(m_rows->at(row), &QueueEntry::stateChanged, this, &ConversionQueue::changed);
    Q_EMIT changed();
}

void ConversionQueue::startWaiting()
{
    for (QueueEntry *entry : m_rows->items()) {
        if (entry->state() != QueueEntry::S_Pending || entry->deleteWhenFinished() || m_jobOf.contains(entry))
            continue;
        const BatchRunner::JobId id =
            m_runner.add({entry->filePath(), entry->targetDirectory(), entry->settings()});
        m_jobs.insert(id, entry);
        m_jobOf.insert(entry, id);
    }
    m_runner.run();
}

void ConversionQueue::started(BatchRunner::JobId id)
{
    if (QueueEntry *entry = m_jobs.value(id))
        entry->update_state(QueueEntry::S_Processing);
}

void ConversionQueue::progressed(BatchRunner::JobId id, double fraction)
{
    if (QueueEntry *entry = m_jobs.value(id))
        entry->update_progress(fraction);
    Q_EMIT changed();
}

void ConversionQueue::finished(const BatchRunner::Outcome &outcome)
{
    const QPointer<QueueEntry> entry = m_jobs.take(outcome.id);
    if (!entry)
        return;
    m_jobOf.remove(entry);
    if (entry->deleteWhenFinished()) {
        dropRow(entry);
        return;
    }
    entry->applyResult(outcome.result);
    m_ended = true;
}

void ConversionQueue::busyChanged(bool busy)
{
    if (!busy && m_ended && m_desktop)
        m_desktop->alert();
    m_ended = false;
    Q_EMIT convertingChanged(busy);
}

void ConversionQueue::dropRow(QueueEntry *entry)
{
    m_rows->remove(m_rows->indexOf(entry));
}

void ConversionQueue::remove(QueueEntry *entry)
{
    if (!entry || m_rows->indexOf(entry) < 0)
        return;
    entry->update_deleteWhenFinished(true);
    const auto job = m_jobOf.constFind(entry);
    if (job != m_jobOf.constEnd() && m_runner.isRunning(*job)) {
        m_runner.remove(*job);
        Q_EMIT changed();
        return;  // its conversion stops, and its outcome removes the row
    }
    if (job != m_jobOf.constEnd()) {
        m_runner.remove(*job);
        m_jobs.remove(*job);
        m_jobOf.remove(entry);
    }
    dropRow(entry);
}

void ConversionQueue::retry(QueueEntry *entry)
{
    if (entry && m_rows->indexOf(entry) >= 0 && entry->retry())
        startWaiting();
}

void ConversionQueue::retryFailed()
{
    bool any = false;
    for (QueueEntry *entry : m_rows->items())
        any = entry->retry() || any;
    if (any)
        startWaiting();
}

void ConversionQueue::removeFinished()
{
    const QList<QueueEntry *> entries = m_rows->items();
    for (QueueEntry *entry : entries) {
        if (entry->state() == QueueEntry::S_Finished || entry->state() == QueueEntry::S_Skipped)
            remove(entry);
    }
}

void ConversionQueue::clear()
{
    const QList<QueueEntry *> entries = m_rows->items();
    for (QueueEntry *entry : entries)
        remove(entry);
}

void ConversionQueue::openOutputFolder(QueueEntry *entry)
{
    if (!entry || !m_desktop || entry->outputPath().isEmpty())
        return;
    if (entry->state() == QueueEntry::S_Finished || entry->state() == QueueEntry::S_Skipped)
        m_desktop->openUrl(QUrl::fromLocalFile(QFileInfo(entry->outputPath()).absolutePath()));
}

int ConversionQueue::unfinishedCount() const
{
    int count = 0;
    for (const QueueEntry *entry : m_rows->items()) {
        if (!entry->deleteWhenFinished()
            && (entry->state() == QueueEntry::S_Processing || entry->state() == QueueEntry::S_Pending))
            ++count;
    }
    return count;
}

void ConversionQueue::cancel()
{
    if (unfinishedCount() == 0)
        return;
    if (!m_desktop || !m_desktop->confirm(cancelQuestion(), tr("Cancel conversion")))
        return;
    const QList<QueueEntry *> entries = m_rows->items();
    for (QueueEntry *entry : entries) {
        if (entry->state() == QueueEntry::S_Processing || entry->state() == QueueEntry::S_Pending)
            remove(entry);
    }
}

QString ConversionQueue::cancelQuestion() const
{
    int running = 0;
    int waiting = 0;
    int done = 0;
    for (const QueueEntry *entry : m_rows->items()) {
        if (entry->deleteWhenFinished())
            continue;
        if (entry->state() == QueueEntry::S_Processing)
            ++running;
        else if (entry->state() == QueueEntry::S_Pending)
            ++waiting;
        else
            ++done;
    }
    QStringList question;
    if (running == 1)
        question << tr("The file being converted will be stopped.");
    else if (running > 1)
        question << tr("The %n files being converted will be stopped.", nullptr, running);
    if (waiting == 1)
        question << tr("The waiting file will be dropped.");
    else if (waiting > 1)
        question << tr("The %n waiting files will be dropped.", nullptr, waiting);
    if (done == 1)
        question << tr("The file already done stays in the list.");
    else if (done > 1)
        question << tr("The %n files already done stay in the list.", nullptr, done);
    return question.join(QLatin1Char(' '));
}

bool ConversionQueue::confirmQuit()
{
    const int unfinished = unfinishedCount();
    if (unfinished == 0)
        return true;
    const QString question = unfinished == 1
                                 ? tr("1 file is still being converted. Stop and quit?")
                                 : tr("%n files are still being converted. Stop and quit?", nullptr, unfinished);
    return m_desktop && m_desktop->confirm(question, tr("Stop and quit"));
}

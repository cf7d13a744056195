#include "queue/ConversionQueue.h"

#include "queue/Desktop.h"
#include "queue/QueueEntryList.h"
#include "queue/QueueStore.h"

#include <QCoreApplication>
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

void ConversionQueue::keepIn(QueueStore *store, bool restore)
{
    m_store = store;
    connect(store, &QueueStore::failed, this, [this](const TranslatableText &message) { notify(message); });
    if (!store->problem().isEmpty())
        notify(store->problem());
    QList<QueueEntry *> kept = store->load();
    if (!restore) {
        for (QueueEntry *entry : qAsConst(kept)) {
            store->remove(entry);
            delete entry;
        }
        kept.clear();
    }
    // Rows queued before the store was opened (normally none) are saved
    // after the kept ones, and shown after them.
    const QList<QueueEntry *> earlier = m_rows->items();
    if (!earlier.isEmpty())
        store->insert(earlier);
    if (earlier.isEmpty()) {
        m_rows->append(kept);
    } else {
        for (int row = 0; row < kept.size(); ++row)
            m_rows->insert(row, kept.at(row));
    }
    startWaiting();
}

void ConversionQueue::append(const QList<QueueEntry *> &entries)
{
    if (entries.isEmpty())
        return;
    if (m_store)
        m_store->insert(entries);
    m_rows->append(entries);
    startWaiting();
}

void ConversionQueue::adopt(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        QueueEntry *entry = m_rows->at(row);
        connect(entry, &QueueEntry::stateChanged, this, [this, entry] {
            if (m_store)
                m_store->update(entry);
            Q_EMIT changed();
        });
    }
    Q_EMIT changed();
}

void ConversionQueue::setPaused(bool paused)
{
    if (paused == m_runner.paused())
        return;
    m_runner.setPaused(paused);
    if (!paused)
        startWaiting();
    Q_EMIT pausedChanged(paused);
    Q_EMIT changed();
}

void ConversionQueue::notify(const QString &text)
{
    if (m_desktop)
        m_desktop->showNotice(text);
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
    // A retry that fails at once would look like a button that did nothing.
    if (entry->retried() && entry->state() == QueueEntry::S_Failed)
        notify(tr("“%1” failed again: %2").arg(entry->displayName(), entry->reason()));
}

void ConversionQueue::busyChanged(bool busy)
{
    if (!busy && m_ended && m_desktop && !m_runner.paused())
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
    // Gone from the disk at once: a crash while it stops does not bring it back.
    if (m_store)
        m_store->remove(entry);
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
    else
        notify(tr("No file has failed: there is nothing to retry."));
}

void ConversionQueue::removeFinished()
{
    const QList<QueueEntry *> entries = m_rows->items();
    for (QueueEntry *entry : entries) {
        if (entry->done())
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
    if (entry->done())
        m_desktop->openUrl(QUrl::fromLocalFile(QFileInfo(entry->outputPath()).absolutePath()));
}

// Rows being removed do not count.
int ConversionQueue::countRows(bool (QueueEntry::*which)() const) const
{
    const QList<QueueEntry *> &entries = m_rows->items();
    return int(std::count_if(entries.begin(), entries.end(), [which](const QueueEntry *entry) {
        return !entry->deleteWhenFinished() && (entry->*which)();
    }));
}

int ConversionQueue::finishedCount() const
{
    return countRows(&QueueEntry::done);
}

int ConversionQueue::firstRunningRow() const
{
    const QList<QueueEntry *> &entries = m_rows->items();
    for (int row = 0; row < entries.size(); ++row) {
        if (entries.at(row)->state() == QueueEntry::S_Processing)
            return row;
    }
    return -1;
}

int ConversionQueue::unfinishedCount() const
{
    return countRows(&QueueEntry::unfinished);
}

void ConversionQueue::cancel()
{
    if (unfinishedCount() == 0)
        return;
    if (!m_desktop || !m_desktop->confirm(cancelQuestion(), tr("Stop converting"), tr("Keep converting")))
        return;
    const QList<QueueEntry *> entries = m_rows->items();
    for (QueueEntry *entry : entries) {
        if (entry->unfinished())
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
    // A kept queue loses only the work of its running files: the waiting
    // ones come back at the next start.
    const bool kept = m_store && m_store->isOpen();
    if (kept && m_runner.running() == 0)
        return true;
    const int unfinished = unfinishedCount();
    if (unfinished == 0)
        return true;
    QString question = unfinished == 1
                           ? tr("1 file is still being converted. Stop and quit?")
                           : tr("%n files are still being converted. Stop and quit?", nullptr, unfinished);
    if (kept)
        question += QLatin1Char(' ') + tr("The queue is kept: its files convert when %1 starts again.")
                                           .arg(QCoreApplication::applicationName());
    return m_desktop && m_desktop->confirm(question, tr("Stop and quit"), tr("Keep converting"));
}

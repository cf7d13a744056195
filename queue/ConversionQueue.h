#pragma once

#include "batch/BatchRunner.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class Desktop;
class QueueEntry;
class QueueEntryList;
class QueueStore;

// The queue's rows and what can be done to them, on top of the batch
// runner: each waiting row is a file the runner converts with the row's
// settings, and a row's state follows its file. Whatever would lose work
// is asked about first.
class ConversionQueue : public QObject
{
    Q_OBJECT

public:
    explicit ConversionQueue(QObject *parent = nullptr);
    ~ConversionQueue() override;

    void setDesktop(Desktop *desktop) { m_desktop = desktop; }
    QueueEntryList *rows() const { return m_rows; }
    BatchRunner &runner() { return m_runner; }

    // Keeps the rows in `store` from now on, after taking back those it
    // holds when `restore` is set (else it is emptied first). What the store
    // cannot do is said in a notice.
    void keepIn(QueueStore *store, bool restore);
    // Adopts the rows and starts converting those that wait.
    void append(const QList<QueueEntry *> &entries);
    // Paused, no file begins; those running go on. Resuming starts the
    // waiting ones.
    void setPaused(bool paused);
    bool paused() const { return m_runner.paused(); }
    // Every waiting row without a conversion gets one, in the rows' order,
    // and the runner starts as many as may run.
    void startWaiting();
    // The row goes; a running conversion stops first.
    void remove(QueueEntry *entry);
    void retry(QueueEntry *entry);
    void retryFailed();
    // Finished and skipped rows go; failed ones stay to be retried.
    void removeFinished();
    // Stops the running conversions and drops the waiting files, after
    // asking; the finished rows stay.
    void cancel();
    // Every row goes at once, without asking (running ones once stopped).
    void clear();
    // True when the window may close: nothing is converting or waiting, or
    // the user agreed to stop it.
    bool confirmQuit();
    // The folder of a finished (or skipped) row's output, in the file manager.
    void openOutputFolder(QueueEntry *entry);

    // Files running or waiting: what cancelling would stop or drop.
    int unfinishedCount() const;
    // Finished and skipped rows: what "Remove finished" removes.
    int finishedCount() const;
    // The first row converting now; -1 when none is.
    int firstRunningRow() const;
    bool converting() const { return m_runner.running() > 0; }

Q_SIGNALS:
    // A row changed state, came or went: counts and the summary follow.
    void changed();
    void convertingChanged(bool converting);
    void pausedChanged(bool paused);

private:
    void adopt(int first, int last);
    void started(BatchRunner::JobId id);
    void progressed(BatchRunner::JobId id, double fraction);
    void finished(const BatchRunner::Outcome &outcome);
    void busyChanged(bool busy);
    void dropRow(QueueEntry *entry);
    QString cancelQuestion() const;

    QueueEntryList *m_rows;
    BatchRunner m_runner;
    void notify(const QString &text);
    int countRows(bool (QueueEntry::*which)() const) const;

    Desktop *m_desktop = nullptr;
    QueueStore *m_store = nullptr;
    QHash<BatchRunner::JobId, QPointer<QueueEntry>> m_jobs;  // of the rows waiting or running
    QHash<const QueueEntry *, BatchRunner::JobId> m_jobOf;
    bool m_ended = false;  // a row ended since the queue last ran empty
};

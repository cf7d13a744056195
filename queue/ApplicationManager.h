#pragma once

#include "batch/BatchRunner.h"
#include "models/KeyValueItemList.h"
#include "models/PropertyMacros.h"
#include "player/PreviewPlayer.h"
#include "queue/QueueEntryList.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <memory>

class ConversionQueue;
class Desktop;
class QueueImporter;
class QueueStore;
class QueueSummary;

// The controller the main screen talks to. It hands the work on: imports
// to the importer, the rows and their commands to the conversion queue
// (which converts on the batch runner), the line below the queue to the
// summary, the selected row to the player, and the About, settings and web
// page buttons to the desktop.
class ApplicationManager : public QObject
{
    Q_OBJECT
    TW_READONLY_PROPERTY(QueueEntryList *, fileQueue)
    TW_READONLY_PROPERTY(bool, conversionRunning)
    TW_READONLY_PROPERTY(KeyValueItemList *, targetFrequencies)
    // Files running or waiting: what cancelling would stop or drop.
    TW_READONLY_PROPERTY(int, unfinishedCount)
    // Finished and skipped rows: what "Remove finished" removes.
    TW_READONLY_PROPERTY(int, finishedCount)
    // The first row converting now, which the view follows; -1 when none.
    TW_READONLY_PROPERTY(int, firstRunningRow)
    // No file begins while paused; those running go on.
    TW_READONLY_PROPERTY(bool, paused)
    // A4 in Hz that concert pitches are tuned to, suggested for "Other".
    Q_PROPERTY(QVariantList concertPitches READ concertPitches CONSTANT)
    // "12 of 50 converted · 1 failed · about 4 min left"; empty while the
    // queue is.
    TW_READONLY_PROPERTY(QString, queueSummary)
    // Whether the build names a product web page (the globe button opens
    // it), or the globe opens the About dialog.
    Q_PROPERTY(bool hasWebsite READ hasWebsite CONSTANT)
    // The player of the selected row, or of a file dropped on it.
    Q_PROPERTY(PreviewPlayer *player READ player CONSTANT)

public:
    using Converter = BatchRunner::Converter;

    // The single instance, created without parent on first use. Whoever
    // owns it (the QML engine at shutdown) may delete it; that stops and
    // awaits every running conversion.
    static ApplicationManager *instance();
    explicit ApplicationManager(QObject *parent = nullptr);
    ~ApplicationManager() override;

    // Dialogs, questions and pages go through this; without one, every
    // dialog counts as cancelled and every question as answered "no".
    void setDesktop(std::unique_ptr<Desktop> desktop);
    // Files converted at once (at least 1).
    void setMaxConversions(int count);
    int maxConversions() const;
    // What converts a file; the engine's Conversion unless set. Applies to
    // the conversions started afterwards.
    void setConverter(Converter converter);
    // Milliseconds of a steady clock, for the time left.
    void setClock(std::function<qint64()> clock);

    bool hasWebsite() const;
    QVariantList concertPitches() const;
    PreviewPlayer *player() const { return m_player; }
    // Keeps the queue in the database at `path` (QueueStore::defaultPath()
    // for the user's) from now on; with `restore`, the rows it holds come
    // back first. What goes wrong is said in the status line, and the queue
    // converts on regardless.
    void keepQueue(const QString &path, bool restore);
    // True when the window may close: nothing is converting or waiting, or
    // the user agreed to stop it.
    bool confirmQuit();

    Q_INVOKABLE void showSettingsDialog();
    // The version, the licence and the libraries.
    Q_INVOKABLE void showAboutDialog();
    Q_INVOKABLE bool acceptDroppedUrls(const QList<QUrl> &urls) const;
    // A drop: folders, and the files the file filter takes (the others are
    // named in a notice).
    Q_INVOKABLE void processImportUrls(const QList<QUrl> &urls);
    // What a launch named: every file, whatever its name (it was chosen by
    // hand, e.g. with "Open with"), and folders scanned with the filter.
    void openPaths(const QStringList &paths);
    Q_INVOKABLE void selectImportFiles();
    Q_INVOKABLE void selectImportFolder();
    // Resumes a paused queue; the waiting files start.
    Q_INVOKABLE void startConversion();
    Q_INVOKABLE void pauseConversion();
    // A4 as the interface language writes it: "438,48" in German.
    Q_INVOKABLE QString frequencyText(double hz) const;
    // Sets and saves the target A4 typed by the user ("442,5" or "442.5");
    // empty when taken, else why not, in words.
    Q_INVOKABLE QString setTargetFrequencyText(const QString &text);

    // The row goes; a running conversion stops first.
    Q_INVOKABLE void removeEntry(QueueEntry *entry);
    Q_INVOKABLE void retryEntry(QueueEntry *entry);
    // The folder of a finished (or skipped) row's output, in the file manager.
    Q_INVOKABLE void openOutputFolder(QueueEntry *entry);
    Q_INVOKABLE void retryFailed();
    // Finished and skipped rows go; failed ones stay to be retried.
    Q_INVOKABLE void removeFinishedFromQueue();
    // Stops the running conversions and drops the waiting files, after
    // asking; the finished rows stay.
    Q_INVOKABLE void cancelConversion();
    // Every row goes at once, without asking (running ones once stopped).
    Q_INVOKABLE void clearQueue();
    // The player takes the row's file, with the settings it was queued with
    // and its A4 where it was measured; null empties the player.
    Q_INVOKABLE void previewEntry(QueueEntry *entry);
    // A file dropped on the player, played with the settings in force and
    // not queued. False, and nothing happens, for anything but one file.
    Q_INVOKABLE bool previewUrls(const QList<QUrl> &urls);

public Q_SLOTS:
    void visitWebsite();

private:
    std::unique_ptr<Desktop> m_desktop;
    ConversionQueue *m_queue;
    QueueImporter *m_importer;
    QueueSummary *m_summary;
    QueueStore *m_store = nullptr;
    PreviewPlayer *m_player;
    QPointer<QueueEntry> m_previewed;
};

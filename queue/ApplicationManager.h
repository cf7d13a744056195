#pragma once

#include "engine/ConversionRequest.h"
#include "engine/ConversionResult.h"
#include "models/KeyValueItemList.h"
#include "models/PropertyMacros.h"
#include "queue/ConversionPace.h"
#include "queue/QueueEntryList.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class Desktop;
class GlobalSettings;
class WorkerPool;

// The controller the main screen talks to: imports files into the queue,
// asks for the output folder, and converts pending entries on worker
// threads, several at a time. Each entry converts with the settings in force
// when it was queued. Whatever would lose work is asked about first.
class ApplicationManager : public QObject
{
    Q_OBJECT
    TW_READONLY_PROPERTY(QueueEntryList *, fileQueue)
    TW_READONLY_PROPERTY(bool, conversionRunning)
    TW_READONLY_PROPERTY(KeyValueItemList *, targetFrequencies)
    // Files running or waiting: what cancelling would stop or drop.
    TW_READONLY_PROPERTY(int, unfinishedCount)
    // "12 of 50 converted · 1 failed · about 4 min left"; empty while the
    // queue is.
    TW_READONLY_PROPERTY(QString, queueSummary)

public:
    // Runs one conversion on a pool thread: polls `stop`, reports the
    // fraction done to `progress`.
    using Converter = std::function<ConversionResult(const ConversionRequest &request,
                                                     const std::function<bool()> &stop,
                                                     const std::function<void(double)> &progress)>;

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
    Q_INVOKABLE void startConversion();

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

public Q_SLOTS:
    void visitWebsite();

private:
    // Files and folders a drop or a launch named: the output
    // folder is asked for, then they are queued.
    void importChosen(const QStringList &files, const QStringList &folders);
    QString outputFolderForImport();
    void queueImport(const QStringList &files, const QStringList &folders, QString target);
    void appendEntries(const QStringList &files, const QList<QPair<QString, QString>> &scanned, const QString &target,
                       const ConversionSettings &settings);
    void watch(QueueEntry *entry);
    void startProcessingInternal();
    void conversionFinished(const QPointer<QueueEntry> &entry, const ConversionResult &result);
    void dropRow(QueueEntry *entry);
    void updateCounts();
    QString timeLeftText(double seconds) const;

    QPointer<GlobalSettings> m_settings;
    std::unique_ptr<Desktop> m_desktop;
    std::unique_ptr<WorkerPool> m_conversions;
    std::unique_ptr<WorkerPool> m_scans;
    Converter m_converter;
    std::function<qint64()> m_clock;
    ConversionPace m_pace;
    bool m_batchEnded = false;  // something ended since the queue last ran empty
};

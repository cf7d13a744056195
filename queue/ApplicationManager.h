#pragma once

#include "models/KeyValueItemList.h"
#include "models/PropertyMacros.h"
#include "queue/QueueEntryList.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class Desktop;
class GlobalSettings;
class WorkerPool;

// The controller the main screen talks to: imports files into the queue,
// asks for the output folder, and converts pending entries on worker
// threads, several at a time. Each entry converts with the settings in force
// when it was queued.
class ApplicationManager : public QObject
{
    Q_OBJECT
    TW_READONLY_PROPERTY(QueueEntryList *, fileQueue)
    TW_READONLY_PROPERTY(bool, conversionRunning)
    TW_READONLY_PROPERTY(KeyValueItemList *, targetFrequencies)

public:
    // The single instance, created without parent on first use. Whoever
    // owns it (the QML engine at shutdown) may delete it; that stops and
    // awaits every running conversion.
    static ApplicationManager *instance();
    explicit ApplicationManager(QObject *parent = nullptr);
    ~ApplicationManager() override;

    // Dialogs and pages go through this; without one, every dialog counts
    // as cancelled.
    void setDesktop(std::unique_ptr<Desktop> desktop);
    // Files converted at once (at least 1).
    void setMaxConversions(int count);
    int maxConversions() const;

    Q_INVOKABLE void showSettingsDialog();
    Q_INVOKABLE void showAboutDialog();
    Q_INVOKABLE void queueEntryClicked(QueueEntry *entry);
    Q_INVOKABLE bool acceptDroppedUrls(const QList<QUrl> &urls) const;
    // Files are queued, folders searched with the file filter and their
    // trees mirrored below the output folder, which is asked for once.
    Q_INVOKABLE void processImportUrls(const QList<QUrl> &urls);
    Q_INVOKABLE void selectImportFiles();
    Q_INVOKABLE void selectImportFolder();
    Q_INVOKABLE void clearQueue();
    Q_INVOKABLE void removeFinishedFromQueue();
    Q_INVOKABLE void startConversion();

public Q_SLOTS:
    // The product web page when the build names one, else the About dialog.
    void visitWebsite();

private:
    QString selectTargetDirectory();
    void importFolder(const QString &folder, QString target, const ConversionSettings &settings);
    void startProcessingInternal();
    void conversionFinished(const QPointer<QueueEntry> &entry);
    void removeEntry(QueueEntry *entry);

    QPointer<GlobalSettings> m_settings;
    std::unique_ptr<Desktop> m_desktop;
    std::unique_ptr<WorkerPool> m_conversions;
    std::unique_ptr<WorkerPool> m_scans;
};

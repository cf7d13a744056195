#pragma once

#include "pipeline/ConversionSettings.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <memory>

class Desktop;
class GlobalSettings;
class QueueEntry;
class WorkerPool;

// What comes into the queue: files and folders chosen in a dialog, dropped
// on the window or named at a launch. Asks for the output folder, scans
// folders with the file filter on a thread of its own (their trees are
// mirrored under the output folder), puts everything in the order a file
// manager shows it, and says what a drop left out. Hands over the new rows,
// which convert with the settings in force when they were imported.
class QueueImporter : public QObject
{
    Q_OBJECT

public:
    explicit QueueImporter(QObject *parent = nullptr);
    ~QueueImporter() override;

    // Dialogs and notices go through it; none: every dialog counts as
    // cancelled.
    void setDesktop(Desktop *desktop) { m_desktop = desktop; }

    bool acceptDroppedUrls(const QList<QUrl> &urls) const;
    // A drop: folders, and the files the file filter takes.
    void processImportUrls(const QList<QUrl> &urls);
    // What a launch named: every file, whatever its name (it was chosen by
    // hand, e.g. with "Open with"), and folders scanned with the filter;
    // what does not exist is named in a notice.
    void openPaths(const QStringList &paths);
    void selectImportFiles();
    void selectImportFolder();

Q_SIGNALS:
    // New rows, in order, for the queue to adopt.
    void imported(const QList<QueueEntry *> &entries);

private:
    void importChosen(const QStringList &files, const QStringList &folders);
    QString outputFolderForImport();
    QString importFolder() const;
    void announce(int added, const QString &target, const QStringList &folders);
    void queueImport(const QStringList &files, const QStringList &folders, QString target);

    QPointer<GlobalSettings> m_settings;
    Desktop *m_desktop = nullptr;
    std::unique_ptr<WorkerPool> m_scans;
    QStringList m_missing;  // named at the launch being imported, not there
};

#pragma once

#include "KeyValueItemList.h"
#include "PropertyMacros.h"
#include "QueueEntryList.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class FileChooser;
class GlobalSettings;
class QWidget;

// The controller the main screen talks to: imports files into the queue,
// asks for the output folder, and converts pending entries on the global
// thread pool, several at a time.
class ApplicationManager : public QObject
{
    Q_OBJECT
    TW_READONLY_PROPERTY(QueueEntryList *, fileQueue)
    TW_READONLY_PROPERTY(bool, conversionRunning)
    TW_READONLY_PROPERTY(KeyValueItemList *, targetFrequencies)

public:
    // Where "Visit website" leads, before the path "app" and the query.
    static constexpr const char *WebsiteBase = "https://tunewise.com/";

    // The single instance, created without parent on first use. Whoever
    // owns it (the QML engine at shutdown) may delete it; that stops and
    // awaits every running conversion.
    static ApplicationManager *instance();
    explicit ApplicationManager(QObject *parent = nullptr);
    ~ApplicationManager() override;

    // The parent of every dialog the manager opens.
    void setMainWindow(QWidget *window);
    // Replaces the file dialogs (tests); null restores the platform's.
    void setFileChooser(std::unique_ptr<FileChooser> chooser);

    Q_INVOKABLE void showSettingsDialog();
    Q_INVOKABLE void queueEntryClicked(QueueEntry *entry);
    Q_INVOKABLE bool acceptDroppedUrls(const QList<QUrl> &urls) const;
    Q_INVOKABLE void processImportUrls(const QList<QUrl> &urls);
    Q_INVOKABLE void selectImportFiles();
    Q_INVOKABLE void selectImportFolder();
    Q_INVOKABLE void clearQueue();
    Q_INVOKABLE void removeFinishedFromQueue();
    Q_INVOKABLE void startConversion();

public Q_SLOTS:
    void visitWebsite();

private:
    QString selectTargetDirectory();
    void startProcessingInternal();
    void conversionFinished(QFutureWatcher<void> *watcher, const QPointer<QueueEntry> &entry);
    void removeEntry(QueueEntry *entry);

    QPointer<GlobalSettings> m_settings;
    QPointer<QWidget> m_dialogParent;
    QList<QFutureWatcher<void> *> m_runningWatchers;
    std::unique_ptr<FileChooser> m_fileChooser;
};

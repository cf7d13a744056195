#include "ApplicationManager.h"

#include "FileChooser.h"
#include "FolderScanner.h"
#include "GlobalSettings.h"
#include "NativeFileChooser.h"
#include "ProcessingJob.h"
#include "SettingsDialog.h"
#include "TargetFrequencies.h"
#include "TaskHandoff.h"
#include "Translator.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThreadPool>
#include <QtConcurrent>

ApplicationManager *ApplicationManager::instance()
{
    static QPointer<ApplicationManager> s_instance;
    if (!s_instance)
        s_instance = new ApplicationManager;
    return s_instance;
}

ApplicationManager::ApplicationManager(QObject *parent)
    : QObject(parent)
    , m_fileChooser(std::make_unique<NativeFileChooser>())
{
    m_fileQueue = new QueueEntryList(this);
    m_targetFrequencies = new KeyValueItemList(this);
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(std::max(2, pool->maxThreadCount()));
    m_settings = GlobalSettings::instance();

    for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
        m_targetFrequencies->append(new KeyValueItem(QString::fromLatin1(choice.label), choice.value));
}

ApplicationManager::~ApplicationManager()
{
    for (QueueEntry *entry : m_fileQueue->items())
        entry->update_deleteWhenFinished(true);
    for (QFutureWatcher<void> *watcher : qAsConst(m_runningWatchers))
        watcher->waitForFinished();
    TaskHandoff::sync();
    m_runningWatchers.clear();
}

void ApplicationManager::setMainWindow(QWidget *window)
{
    m_dialogParent = window;
}

void ApplicationManager::setFileChooser(std::unique_ptr<FileChooser> chooser)
{
    m_fileChooser = chooser ? std::move(chooser) : std::make_unique<NativeFileChooser>();
}

void ApplicationManager::visitWebsite()
{
    const QString address = QLatin1String(WebsiteBase) + QStringLiteral("app?lang=%1");
    QDesktopServices::openUrl(QUrl(address.arg(m_settings->preferedLanguage())));
}

void ApplicationManager::showSettingsDialog()
{
    auto *dialog = new SettingsDialog(m_dialogParent);
    dialog->setModal(true);
    connect(dialog, &QDialog::accepted, dialog, &QObject::deleteLater);
    connect(dialog, &QDialog::rejected, dialog, &QObject::deleteLater);
    dialog->show();
}

QString ApplicationManager::selectTargetDirectory()
{
    const QString directory = m_fileChooser->existingDirectory(
        m_dialogParent, Translator::instance()->strSelectTargetFolder(), m_settings->lastMediaExportPath());
    if (directory.isEmpty())
        return directory;
    m_settings->update_lastMediaExportPath(directory);
    m_settings->saveSettings();
    return directory;
}

void ApplicationManager::selectImportFiles()
{
    const QStringList files = m_fileChooser->openFileNames(m_dialogParent, Translator::instance()->strSelectFiles(),
                                                           m_settings->lastMediaImportPath());
    if (files.isEmpty())
        return;
    const QString target = selectTargetDirectory();
    if (target.isEmpty())
        return;
    m_settings->update_lastMediaImportPath(QFileInfo(files.first()).path());
    m_settings->saveSettings();
    for (const QString &file : files)
        m_fileQueue->append(new QueueEntry(file, target));
    startProcessingInternal();
}

void ApplicationManager::selectImportFolder()
{
    const QString folder = m_fileChooser->existingDirectory(m_dialogParent, Translator::instance()->strSelectFolder(),
                                                            m_settings->lastMediaImportPath());
    if (folder.isEmpty())
        return;
    QString target = selectTargetDirectory();
    if (target.isEmpty())
        return;
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!target.endsWith(QLatin1Char('/')))
        target += QLatin1Char('/');
    m_settings->update_lastMediaImportPath(folder);
    m_settings->saveSettings();

    auto *progress = new QProgressDialog(m_dialogParent);
    progress->setLabelText(QStringLiteral("%1...").arg(Translator::instance()->strLoadingFiles()));
    progress->setCancelButton(nullptr);
    progress->setRange(0, 0);  // a busy indicator: the scan has no known length
    progress->setModal(true);
    progress->show();
    progress->raise();
    progress->activateWindow();

    // The scan's entries come back through `found`, filled by the task
    // before it ends and read here after it has.
    auto found = std::make_shared<QList<QueueEntry *>>();
    auto *watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, progress, found] {
        TaskHandoff::sync();
        if (!found->isEmpty())
            m_fileQueue->append(*found);
        startProcessingInternal();
        progress->close();
        progress->deleteLater();
        watcher->deleteLater();
    });
    const QString fileFilter = m_settings->fileFilter();
    QThread *owner = thread();
    TaskHandoff::Guard guard(TaskHandoff::lock());
    watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [folder, target, fileFilter, owner, found] {
        TaskHandoff::sync();
        *found = FolderScanner::scanEntries(folder, target, fileFilter, owner);
        TaskHandoff::sync();
    }));
}

bool ApplicationManager::acceptDroppedUrls(const QList<QUrl> &urls) const
{
    for (const QUrl &url : urls) {
        if (QFileInfo(url.toLocalFile()).isFile())
            return true;
    }
    return false;
}

void ApplicationManager::processImportUrls(const QList<QUrl> &urls)
{
    const QString target = selectTargetDirectory();
    if (target.isEmpty())
        return;
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isFile())
            m_fileQueue->append(new QueueEntry(path, target));
    }
    startProcessingInternal();
}

void ApplicationManager::startConversion()
{
    startProcessingInternal();
}

void ApplicationManager::startProcessingInternal()
{
    const int limit = QThreadPool::globalInstance()->maxThreadCount();
    while (m_runningWatchers.size() < limit) {
        QueueEntry *next = nullptr;
        for (QueueEntry *entry : m_fileQueue->items()) {
            if (entry->state() == QueueEntry::S_Pending && !entry->deleteWhenFinished()) {
                next = entry;
                break;
            }
        }
        if (!next)
            break;

        next->update_state(QueueEntry::S_Processing);
        const QPointer<QueueEntry> entry(next);
        auto *watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcherBase::finished, this,
                [this, watcher, entry] { conversionFinished(watcher, entry); });
        update_conversionRunning(true);
        {
            TaskHandoff::Guard guard(TaskHandoff::lock());
            watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [entry] {
                TaskHandoff::sync();
                QueueEntry *target = entry.data();
                ProcessingJob job(target);
                QObject::connect(&job, &ProcessingJob::progressUpdate,
                                 [target](double progress) { target->reportProgress(progress); });
                const bool ok = job.run();
                target->update_state(ok ? QueueEntry::S_Finished : QueueEntry::S_Failed);
                TaskHandoff::sync();
            }));
        }
        m_runningWatchers.append(watcher);
    }
    if (m_runningWatchers.isEmpty())
        update_conversionRunning(false);
}

void ApplicationManager::conversionFinished(QFutureWatcher<void> *watcher, const QPointer<QueueEntry> &entry)
{
    TaskHandoff::sync();
    if (entry && entry->deleteWhenFinished())
        removeEntry(entry);
    m_runningWatchers.removeOne(watcher);
    startProcessingInternal();
    watcher->deleteLater();
}

void ApplicationManager::removeEntry(QueueEntry *entry)
{
    m_fileQueue->remove(m_fileQueue->indexOf(entry));
}

void ApplicationManager::queueEntryClicked(QueueEntry *entry)
{
    if (!entry)
        return;
    entry->update_deleteWhenFinished(true);
    if (entry->state() == QueueEntry::S_Processing)
        return;  // its job stops, and its completion removes the row
    removeEntry(entry);
}

void ApplicationManager::clearQueue()
{
    const QList<QueueEntry *> entries = m_fileQueue->items();
    for (QueueEntry *entry : entries)
        queueEntryClicked(entry);
}

void ApplicationManager::removeFinishedFromQueue()
{
    const QList<QueueEntry *> entries = m_fileQueue->items();
    for (QueueEntry *entry : entries) {
        if (entry->state() == QueueEntry::S_Finished || entry->state() == QueueEntry::S_Failed)
            queueEntryClicked(entry);
    }
}

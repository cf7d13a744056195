#include "queue/ApplicationManager.h"

#include "engine/FolderScanner.h"
#include "engine/ProgramInfo.h"
#include "engine/WorkerPool.h"
#include "queue/Desktop.h"
#include "queue/ProcessingJob.h"
#include "settings/GlobalSettings.h"
#include "settings/TargetFrequencies.h"
#include "settings/Translator.h"

#include <QFileInfo>
#include <QThread>

ApplicationManager *ApplicationManager::instance()
{
    static QPointer<ApplicationManager> s_instance;
    if (!s_instance)
        s_instance = new ApplicationManager;
    return s_instance;
}

ApplicationManager::ApplicationManager(QObject *parent)
    : QObject(parent)
    , m_conversions(std::make_unique<WorkerPool>(std::max(2, QThread::idealThreadCount())))
    , m_scans(std::make_unique<WorkerPool>(1))
{
    m_fileQueue = new QueueEntryList(this);
    m_targetFrequencies = new KeyValueItemList(this);
    m_settings = GlobalSettings::instance();

    for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
        m_targetFrequencies->append(new KeyValueItem(QString::fromLatin1(choice.label), choice.value));
}

ApplicationManager::~ApplicationManager()
{
    for (QueueEntry *entry : m_fileQueue->items())
        entry->update_deleteWhenFinished(true);
    // Waits for the running tasks, which use the entries.
    m_conversions.reset();
    m_scans.reset();
}

void ApplicationManager::setDesktop(std::unique_ptr<Desktop> desktop)
{
    m_desktop = std::move(desktop);
}

void ApplicationManager::setMaxConversions(int count)
{
    // Only between conversions: the running ones keep their pool.
    if (m_conversions->pending() == 0)
        m_conversions = std::make_unique<WorkerPool>(count);
}

int ApplicationManager::maxConversions() const
{
    return m_conversions->maxThreads();
}

void ApplicationManager::visitWebsite()
{
    const QString website = QString::fromUtf8(ProgramInfo::Website);
    if (website.isEmpty())
        showAboutDialog();
    else if (m_desktop)
        m_desktop->openUrl(QUrl(website));
}

void ApplicationManager::showAboutDialog()
{
    if (m_desktop)
        m_desktop->showAbout();
}

void ApplicationManager::showSettingsDialog()
{
    if (m_desktop)
        m_desktop->showSettings();
}

QString ApplicationManager::selectTargetDirectory()
{
    if (!m_desktop)
        return QString();
    const QString directory =
        m_desktop->chooseFolder(Translator::instance()->strSelectTargetFolder(), m_settings->lastMediaExportPath());
    if (directory.isEmpty())
        return directory;
    m_settings->update_lastMediaExportPath(directory);
    m_settings->saveSettings();
    return directory;
}

void ApplicationManager::selectImportFiles()
{
    if (!m_desktop)
        return;
    const QStringList files =
        m_desktop->chooseFiles(Translator::instance()->strSelectFiles(), m_settings->lastMediaImportPath());
    if (files.isEmpty())
        return;
    const QString target = selectTargetDirectory();
    if (target.isEmpty())
        return;
    m_settings->update_lastMediaImportPath(QFileInfo(files.first()).path());
    m_settings->saveSettings();
    const ConversionSettings settings = m_settings->conversionSettings();
    for (const QString &file : files)
        m_fileQueue->append(new QueueEntry(file, target, settings));
    startProcessingInternal();
}

void ApplicationManager::selectImportFolder()
{
    if (!m_desktop)
        return;
    const QString folder =
        m_desktop->chooseFolder(Translator::instance()->strSelectFolder(), m_settings->lastMediaImportPath());
    if (folder.isEmpty())
        return;
    const QString target = selectTargetDirectory();
    if (target.isEmpty())
        return;
    m_settings->update_lastMediaImportPath(folder);
    m_settings->saveSettings();
    importFolder(folder, target, m_settings->conversionSettings());
}

void ApplicationManager::importFolder(const QString &folder, QString target, const ConversionSettings &settings)
{
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!target.endsWith(QLatin1Char('/')))
        target += QLatin1Char('/');
    if (m_desktop)
        m_desktop->showBusy(QStringLiteral("%1...").arg(Translator::instance()->strLoadingFiles()));
    // The scan runs on the pool's thread and fills `found`; its completion
    // reads it here.
    auto found = std::make_shared<QList<FolderScanner::Match>>();
    const QStringList filters = FolderScanner::nameFilters(m_settings->fileFilter());
    m_scans->start([folder, target, filters, found] { *found = FolderScanner::scan(folder, target, filters); },
                   [this, found, settings] {
                       QList<QueueEntry *> entries;
                       for (const FolderScanner::Match &match : qAsConst(*found))
                           entries.append(new QueueEntry(match.filePath, match.targetDirectory, settings));
                       if (!entries.isEmpty())
                           m_fileQueue->append(entries);
                       if (m_desktop && m_scans->pending() == 0)
                           m_desktop->showBusy(QString());
                       startProcessingInternal();
                   });
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
    const ConversionSettings settings = m_settings->conversionSettings();
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        if (path.isEmpty())
            continue;
        if (QFileInfo(path).isFile())
            m_fileQueue->append(new QueueEntry(path, target, settings));
        else if (QFileInfo(path).isDir())
            importFolder(path, target, settings);
    }
    startProcessingInternal();
}

void ApplicationManager::startConversion()
{
    startProcessingInternal();
}

void ApplicationManager::startProcessingInternal()
{
    while (m_conversions->pending() < m_conversions->maxThreads()) {
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
        update_conversionRunning(true);
        // The entry outlives the task: it is removed only once the task's
        // completion has run (see conversionFinished and the destructor).
        m_conversions->start(
            [next] {
                ProcessingJob job(next);
                QObject::connect(&job, &ProcessingJob::progressUpdate,
                                 [next](double progress) { next->reportProgress(progress); });
                job.run();
                const ConversionResult::Status status = job.result().status;
                next->update_state(status == ConversionResult::Converted ? QueueEntry::S_Finished
                                   : status == ConversionResult::Skipped ? QueueEntry::S_Skipped
                                                                         : QueueEntry::S_Failed);
            },
            [this, entry = QPointer<QueueEntry>(next)] { conversionFinished(entry); });
    }
    if (m_conversions->pending() == 0)
        update_conversionRunning(false);
}

void ApplicationManager::conversionFinished(const QPointer<QueueEntry> &entry)
{
    if (entry && entry->deleteWhenFinished())
        removeEntry(entry);
    startProcessingInternal();
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
        if (entry->state() == QueueEntry::S_Finished || entry->state() == QueueEntry::S_Failed
            || entry->state() == QueueEntry::S_Skipped)
            queueEntryClicked(entry);
    }
}

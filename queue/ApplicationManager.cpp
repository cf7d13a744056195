#include "queue/ApplicationManager.h"

#include "engine/FolderScanner.h"
#include "engine/ProgramInfo.h"
#include "engine/WorkerPool.h"
#include "queue/Desktop.h"
#include "queue/ProcessingJob.h"
#include "settings/GlobalSettings.h"
#include "settings/TargetFrequencies.h"
#include "settings/Translator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {

QStringList sortedPaths(QStringList paths)
{
    for (QString &path : paths)
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    std::sort(paths.begin(), paths.end(), FolderScanner::comesBefore);
    return paths;
}

} // namespace

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
    , m_converter(&ProcessingJob::convert)
{
    m_fileQueue = new QueueEntryList(this);
    m_targetFrequencies = new KeyValueItemList(this);
    m_settings = GlobalSettings::instance();
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_clock = [timer] { return timer->elapsed(); };

    for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
        m_targetFrequencies->append(new KeyValueItem(QString::fromLatin1(choice.label), choice.value));

    connect(m_fileQueue, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        for (int row = first; row <= last; ++row)
            watch(m_fileQueue->at(row));
        updateCounts();
    });
    connect(m_fileQueue, &QAbstractItemModel::rowsRemoved, this, &ApplicationManager::updateCounts);
    connect(Translator::instance(), &Translator::languageChanged, this, &ApplicationManager::updateCounts);
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

void ApplicationManager::setConverter(Converter converter)
{
    m_converter = std::move(converter);
}

void ApplicationManager::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
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

// ---- Imports ----

QString ApplicationManager::outputFolderForImport()
{
    if (!m_settings->askForOutputFolder() && !m_settings->outputFolder().isEmpty())
        return m_settings->outputFolder();
    if (!m_desktop)
        return QString();
    const QString folder =
        m_desktop->chooseFolder(Translator::instance()->strSelectTargetFolder(), m_settings->lastMediaExportPath());
    if (folder.isEmpty()) {
        m_desktop->showNotice(tr("Nothing was added: no output folder was chosen."));
        return QString();
    }
    m_settings->update_lastMediaExportPath(folder);
    m_settings->saveSettings();
    return folder;
}

void ApplicationManager::selectImportFiles()
{
    if (!m_desktop)
        return;
    const QStringList files =
        m_desktop->chooseFiles(Translator::instance()->strSelectFiles(), m_settings->lastMediaImportPath());
    if (files.isEmpty())
        return;
    const QString target = outputFolderForImport();
    if (target.isEmpty())
        return;
    m_settings->update_lastMediaImportPath(QFileInfo(files.first()).path());
    m_settings->saveSettings();
    queueImport(files, {}, target);
}

void ApplicationManager::selectImportFolder()
{
    if (!m_desktop)
        return;
    const QString folder =
        m_desktop->chooseFolder(Translator::instance()->strSelectFolder(), m_settings->lastMediaImportPath());
    if (folder.isEmpty())
        return;
    const QString target = outputFolderForImport();
    if (target.isEmpty())
        return;
    m_settings->update_lastMediaImportPath(folder);
    m_settings->saveSettings();
    queueImport({}, {folder}, target);
}

bool ApplicationManager::acceptDroppedUrls(const QList<QUrl> &urls) const
{
    const QStringList filters = FolderScanner::nameFilters(m_settings->fileFilter());
    for (const QUrl &url : urls) {
        const QFileInfo info(url.toLocalFile());
        if (info.isDir() || (info.isFile() && QDir::match(filters, info.fileName())))
            return true;
    }
    return false;
}

void ApplicationManager::processImportUrls(const QList<QUrl> &urls)
{
    // What the drop area took: folders, and the files the filter lets in.
    const QStringList filters = FolderScanner::nameFilters(m_settings->fileFilter());
    QStringList files;
    QStringList folders;
    QStringList leftOut;
    for (const QUrl &url : urls) {
        const QFileInfo info(url.toLocalFile());
        if (info.isDir())
            folders << info.filePath();
        else if (info.isFile() && QDir::match(filters, info.fileName()))
            files << info.filePath();
        else
            leftOut << (url.isLocalFile() ? info.fileName() : url.toDisplayString());
    }
    if (!leftOut.isEmpty() && m_desktop) {
        m_desktop->showNotice(tr("Left out what the file filter does not take: %1.")
                                  .arg(leftOut.join(QStringLiteral(", "))));
    }
    importChosen(files, folders);
}

void ApplicationManager::openPaths(const QStringList &paths)
{
    QStringList files;
    QStringList folders;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        (info.isDir() ? folders : files) << info.absoluteFilePath();
    }
    importChosen(files, folders);
}

void ApplicationManager::importChosen(const QStringList &files, const QStringList &folders)
{
    if (files.isEmpty() && folders.isEmpty())
        return;
    const QString target = outputFolderForImport();
    if (!target.isEmpty())
        queueImport(files, folders, target);
}

// Files go into `target`; each folder's tree is mirrored under it, as a
// folder import does. The files come first, then the folders, each in
// FolderScanner's order.
void ApplicationManager::queueImport(const QStringList &files, const QStringList &folders, QString target)
{
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const ConversionSettings settings = m_settings->conversionSettings();
    if (folders.isEmpty()) {
        appendEntries(sortedPaths(files), {}, target, settings);
        return;
    }
    if (!target.endsWith(QLatin1Char('/')))
        target += QLatin1Char('/');
    if (m_desktop)
        m_desktop->showBusy(QStringLiteral("%1...").arg(Translator::instance()->strLoadingFiles()));
    // The scans run on the pool's thread and fill `scans`; their completion
    // reads it here.
    auto scans = std::make_shared<QList<FolderScanner::Scan>>();
    const QStringList filters = FolderScanner::nameFilters(m_settings->fileFilter());
    m_scans->start(
        [folders = sortedPaths(folders), target, filters, scans] {
            for (const QString &folder : folders)
                scans->append(FolderScanner::scan(folder, target, filters));
        },
        [this, files = sortedPaths(files), target, scans, settings] {
            if (m_desktop)
                m_desktop->showBusy(QString());
            QList<QPair<QString, QString>> found;
            QList<QueueEntry *> unreadable;
            for (const FolderScanner::Scan &scan : qAsConst(*scans)) {
                for (const FolderScanner::Match &match : scan.matches)
                    found.append({match.filePath, match.targetDirectory});
                // What cannot be read is a failed row, with its reason.
                for (const FolderScanner::Problem &problem : scan.unreadable) {
                    auto *entry = new QueueEntry(problem.path, problem.targetDirectory, settings);
                    ConversionResult result;
                    result.message = problem.message;
                    entry->applyResult(result);
                    unreadable.append(entry);
                }
                if (!scan.outputFolder.isEmpty() && m_desktop) {
                    m_desktop->showNotice(tr("The output folder %1 lies inside the imported folder; its files were "
                                             "left out.")
                                              .arg(scan.outputFolder));
                }
            }
            if (!unreadable.isEmpty())
                m_fileQueue->append(unreadable);
            appendEntries(files, found, target, settings);
        });
}

void ApplicationManager::appendEntries(const QStringList &files, const QList<QPair<QString, QString>> &scanned,
                                       const QString &target, const ConversionSettings &settings)
{
    QList<QueueEntry *> entries;
    for (const QString &file : files)
        entries.append(new QueueEntry(file, target, settings));
    for (const auto &match : scanned)
        entries.append(new QueueEntry(match.first, match.second, settings));
    if (!entries.isEmpty())
        m_fileQueue->append(entries);
    startProcessingInternal();
}

// ---- Conversions ----

void ApplicationManager::startConversion()
{
    startProcessingInternal();
}

void ApplicationManager::watch(QueueEntry *entry)
{
    connect(entry, &QueueEntry::stateChanged, this, &ApplicationManager::updateCounts);
    connect(entry, &QueueEntry::progressChanged, this, [this, entry](double progress) {
        if (entry->state() == QueueEntry::S_Processing)
            m_pace.progressed(entry, progress, m_clock());
        updateCounts();
    });
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

        if (!conversionRunning()) {
            m_pace.restart(m_clock());
            m_batchEnded = false;
        }
        next->update_state(QueueEntry::S_Processing);
        m_pace.started(next);
        update_conversionRunning(true);
        const ConversionRequest request{next->filePath(), next->targetDirectory(), next->settings()};
        auto result = std::make_shared<ConversionResult>();
        // The entry outlives the task: it is removed only once the task's
        // completion has run (see conversionFinished and the destructor).
        m_conversions->start(
            [converter = m_converter, request, next, result] {
                *result = converter(
                    request, [next] { return next->deleteWhenFinished(); },
                    [next](double progress) { next->reportProgress(progress); });
            },
            [this, entry = QPointer<QueueEntry>(next), result] { conversionFinished(entry, *result); });
    }
    if (m_conversions->pending() == 0 && conversionRunning()) {
        if (m_batchEnded && m_desktop)
            m_desktop->alert();
        update_conversionRunning(false);
    }
    updateCounts();
}

void ApplicationManager::conversionFinished(const QPointer<QueueEntry> &entry, const ConversionResult &result)
{
    if (entry) {
        if (entry->deleteWhenFinished()) {
            m_pace.dropped(entry);
            dropRow(entry);
        } else {
            if (result.converted())
                m_pace.converted(entry, result.audioSeconds, m_clock());
            else
                m_pace.dropped(entry);
            entry->applyResult(result);
            m_batchEnded = true;
        }
    }
    startProcessingInternal();
}

// ---- Rows ----

void ApplicationManager::dropRow(QueueEntry *entry)
{
    m_fileQueue->remove(m_fileQueue->indexOf(entry));
}

void ApplicationManager::removeEntry(QueueEntry *entry)
{
    if (!entry || m_fileQueue->indexOf(entry) < 0)
        return;
    entry->update_deleteWhenFinished(true);
    if (entry->state() == QueueEntry::S_Processing) {
        updateCounts();
        return;  // its job stops, and its completion removes the row
    }
    dropRow(entry);
}

void ApplicationManager::retryEntry(QueueEntry *entry)
{
    if (entry && m_fileQueue->indexOf(entry) >= 0 && entry->retry())
        startProcessingInternal();
}

void ApplicationManager::openOutputFolder(QueueEntry *entry)
{
    if (!entry || !m_desktop || entry->outputPath().isEmpty())
        return;
    if (entry->state() == QueueEntry::S_Finished || entry->state() == QueueEntry::S_Skipped)
        m_desktop->openUrl(QUrl::fromLocalFile(QFileInfo(entry->outputPath()).absolutePath()));
}

void ApplicationManager::retryFailed()
{
    bool any = false;
    for (QueueEntry *entry : m_fileQueue->items())
        any = entry->retry() || any;
    if (any)
        startProcessingInternal();
}

void ApplicationManager::removeFinishedFromQueue()
{
    const QList<QueueEntry *> entries = m_fileQueue->items();
    for (QueueEntry *entry : entries) {
        if (entry->state() == QueueEntry::S_Finished || entry->state() == QueueEntry::S_Skipped)
            removeEntry(entry);
    }
}

void ApplicationManager::clearQueue()
{
    const QList<QueueEntry *> entries = m_fileQueue->items();
    for (QueueEntry *entry : entries)
        removeEntry(entry);
}

void ApplicationManager::cancelConversion()
{
    int running = 0;
    int waiting = 0;
    int done = 0;
    for (const QueueEntry *entry : m_fileQueue->items()) {
        if (entry->deleteWhenFinished())
            continue;
        if (entry->state() == QueueEntry::S_Processing)
            ++running;
        else if (entry->state() == QueueEntry::S_Pending)
            ++waiting;
        else
            ++done;
    }
    if (running + waiting == 0)
        return;
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
    if (!m_desktop || !m_desktop->confirm(question.join(QLatin1Char(' ')), tr("Cancel conversion")))
        return;
    const QList<QueueEntry *> entries = m_fileQueue->items();
    for (QueueEntry *entry : entries) {
        if (entry->state() == QueueEntry::S_Processing || entry->state() == QueueEntry::S_Pending)
            removeEntry(entry);
    }
}

bool ApplicationManager::confirmQuit()
{
    const int unfinished = unfinishedCount();
    if (unfinished == 0)
        return true;
    const QString question = unfinished == 1
                                 ? tr("1 file is still being converted. Stop and quit?")
                                 : tr("%n files are still being converted. Stop and quit?", nullptr, unfinished);
    return m_desktop && m_desktop->confirm(question, tr("Stop and quit"));
}

// ---- The overall line ----

void ApplicationManager::updateCounts()
{
    int total = 0;
    int finished = 0;
    int failed = 0;
    int skipped = 0;
    int waiting = 0;
    int running = 0;
    for (const QueueEntry *entry : m_fileQueue->items()) {
        if (entry->deleteWhenFinished())
            continue;
        ++total;
        switch (entry->state()) {
        case QueueEntry::S_Pending:
            ++waiting;
            break;
        case QueueEntry::S_Processing:
            ++running;
            break;
        case QueueEntry::S_Finished:
            ++finished;
            break;
        case QueueEntry::S_Failed:
            ++failed;
            break;
        case QueueEntry::S_Skipped:
            ++skipped;
            break;
        }
    }
    update_unfinishedCount(running + waiting);
    if (total == 0) {
        update_queueSummary(QString());
        return;
    }
    QStringList parts{tr("%1 of %2 converted").arg(finished).arg(total)};
    if (failed > 0)
        parts << tr("%1 failed").arg(failed);
    if (skipped > 0)
        parts << tr("%1 skipped").arg(skipped);
    if (running + waiting > 0) {
        const double left = m_pace.secondsLeft(waiting, m_clock());
        if (left >= 0.0)
            parts << timeLeftText(left);
    }
    update_queueSummary(parts.join(QStringLiteral(" · ")));
}

QString ApplicationManager::timeLeftText(double seconds) const
{
    if (seconds < 60.0)
        return tr("less than a minute left");
    const long minutes = std::lround(seconds / 60.0);
    if (minutes < 60)
        return tr("about %1 min left").arg(minutes);
    return tr("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

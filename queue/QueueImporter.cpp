#include "queue/QueueImporter.h"

#include "batch/WorkerPool.h"
#include "files/FolderScanner.h"
#include "queue/Desktop.h"
#include "queue/QueueEntry.h"
#include "settings/GlobalSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

QStringList sortedPaths(QStringList paths)
{
    std::sort(paths.begin(), paths.end(), FolderScanner::comesBefore);
    return paths;
}

} // namespace

QueueImporter::QueueImporter(QObject *parent)
    : QObject(parent)
    , m_settings(GlobalSettings::instance())
    , m_scans(std::make_unique<WorkerPool>(1))
{
}

// Waits for a running scan, whose completion does not run.
QueueImporter::~QueueImporter() = default;

// Asked at every import, or once: the folder chosen then is the output
// folder from then on, until changed in the settings.
QString QueueImporter::outputFolderForImport()
{
    if (!m_settings->askForOutputFolder() && !m_settings->outputFolder().isEmpty())
        return m_settings->outputFolder();
    if (!m_desktop)
        return QString();
    const QString folder = m_desktop->chooseFolder(tr("Where should the retuned files go?"),
                                                   m_settings->lastMediaExportPath());
    if (folder.isEmpty()) {
        m_desktop->showNotice(tr("Nothing was added: no output folder was chosen."));
        return QString();
    }
    m_settings->update_lastMediaExportPath(folder);
    if (!m_settings->askForOutputFolder())
        m_settings->set_outputFolder(folder);
    m_settings->saveSettings();
    return folder;
}

// Where the file dialogs open: where the last import came from, else the
// user's music; never a folder that does not exist, which the dialog would
// take for a file name.
QString QueueImporter::importFolder() const
{
    for (const QString &folder : {m_settings->lastMediaImportPath(),
                                  QStandardPaths::writableLocation(QStandardPaths::MusicLocation)}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

void QueueImporter::selectImportFiles()
{
    if (!m_desktop)
        return;
    const QStringList files = m_desktop->chooseFiles(tr("Select files"), importFolder(),
                                                     FolderScanner::nameFilters(m_settings->fileFilter()));
    if (files.isEmpty())
        return;
    const QString target = outputFolderForImport();
    if (target.isEmpty())
        return;
    m_settings->update_lastMediaImportPath(QFileInfo(files.first()).path());
    m_settings->saveSettings();
    queueImport(files, {}, target);
}

void QueueImporter::selectImportFolder()
{
    if (!m_desktop)
        return;
    const QString folder = m_desktop->chooseFolder(tr("Select folder"), importFolder());
    if (folder.isEmpty())
        return;
    const QString target = outputFolderForImport();
    if (target.isEmpty())
        return;
    m_settings->update_lastMediaImportPath(folder);
    m_settings->saveSettings();
    queueImport({}, {folder}, target);
}

bool QueueImporter::acceptDroppedUrls(const QList<QUrl> &urls) const
{
    const QStringList filters = FolderScanner::nameFilters(m_settings->fileFilter());
    for (const QUrl &url : urls) {
        const QFileInfo info(url.toLocalFile());
        if (info.isDir() || (info.isFile() && QDir::match(filters, info.fileName())))
            return true;
    }
    return false;
}

void QueueImporter::processImportUrls(const QList<QUrl> &urls)
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

void QueueImporter::openPaths(const QStringList &paths)
{
    QStringList files;
    QStringList folders;
    QStringList missing;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            missing << info.fileName();
        else
            (info.isDir() ? folders : files) << info.absoluteFilePath();
    }
    m_missing = missing;
    if (files.isEmpty() && folders.isEmpty())
        announce(0, QString(), {});
    importChosen(files, folders);
}

void QueueImporter::importChosen(const QStringList &files, const QStringList &folders)
{
    if (files.isEmpty() && folders.isEmpty())
        return;
    const QString target = outputFolderForImport();
    if (!target.isEmpty())
        queueImport(files, folders, target);
}

// Files go into `target`; each folder's tree is mirrored under it. The
// files come first, then the folders, each in FolderScanner's order. What
// cannot be read is a failed row, with its reason.
void QueueImporter::queueImport(const QStringList &files, const QStringList &folders, QString target)
{
    const ConversionSettings settings = m_settings->conversionSettings();
    auto entriesOf = [settings, target](const QStringList &paths) {
        QList<QueueEntry *> entries;
        for (const QString &path : sortedPaths(paths))
            entries.append(new QueueEntry(path, target, settings));
        return entries;
    };
    if (folders.isEmpty()) {
        announce(files.size(), target, {});
        Q_EMIT imported(entriesOf(files));
        return;
    }
    if (!target.endsWith(QLatin1Char('/')))
        target += QLatin1Char('/');
    if (m_desktop)
        m_desktop->showBusy(tr("Loading files..."));
    // The scans run on the pool's thread and fill `scans`; their completion
    // reads it here.
    auto scans = std::make_shared<QList<FolderScanner::Scan>>();
    const QStringList filters = FolderScanner::nameFilters(m_settings->fileFilter());
    m_scans->start(
        [folders = sortedPaths(folders), target, filters, scans] {
            for (const QString &folder : folders)
                scans->append(FolderScanner::scan(folder, target, filters));
        },
        [this, entriesOf, files, folders, target, scans, settings] {
            if (m_desktop)
                m_desktop->showBusy(QString());
            QList<QueueEntry *> entries = entriesOf(files);
            QList<QueueEntry *> unreadable;
            for (const FolderScanner::Scan &scan : qAsConst(*scans)) {
                for (const FolderScanner::Match &match : scan.matches)
                    entries.append(new QueueEntry(match.filePath, match.targetDirectory, settings));
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
            announce(entries.size(), target, folders);
            Q_EMIT imported(unreadable + entries);
        });
}

// Says where the files go, as the output folder is not asked each time,
// or why nothing was added: a folder without a file the filter takes.
// A launch's names that do not exist are said with it: the status line
// shows one notice at a time.
void QueueImporter::announce(int added, const QString &target, const QStringList &folders)
{
    QStringList notice;
    if (added > 0) {
        notice << tr("%n file(s) added; the retuned files go into %1.", nullptr, added)
                      .arg(QDir::toNativeSeparators(QDir::cleanPath(target)));
    } else if (!folders.isEmpty()) {
        QStringList names;
        for (const QString &folder : folders)
            names << QFileInfo(folder).fileName();
        notice << tr("Nothing was added: %1 holds no file the file filter takes (see the settings).")
                      .arg(names.join(QStringLiteral(", ")));
    }
    if (!m_missing.isEmpty())
        notice << tr("Not found, so not added: %1.").arg(m_missing.join(QStringLiteral(", ")));
    m_missing.clear();
    if (m_desktop && !notice.isEmpty())
        m_desktop->showNotice(notice.join(QLatin1Char(' ')));
}

#include "queue/ApplicationManager.h"

#include "base/ProgramInfo.h"
#include "queue/ConversionQueue.h"
#include "queue/Desktop.h"
#include "queue/QueueImporter.h"
#include "queue/QueueSummary.h"
#include "settings/TargetFrequencies.h"

#include <QPointer>

ApplicationManager *ApplicationManager::instance()
{
    static QPointer<ApplicationManager> s_instance;
    if (!s_instance)
        s_instance = new ApplicationManager;
    return s_instance;
}

ApplicationManager::ApplicationManager(QObject *parent)
    : QObject(parent)
    , m_queue(new ConversionQueue(this))
    , m_importer(new QueueImporter(this))
    , m_summary(new QueueSummary(*m_queue, this))
{
    m_fileQueue = m_queue->rows();
    m_targetFrequencies = new KeyValueItemList(this);
    for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
        m_targetFrequencies->append(new KeyValueItem(QString::fromLatin1(choice.label), choice.value));

    connect(m_importer, &QueueImporter::imported, m_queue, &ConversionQueue::append);
    connect(m_queue, &ConversionQueue::changed, this, [this] { update_unfinishedCount(m_queue->unfinishedCount()); });
    connect(m_queue, &ConversionQueue::convertingChanged, this, &ApplicationManager::update_conversionRunning);
    connect(m_summary, &QueueSummary::textChanged, this, &ApplicationManager::update_queueSummary);
}

// The queue's runner stops and awaits the running conversions; a scan
// that runs is awaited too, and its files are not queued.
ApplicationManager::~ApplicationManager() = default;

void ApplicationManager::setDesktop(std::unique_ptr<Desktop> desktop)
{
    m_desktop = std::move(desktop);
    m_queue->setDesktop(m_desktop.get());
    m_importer->setDesktop(m_desktop.get());
}

void ApplicationManager::setMaxConversions(int count)
{
    m_queue->runner().setParallel(count);
}

int ApplicationManager::maxConversions() const
{
    return m_queue->runner().parallel();
}

void ApplicationManager::setConverter(Converter converter)
{
    m_queue->runner().setConverter(std::move(converter));
}

void ApplicationManager::setClock(std::function<qint64()> clock)
{
    m_queue->runner().setClock(std::move(clock));
}

bool ApplicationManager::hasWebsite() const
{
    return *ProgramInfo::Website != '\0';
}

void ApplicationManager::visitWebsite()
{
    if (!hasWebsite())
        showAboutDialog();
    else if (m_desktop)
        m_desktop->openUrl(QUrl(QString::fromUtf8(ProgramInfo::Website)));
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

bool ApplicationManager::confirmQuit()
{
    return m_queue->confirmQuit();
}

bool ApplicationManager::acceptDroppedUrls(const QList<QUrl> &urls) const
{
    return m_importer->acceptDroppedUrls(urls);
}

void ApplicationManager::processImportUrls(const QList<QUrl> &urls)
{
    m_importer->processImportUrls(urls);
}

void ApplicationManager::openPaths(const QStringList &paths)
{
    m_importer->openPaths(paths);
}

void ApplicationManager::selectImportFiles()
{
    m_importer->selectImportFiles();
}

void ApplicationManager::selectImportFolder()
{
    m_importer->selectImportFolder();
}

void ApplicationManager::startConversion()
{
    m_queue->startWaiting();
}

void ApplicationManager::removeEntry(QueueEntry *entry)
{
    m_queue->remove(entry);
}

void ApplicationManager::retryEntry(QueueEntry *entry)
{
    m_queue->retry(entry);
}

void ApplicationManager::openOutputFolder(QueueEntry *entry)
{
    m_queue->openOutputFolder(entry);
}

void ApplicationManager::retryFailed()
{
    m_queue->retryFailed();
}

void ApplicationManager::removeFinishedFromQueue()
{
    m_queue->removeFinished();
}

void ApplicationManager::cancelConversion()
{
    m_queue->cancel();
}

void ApplicationManager::clearQueue()
{
    m_queue->clear();
}

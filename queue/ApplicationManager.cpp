#include "queue/ApplicationManager.h"

#include "base/ProgramInfo.h"
#include "queue/ConversionQueue.h"
#include "queue/Desktop.h"
#include "queue/QueueImporter.h"
#include "queue/QueueStore.h"
#include "queue/QueueSummary.h"
#include "settings/GlobalSettings.h"
#include "settings/TargetFrequencies.h"
#include "settings/Translator.h"

#include <QFileInfo>
#include <QPointer>

#include <cmath>

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
    , m_player(new PreviewPlayer(this))
{
    m_fileQueue = m_queue->rows();
    m_targetFrequencies = new KeyValueItemList(this);
    for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
        m_targetFrequencies->append(new KeyValueItem(QString::fromLatin1(choice.label), choice.value));
    // The last choice is a number of one's own; its value is none.
    auto *other = new KeyValueItem(tr("Other…"), QVariant());
    m_targetFrequencies->append(other);
    connect(Translator::instance(), &Translator::languageChanged, other, [other] { other->update_label(tr("Other…")); });

    connect(m_importer, &QueueImporter::imported, m_queue, &ConversionQueue::append);
    connect(m_queue, &ConversionQueue::changed, this, [this] {
        update_unfinishedCount(m_queue->unfinishedCount());
        update_finishedCount(m_queue->finishedCount());
        update_firstRunningRow(m_queue->firstRunningRow());
    });
    connect(m_queue, &ConversionQueue::pausedChanged, this, &ApplicationManager::update_paused);
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
    m_queue->setPaused(false);
    m_queue->startWaiting();
}

void ApplicationManager::pauseConversion()
{
    m_queue->setPaused(true);
}

void ApplicationManager::keepQueue(const QString &path, bool restore)
{
    delete m_store;
    m_store = new QueueStore(this);
    m_store->open(path.isEmpty() ? QueueStore::defaultPath() : path);
    m_queue->keepIn(m_store, restore);
}

QVariantList ApplicationManager::concertPitches() const
{
    QVariantList pitches;
    for (const double hz : TargetFrequencies::concertPitches())
        pitches << hz;
    return pitches;
}

QString ApplicationManager::frequencyText(double hz) const
{
    return TargetFrequencies::text(hz);
}

QString ApplicationManager::setTargetFrequencyText(const QString &text)
{
    const std::optional<double> hz = TargetFrequencies::parse(text);
    if (!hz)
        return tr("“%1” is not a pitch in Hz.").arg(text.trimmed());
    if (!ConversionSettings::validA4(*hz)) {
        return tr("A4 must lie between %1 and %2 Hz.")
            .arg(frequencyText(ConversionSettings::LowestA4), frequencyText(ConversionSettings::HighestA4));
    }
    GlobalSettings *settings = GlobalSettings::instance();
    const double hzRounded = std::round(*hz * 100.0) / 100.0;
    if (settings->targetFrequency() != hzRounded && !settings->set_targetFrequency(hzRounded)) {
        // Only the shift can be out of reach: two octaves from the source.
        const double source = settings->sourceFrequency();
        const double reach = std::exp2(ConversionSettings::LargestShift / 12.0);
        return tr("From a source at A4 = %1 Hz, A4 must lie between %2 and %3 Hz.")
            .arg(frequencyText(source), frequencyText(std::max(ConversionSettings::LowestA4, source / reach)),
                 frequencyText(std::min(ConversionSettings::HighestA4, source * reach)));
    }
    settings->saveSettings();
    return QString();
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

void ApplicationManager::previewEntry(QueueEntry *entry)
{
    if (entry == m_previewed)
        return;
    m_previewed = entry;
    if (entry)
        m_player->load(entry->filePath(), entry->settings(), entry->measuredA4());
    else
        m_player->unload();
}

bool ApplicationManager::previewUrls(const QList<QUrl> &urls)
{
    if (urls.size() != 1 || !QFileInfo(urls.first().toLocalFile()).isFile())
        return false;
    m_previewed = nullptr;
    m_player->load(urls.first().toLocalFile(), GlobalSettings::instance()->conversionSettings(), 0.0);
    return true;
}

// Interface texts in both languages, the option lists and the queue entries
// that show them.
#include "engine/AppConstants.h"
#include "engine/ProgramInfo.h"
#include "models/KeyValueItemList.h"
#include "settings/OptionLists.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"
#include "settings/Translator.h"

#include <QCoreApplication>
#include <QThread>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

// What the globe button does depends on the build.
const char *const WebButtonTip =
    *ProgramInfo::Website ? "Open the web page of Tunewise" : "About Tunewise: version, licence and libraries";

const QStringList EnglishTexts = {
    "Select songs", "Start conversion", "Cancel conversion", "Select files", "Select folder", "Time based",
    "Frequency based", "Pending", "Processing", "Finished", "Failed", "Target folder", "Loading files",
    "Cancel all", "Remove finished", "Target frequency", WebButtonTip};
// The globe's tip is not in the German catalogue yet.
const QStringList GermanTexts = {
    "Musik auswählen", "Konvertierung starten", "Abbrechen", "Dateien auswählen", "Ordner auswählen",
    "Zeitbasiert", "Frequenzbasiert", "Wartend", "Konvertiert", "Fertig", "Fehler", "Zielordner",
    "Die Dateien werden geladen", "Alle abbrechen", "Fertige entfernen", "Zielfrequenz", WebButtonTip};

// The Translator's properties in declaration order, skipping QObject's.
QStringList translatorTexts()
{
    const Translator *t = Translator::instance();
    const QMetaObject *meta = t->metaObject();
    QStringList texts;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        texts << meta->property(i).read(t).toString();
    return texts;
}

QStringList listLabels(const KeyValueItemList *list)
{
    QStringList result;
    for (int row = 0; row < list->count(); ++row)
        result << list->data(list->index(row), Qt::DisplayRole).toString();
    return result;
}

QVariantList listValues(const KeyValueItemList *list)
{
    QVariantList result;
    for (const KeyValueItem *item : list->items())
        result << item->value();
    return result;
}

} // namespace

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void translatorFollowsCatalogue();
    void otherContextsOfTheCatalogue_data();
    void otherContextsOfTheCatalogue();
    void optionLists();
    void indexOfValueAcrossTypes_data();
    void indexOfValueAcrossTypes();
    void insertionOrderAcrossLists();
    void queueEntryBasics();
    void stateChangeFromWorkerThread();
    void stateTextKeepsItsLanguage();

private:
    bool installGerman();
    std::unique_ptr<QTranslator> m_catalogue;
};

bool TestTexts::installGerman()
{
    m_catalogue = std::make_unique<QTranslator>();
    if (!m_catalogue->load(QStringLiteral(":/translations/twconv_de.qm")))
        return false;
    QCoreApplication::installTranslator(m_catalogue.get());
    Translator::instance()->retranslate();
    return true;
}

void TestTexts::init()
{
    Translator::instance()->retranslate();
}

void TestTexts::cleanup()
{
    m_catalogue.reset();  // uninstalls itself
    Translator::instance()->retranslate();
}

void TestTexts::translatorFollowsCatalogue()
{
    QCOMPARE(translatorTexts(), EnglishTexts);

    QVERIFY(installGerman());
    QCOMPARE(translatorTexts(), GermanTexts);
    QCOMPARE(Translator::instance()->strCancelConversion(), QStringLiteral("Abbrechen"));

    // Nothing changed, so nothing is announced.
    QSignalSpy spy(Translator::instance(), &Translator::strSelectSongsChanged);
    QSignalSpy last(Translator::instance(), &Translator::strTargetFrequencyChanged);
    Translator::instance()->retranslate();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(last.count(), 0);

    // The English catalogue is valid and leaves the texts as they are.
    m_catalogue = std::make_unique<QTranslator>();
    QVERIFY(m_catalogue->load(QStringLiteral(":/translations/twconv_en.qm")));
    QCoreApplication::installTranslator(m_catalogue.get());
    Translator::instance()->retranslate();
    QCOMPARE(translatorTexts(), EnglishTexts);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Select songs"));
}

void TestTexts::otherContextsOfTheCatalogue_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("german");

    QTest::newRow("dialog title") << "SettingsDialog" << "Settings" << "Einstellungen";
    QTest::newRow("bit rate label") << "SettingsDialog" << "Audio bit rate:" << "Audio Bitrate:";
    QTest::newRow("language note") << "SettingsDialog"
                                   << "The application must be restarted to fully reflect the new language."
                                   << "Die Anwendung muss nach einem Sprachwechsel neu gestartet werden.";
    QTest::newRow("unit stays") << "SettingsDialog" << " Hertz" << " Hertz";
    QTest::newRow("job message stays English") << "ProcessingJob" << "Export codec not found."
                                               << "Export codec not found.";
    QTest::newRow("wrong context stays English") << "ProcessingJob" << "Settings" << "Settings";
}

void TestTexts::otherContextsOfTheCatalogue()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, german);
    QVERIFY(installGerman());
    QCOMPARE(QCoreApplication::translate(qPrintable(context), qPrintable(source)), german);
}

void TestTexts::optionLists()
{
    QObject owner;
    KeyValueItemList *languages = OptionLists::languages(&owner);
    KeyValueItemList *algorithms = OptionLists::algorithms(&owner);
    KeyValueItemList *formats = OptionLists::audioFormats(&owner);
    KeyValueItemList *bitrates = OptionLists::bitrates(&owner, AppConstants::F_M4a);
    for (KeyValueItemList *list : {languages, algorithms, formats, bitrates}) {
        QCOMPARE(list->parent(), &owner);
        for (const KeyValueItem *item : list->items()) {
            QCOMPARE(item->parent(), list);
            QCOMPARE(item->checked(), false);
        }
    }

    QCOMPARE(listLabels(languages), (QStringList{"Auto", "Deutsch", "English"}));
    QCOMPARE(listValues(languages), (QVariantList{QString(), QStringLiteral("de"), QStringLiteral("en")}));
    QCOMPARE(listLabels(algorithms), (QStringList{"Time based", "Frequency based"}));
    QCOMPARE(listValues(algorithms), (QVariantList{int(AppConstants::A_Time), int(AppConstants::A_Frequency)}));
    QCOMPARE(listLabels(formats), (QStringList{"mp3", "m4a (AAC)", "wav", "flac"}));
    QCOMPARE(listValues(formats), (QVariantList{0, 3, 1, 2}));
    QCOMPARE(listLabels(bitrates), (QStringList{"512 kBit/s", "320 kBit/s", "256 kBit/s", "192 kBit/s",
                                                "160 kBit/s", "128 kBit/s", "96 kBit/s"}));
    QCOMPARE(listValues(bitrates), (QVariantList{512, 320, 256, 192, 160, 128, 96}));

    // Algorithm labels are the texts of the moment the list is built.
    QVERIFY(installGerman());
    QCOMPARE(listLabels(algorithms), (QStringList{"Time based", "Frequency based"}));
    QCOMPARE(listLabels(OptionLists::algorithms(&owner)), (QStringList{"Zeitbasiert", "Frequenzbasiert"}));
    QCOMPARE(listLabels(OptionLists::languages(&owner)), (QStringList{"Auto", "Deutsch", "English"}));
}

void TestTexts::indexOfValueAcrossTypes_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("row");

    QTest::newRow("bit rate int") << "bitrate" << QVariant(192) << 3;
    QTest::newRow("bit rate missing") << "bitrate" << QVariant(193) << -1;
    QTest::newRow("bit rate as text") << "bitrate" << QVariant(QStringLiteral("192")) << 3;
    QTest::newRow("bit rate as double") << "bitrate" << QVariant(96.0) << 6;
    QTest::newRow("bit rate, not a number") << "bitrate" << QVariant(QStringLiteral("fast")) << -1;
    QTest::newRow("format m4a") << "format" << QVariant(int(AppConstants::F_M4a)) << 1;
    QTest::newRow("format wav") << "format" << QVariant(int(AppConstants::F_Wav)) << 2;
    QTest::newRow("format unknown") << "format" << QVariant(7) << -1;
    QTest::newRow("language auto") << "language" << QVariant(QString()) << 0;
    QTest::newRow("language empty text") << "language" << QVariant(QStringLiteral("")) << 0;
    QTest::newRow("language en") << "language" << QVariant(QStringLiteral("en")) << 2;
    QTest::newRow("language fr") << "language" << QVariant(QStringLiteral("fr")) << -1;
    QTest::newRow("invalid value") << "format" << QVariant() << -1;
}

void TestTexts::indexOfValueAcrossTypes()
{
    QFETCH(QString, list);
    QFETCH(QVariant, value);
    QFETCH(int, row);

    QObject owner;
    KeyValueItemList *items = list == QLatin1String("bitrate") ? OptionLists::bitrates(&owner, AppConstants::F_M4a)
                              : list == QLatin1String("format") ? OptionLists::audioFormats(&owner)
                                                                : OptionLists::languages(&owner);
    QCOMPARE(items->getIndexOfValue(value), row);
    KeyValueItem *item = items->getItemForValue(value);
    QCOMPARE(item, row >= 0 ? items->at(row) : nullptr);
}

void TestTexts::insertionOrderAcrossLists()
{
    QObject owner;
    KeyValueItemList *first = OptionLists::bitrates(&owner, AppConstants::F_M4a);
    KeyValueItemList *second = OptionLists::audioFormats(&owner);
    for (int row = 1; row < first->count(); ++row)
        QCOMPARE(first->at(row)->insertionOrder(), first->at(row - 1)->insertionOrder() + 1);
    QCOMPARE(second->at(0)->insertionOrder(), first->at(first->count() - 1)->insertionOrder() + 1);
}

void TestTexts::queueEntryBasics()
{
    QueueEntry entry(QStringLiteral("Music/Song.Live.mp3"), QStringLiteral("/out"), ConversionSettings());
    QCOMPARE(entry.readableName(), QStringLiteral("Song.Live.mp3"));
    QCOMPARE(entry.filePath(), QStringLiteral("Music/Song.Live.mp3"));
    QCOMPARE(entry.targetDirectory(), QStringLiteral("/out"));
    QCOMPARE(entry.state(), QueueEntry::S_Pending);
    QCOMPARE(entry.stateString(), QStringLiteral("Pending"));
    QCOMPARE(entry.deleteWhenFinished(), false);
    QCOMPARE(entry.progress(), 0.0);
    QCOMPARE(entry.getStringForState(QueueEntry::S_Failed), QStringLiteral("Failed"));
    QCOMPARE(entry.getStringForState(QueueEntry::State(4)), QString());
    QCOMPARE(entry.getStringForState(QueueEntry::State(-1)), QString());

    QSignalSpy states(&entry, &QueueEntry::stateChanged);
    QSignalSpy texts(&entry, &QueueEntry::stateStringChanged);
    QVERIFY(entry.update_state(QueueEntry::S_Processing));
    QCOMPARE(entry.stateString(), QStringLiteral("Processing"));
    QVERIFY(!entry.update_state(QueueEntry::S_Processing));
    QCOMPARE(states.count(), 1);
    QCOMPARE(texts.count(), 1);

    QSignalSpy stops(&entry, &QueueEntry::deleteWhenFinishedChanged);
    QVERIFY(entry.update_deleteWhenFinished(true));
    QVERIFY(!entry.update_deleteWhenFinished(true));
    QCOMPARE(stops.count(), 1);
    QVERIFY(entry.deleteWhenFinished());

    QSignalSpy progress(&entry, &QueueEntry::progressChanged);
    QVERIFY(entry.update_progress(0.5));
    QVERIFY(!entry.update_progress(0.5));
    QCOMPARE(progress.count(), 1);

    // The name is the last path component, whatever the separator.
    QCOMPARE(QueueEntry(QStringLiteral("/a/b/x.y.z.flac"), QString(), ConversionSettings()).readableName(), QStringLiteral("x.y.z.flac"));
}

// A conversion task sets the state on a pool thread; the text and every
// receiver follow in the GUI thread.
void TestTexts::stateChangeFromWorkerThread()
{
    QueueEntryList list;
    auto *entry = new QueueEntry(QStringLiteral("/in/Song.mp3"), QStringLiteral("/out"), ConversionSettings());
    list.append(entry);
    entry->update_state(QueueEntry::S_Processing);

    QThread *receivedIn = nullptr;
    connect(entry, &QueueEntry::stateChanged, entry, [&] { receivedIn = QThread::currentThread(); },
            Qt::DirectConnection);
    QSignalSpy rows(&list, &QAbstractItemModel::dataChanged);

    bool changed = false;
    std::unique_ptr<QThread> worker(QThread::create([&] { changed = entry->update_state(QueueEntry::S_Finished); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QVERIFY(changed);
    QCOMPARE(entry->state(), QueueEntry::S_Finished);  // the value itself is there at once

    QTRY_COMPARE(entry->stateString(), QStringLiteral("Finished"));
    QCOMPARE(receivedIn, QThread::currentThread());
    QVector<int> roles;
    for (const QList<QVariant> &change : rows)
        roles += change.at(2).value<QVector<int>>();
    QVERIFY(roles.contains(259));
    QVERIFY(roles.contains(264));

    // Progress reported from a worker arrives in the GUI thread, the last
    // value always.
    QThread *progressIn = nullptr;
    connect(entry, &QueueEntry::progressChanged, entry, [&] { progressIn = QThread::currentThread(); },
            Qt::DirectConnection);
    worker.reset(QThread::create([&] {
        for (int i = 1; i <= 1000; ++i)
            entry->reportProgress(i / 1000.0);
    }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QTRY_COMPARE(entry->progress(), 1.0);
    QCOMPARE(progressIn, QThread::currentThread());
}

// An entry's state text changes language at its next state change only.
void TestTexts::stateTextKeepsItsLanguage()
{
    QueueEntry before(QStringLiteral("a.mp3"), QStringLiteral("/out"), ConversionSettings());
    QVERIFY(installGerman());
    QCOMPARE(before.stateString(), QStringLiteral("Pending"));
    QueueEntry after(QStringLiteral("b.mp3"), QStringLiteral("/out"), ConversionSettings());
    QCOMPARE(after.stateString(), QStringLiteral("Wartend"));
    before.update_state(QueueEntry::S_Failed);
    QCOMPARE(before.stateString(), QStringLiteral("Fehler"));
}

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"

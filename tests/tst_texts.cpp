// Interface texts in both languages, messages translated when shown, the
// option lists, and the queue entries that show them.
#include "engine/AppConstants.h"
#include "engine/TranslatableText.h"
#include "models/KeyValueItemList.h"
#include "settings/OptionLists.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"
#include "settings/Translator.h"
#include "support/MarkingTranslator.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

namespace {

ConversionResult resultOf(ConversionResult::Status status, const QString &outputPath,
                          const TranslatableText &message = {}, const QStringList &warnings = {})
{
    ConversionResult result;
    result.status = status;
    result.outputPath = outputPath;
    result.message = message;
    result.warnings = warnings;
    return result;
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
    void germanCatalogueIsComplete();
    void messagesTranslatedWhenShown();
    void optionLists();
    void indexOfValueAcrossTypes_data();
    void indexOfValueAcrossTypes();
    void insertionOrderAcrossLists();
    void queueEntryBasics();
    void rowTexts_data();
    void rowTexts();
    void stateChangeFromWorkerThread();
    void rowTextsFollowTheLanguage();
    void sameNamesShowTheirFolders();

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
    const Translator *texts = Translator::instance();
    QCOMPARE(texts->strSelectSongs(), QStringLiteral("Select songs"));
    QSignalSpy language(texts, &Translator::languageChanged);

    QVERIFY(installGerman());
    QCOMPARE(texts->strSelectSongs(), QStringLiteral("Musik auswählen"));
    QCOMPARE(texts->strCancelConversion(), QStringLiteral("Abbrechen"));
    QCOMPARE(language.count(), 1);

    // Nothing changed, so no text is announced; the language still is.
    QSignalSpy spy(texts, &Translator::strSelectSongsChanged);
    Translator::instance()->retranslate();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(language.count(), 2);

    // The English catalogue is valid and translates nothing.
    m_catalogue = std::make_unique<QTranslator>();
    QVERIFY(m_catalogue->load(QStringLiteral(":/translations/twconv_en.qm")));
    QCoreApplication::installTranslator(m_catalogue.get());
    Translator::instance()->retranslate();
    QCOMPARE(texts->strSelectSongs(), QStringLiteral("Select songs"));
    QCOMPARE(spy.count(), 1);
}

void TestTexts::otherContextsOfTheCatalogue_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("german");

    QTest::newRow("dialog title") << "SettingsDialog" << "Settings" << "Einstellungen";
    QTest::newRow("bit rate label") << "SettingsDialog" << "Audio bit rate:" << "Audio-Bitrate:";
    QTest::newRow("unit stays") << "SettingsDialog" << " Hertz" << " Hertz";
    QTest::newRow("wrong context stays English") << "Translator" << "Settings" << "Settings";
}

void TestTexts::otherContextsOfTheCatalogue()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, german);
    QVERIFY(installGerman());
    QCOMPARE(QCoreApplication::translate(qPrintable(context), qPrintable(source)), german);
}

// Every text of the German catalogue has its translation.
void TestTexts::germanCatalogueIsComplete()
{
    QFile file(QStringLiteral(TW_TRANSLATIONS_DIR "/twconv_de.ts"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    QStringList untranslated;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const bool gone = type == QLatin1String("obsolete") || type == QLatin1String("vanished");
            // Plural forms come as <numerusform> children.
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!gone && (type == QLatin1String("unfinished") || text.trimmed().isEmpty()))
                untranslated << context + QStringLiteral(": ") + source;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
}

// A message made in one language shows in the language of the moment, its
// arguments too when they are translatable; an argument's own markers stay.
void TestTexts::messagesTranslatedWhenShown()
{
    const TranslatableText reason =
        TranslatableText("OutputFile", "%1 “%2”: %3.")
            .arg(TranslatableText("OutputFile", "Cannot write"), QStringLiteral("/out/100%1.flac"),
                 QStringLiteral("No space left on device"));
    const QString english = QStringLiteral("Cannot write “/out/100%1.flac”: No space left on device.");
    QCOMPARE(reason.toString(), english);
    QCOMPARE(QString(reason), english);
    QCOMPARE(TranslatableText("Conversion", "Unknown output format: %1.").arg(7).toString(),
             QStringLiteral("Unknown output format: 7."));
    QCOMPARE(TranslatableText("Conversion", "%2 after %1").arg(QStringLiteral("a"), QStringLiteral("b")).toString(),
             QStringLiteral("b after a"));
    QVERIFY(TranslatableText().isEmpty());
    QVERIFY(!TranslatableText(QStringLiteral("plain")).isEmpty());

    MarkingTranslator german({"OutputFile"});
    QCoreApplication::installTranslator(&german);
    QCOMPARE(reason.toString(), QStringLiteral("[de] [de] Cannot write “/out/100%1.flac”: No space left on device."));
    QCoreApplication::removeTranslator(&german);
    QCOMPARE(reason.toString(), english);
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

// A state, and a stop, is announced once, whatever the number of updates.
void TestTexts::queueEntryBasics()
{
    QueueEntry entry(QStringLiteral("Music/Song.Live.mp3"), QStringLiteral("/out"), ConversionSettings());
    QCOMPARE(entry.readableName(), QStringLiteral("Song.Live.mp3"));
    QCOMPARE(entry.getStringForState(QueueEntry::State(5)), QString());

    QSignalSpy states(&entry, &QueueEntry::stateChanged);
    QSignalSpy texts(&entry, &QueueEntry::statusTextChanged);
    QVERIFY(entry.update_state(QueueEntry::S_Processing));
    QVERIFY(!entry.update_state(QueueEntry::S_Processing));
    QCOMPARE(states.count(), 1);
    QCOMPARE(texts.count(), 1);

    QSignalSpy stops(&entry, &QueueEntry::deleteWhenFinishedChanged);
    QVERIFY(entry.update_deleteWhenFinished(true));
    QVERIFY(!entry.update_deleteWhenFinished(true));
    QCOMPARE(stops.count(), 1);
}

void TestTexts::rowTexts_data()
{
    QTest::addColumn<int>("outcome");  // a ConversionResult status; -1 waiting, -2 running at 42.5 %
    QTest::addColumn<double>("target");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("tip");  // the tooltip's second line
    QTest::addColumn<double>("measuredA4");  // of a converted file, 0: not measured

    const int flac = AppConstants::F_Flac;
    QTest::newRow("pending") << -1 << 432.0 << flac << "" << "" << "Pending · → 432 Hz · flac"
                             << "Pending · → 432 Hz · flac into /out" << 0.0;
    QTest::newRow("pending, other snapshot") << -1 << 438.48 << int(AppConstants::F_M4a) << "" << ""
                                             << "Pending · → 438.48 Hz · m4a"
                                             << "Pending · → 438.48 Hz · m4a into /out" << 0.0;
    QTest::newRow("processing") << -2 << 432.0 << flac << "" << "" << "Processing · 42 % · → 432 Hz · flac"
                                << "Processing · 42 % · → 432 Hz · flac into /out" << 0.0;
    QTest::newRow("finished") << int(ConversionResult::Converted) << 432.0 << flac << "" << ""
                              << "Finished · → Song_0.flac" << "Finished · → /out/Song_0.flac" << 0.0;
    QTest::newRow("finished with a warning") << int(ConversionResult::Converted) << 432.0 << flac << ""
                                             << "Damaged at 1:23; the gap is silent." << "Finished · → Song_0.flac"
                                             << "Finished · → /out/Song_0.flac" << 0.0;
    QTest::newRow("failed") << int(ConversionResult::Failed) << 432.0 << flac << "“Song.flac” contains no audio."
                            << "" << "Failed · “Song.flac” contains no audio."
                            << "Failed · “Song.flac” contains no audio." << 0.0;
    QTest::newRow("finished, tuning measured") << int(ConversionResult::Converted) << 432.0 << flac << "" << ""
                                               << "Finished · measured A4 = 442.6 Hz · → Song_0.flac"
                                               << "Finished · measured A4 = 442.6 Hz · → /out/Song_0.flac" << 442.63;
    QTest::newRow("skipped") << int(ConversionResult::Skipped) << 432.0 << flac << "" << ""
                             << "Skipped · Song_0.flac exists" << "Skipped · /out/Song_0.flac exists" << 0.0;
    QTest::newRow("stopped unasked") << int(ConversionResult::Stopped) << 432.0 << flac << "" << ""
                                     << "Failed · Stopped." << "Failed · Stopped." << 0.0;
}

// What a row says in each state, from the entry's own settings and the
// engine's result.
void TestTexts::rowTexts()
{
    QFETCH(int, outcome);
    QFETCH(double, target);
    QFETCH(int, format);
    QFETCH(QString, message);
    QFETCH(QString, warning);
    QFETCH(QString, status);
    QFETCH(QString, tip);
    QFETCH(double, measuredA4);

    ConversionSettings settings;
    settings.targetFrequency = target;
    settings.audioFormat = AppConstants::AudioFormat(format);
    QueueEntry entry(QStringLiteral("/in/Song.flac"), QStringLiteral("/out"), settings);
    if (outcome == -2) {
        entry.update_state(QueueEntry::S_Processing);
        entry.update_progress(0.425);
    } else if (outcome >= 0) {
        entry.update_state(QueueEntry::S_Processing);
        ConversionResult result = resultOf(ConversionResult::Status(outcome), QStringLiteral("/out/Song_0.flac"),
                                           QString(message), warning.isEmpty() ? QStringList() : QStringList{warning});
        result.measuredA4 = measuredA4;
        entry.applyResult(result);
    }
    QCOMPARE(entry.statusText(), status);
    QCOMPARE(entry.warningText(), warning);
    QStringList lines{"/in/Song.flac", tip};
    if (!warning.isEmpty())
        lines << warning;
    QCOMPARE(entry.toolTip(), lines.join(QLatin1Char('\n')));

    // Only a failed row goes back to waiting, with the settings it had.
    const bool retried = entry.retry();
    QCOMPARE(retried, outcome == int(ConversionResult::Failed) || outcome == int(ConversionResult::Stopped));
    if (retried) {
        QCOMPARE(entry.statusText(), QStringLiteral("Pending · → 432 Hz · flac"));
        QCOMPARE(entry.outputPath(), QString());
    }
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

// An entry's texts follow a switch of the language at once, the engine's
// reason for a failure included.
void TestTexts::rowTextsFollowTheLanguage()
{
    QueueEntry entry(QStringLiteral("/in/a.mp3"), QStringLiteral("/out"), ConversionSettings());
    entry.applyResult(resultOf(ConversionResult::Failed, QString(),
                               TranslatableText("Conversion", "“%1” contains no audio.").arg(QStringLiteral("a.mp3"))));
    QCOMPARE(entry.statusText(), QStringLiteral("Failed · “a.mp3” contains no audio."));

    QVERIFY(installGerman());
    QCOMPARE(entry.statusText(), QStringLiteral("Fehler · „a.mp3“ enthält keine Audiospur."));
    m_catalogue.reset();
    Translator::instance()->retranslate();
    QCOMPARE(entry.statusText(), QStringLiteral("Failed · “a.mp3” contains no audio."));
}

// Rows of files with the same name show as much of their folders as tells
// them apart; once alone, the name is enough again.
void TestTexts::sameNamesShowTheirFolders()
{
    QueueEntryList list;
    const QStringList paths = {"/music/CD1/01.flac", "/music/CD2/01.flac", "/other/CD1/01.flac", "/music/02.flac"};
    for (const QString &path : paths)
        list.append(new QueueEntry(path, QStringLiteral("/out"), ConversionSettings()));
    QStringList names;
    for (const QueueEntry *entry : list.items())
        names << entry->displayName();
    QCOMPARE(names, (QStringList{"music/CD1/01.flac", "CD2/01.flac", "other/CD1/01.flac", "02.flac"}));

    list.remove(0);
    list.remove(1);
    QCOMPARE(list.at(0)->displayName(), QStringLiteral("01.flac"));
}

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"

// The queue's entries and their list: what a row says, in German too, and
// how the generic list model signals the views.
#include "base/TranslatableText.h"
#include "media/OutputFormat.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"
#include "queue/QueueStore.h"
#include "support/TestFiles.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

class TestQueue : public QObject
{
    Q_OBJECT

private slots:
    void germanCatalogueIsComplete();
    void messagesTranslatedWhenShown();
    void rowTexts_data();
    void rowTexts();
    void listRows();
    void storeKeepsTheQueue();
    void unusableStore_data();
    void unusableStore();
};

// Every text of the code, as lupdate finds it, has its German translation
// in the catalogue, and the scene shows no text that lupdate cannot find:
// each visible string of its QML goes through qsTr().
void TestQueue::germanCatalogueIsComplete()
{
    const QDir sources(QStringLiteral(TW_SOURCE_DIR));
    QStringList literals;
    const QRegularExpression visible(
        QStringLiteral("\\b(text|tip|title|placeholderText|Accessible\\.name|Accessible\\.description)\\s*:\\s*\""));
    QDirIterator qml(sources.filePath(QStringLiteral("qml")), {QStringLiteral("*.qml")}, QDir::Files,
                     QDirIterator::Subdirectories);
    while (qml.hasNext()) {
        QFile source(qml.next());
        QVERIFY(source.open(QIODevice::ReadOnly));
        int number = 0;
        for (const QByteArray &line : source.readAll().split('\n')) {
            ++number;
            if (visible.match(QString::fromUtf8(line)).hasMatch())
                literals << QStringLiteral("%1:%2").arg(qml.fileName()).arg(number);
        }
    }
    QVERIFY2(literals.isEmpty(), qPrintable(literals.join(QLatin1Char(' '))));

    QTemporaryDir scratch;
    const QString catalogue = scratch.filePath(QStringLiteral("twconv_de.ts"));
    QVERIFY(QFile::copy(sources.filePath(QStringLiteral("translations/twconv_de.ts")), catalogue));
    QProcess lupdate;
    lupdate.setWorkingDirectory(sources.path());
    lupdate.start(QStringLiteral(TW_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-I"),
                   QStringLiteral("."), QStringLiteral("app"), QStringLiteral("cli"), QStringLiteral("engine"),
                   QStringLiteral("models"), QStringLiteral("queue"), QStringLiteral("settings"), QStringLiteral("qml"),
                   QStringLiteral("-ts"), catalogue});
    QVERIFY(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0);
    QFile file(catalogue);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString source;
    QStringList untranslated;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            // Plural forms come as <numerusform> children.
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (type == QLatin1String("unfinished") || (type.isEmpty() && text.trimmed().isEmpty()))
                untranslated << source;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
}

// A message made in one language shows in the language of the moment, its
// arguments too when they are translatable; an argument's own markers stay.
void TestQueue::messagesTranslatedWhenShown()
{
    const TranslatableText reason =
        TranslatableText("ConversionPass", "%1: the file changed while it was read.")
            .arg(TranslatableText("ConversionPass", "“%1” ended after %2 of %3 s")
                     .arg(QStringLiteral("100%1.flac"), QStringLiteral("5.0"), QStringLiteral("10.0")));
    const QString english =
        QStringLiteral("“100%1.flac” ended after 5.0 of 10.0 s: the file changed while it was read.");
    QCOMPARE(reason.toString(), english);

    QTranslator german;
    QVERIFY(german.load(QStringLiteral(":/translations/twconv_de.qm")));
    QCoreApplication::installTranslator(&german);
    QCOMPARE(reason.toString(),
             QStringLiteral("„100%1.flac“ endete nach 5.0 von 10.0 s: Die Datei wurde während des Lesens verändert."));
    QCoreApplication::removeTranslator(&german);
    QCOMPARE(reason.toString(), english);
}

void TestQueue::rowTexts_data()
{
    QTest::addColumn<int>("outcome");  // a ConversionResult status; -1 waiting, -2 running at 42.5 %
    QTest::addColumn<QString>("message");  // the engine's reason; with "Converted", a warning
    QTest::addColumn<double>("measuredA4");  // 0: not measured
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("tip");  // the tooltip's second line

    const int converted = ConversionResult::Converted;
    QTest::newRow("pending") << -1 << "" << 0.0 << "Pending · → 438.48 Hz · alac"
                             << "Pending · → 438.48 Hz · alac into /out";
    QTest::newRow("processing") << -2 << "" << 0.0 << "Processing · 42 % · → 438.48 Hz · alac"
                                << "Processing · 42 % · → 438.48 Hz · alac into /out";
    QTest::newRow("finished with a warning") << converted << "Damaged at 1:23; the gap is silent." << 0.0
                                             << "Finished · → 438.48 Hz · alac · Song_0.m4a"
                                             << "Finished · → 438.48 Hz · alac · /out/Song_0.m4a";
    QTest::newRow("finished, tuning measured") << converted << "" << 442.63
                                               << "Finished · measured A4 = 442.6 Hz · → 438.48 Hz · alac · Song_0.m4a"
                                               << "Finished · measured A4 = 442.6 Hz · → 438.48 Hz · alac · "
                                                  "/out/Song_0.m4a";
    QTest::newRow("failed") << int(ConversionResult::Failed) << "“Song.flac” contains no audio." << 0.0
                            << "Failed · → 438.48 Hz · alac · “Song.flac” contains no audio."
                            << "Failed · → 438.48 Hz · alac · “Song.flac” contains no audio.";
    QTest::newRow("skipped") << int(ConversionResult::Skipped) << "" << 0.0
                             << "Skipped · → 438.48 Hz · alac · Song_0.m4a exists"
                             << "Skipped · → 438.48 Hz · alac · /out/Song_0.m4a exists";
    QTest::newRow("stopped unasked") << int(ConversionResult::Stopped) << "" << 0.0
                                     << "Failed · → 438.48 Hz · alac · Stopped."
                                     << "Failed · → 438.48 Hz · alac · Stopped.";
}

// What a row says in each state: always the pitch and format it was queued
// with, then the engine's result; a warning shows on a line of its own.
void TestQueue::rowTexts()
{
    QFETCH(int, outcome);
    QFETCH(QString, message);
    QFETCH(double, measuredA4);
    QFETCH(QString, status);
    QFETCH(QString, tip);

    ConversionSettings settings;
    settings.targetFrequency = 438.48;
    settings.audioFormat = OutputFormat::named(QStringLiteral("alac"))->id;  // in an m4a file
    QueueEntry entry(QStringLiteral("/in/Song.flac"), QStringLiteral("/out"), settings);
    if (outcome != -1)
        entry.update_state(QueueEntry::S_Processing);
    if (outcome == -2)
        entry.update_progress(0.425);
    const QString warning = outcome == ConversionResult::Converted ? message : QString();
    if (outcome >= 0) {
        ConversionResult result;
        result.status = ConversionResult::Status(outcome);
        result.outputPath = QStringLiteral("/out/Song_0.m4a");
        result.message = warning.isEmpty() ? message : QString();
        if (!warning.isEmpty())
            result.warnings << TranslatableText(warning);
        result.measuredA4 = measuredA4;
        entry.applyResult(result);
    }
    QCOMPARE(entry.statusText(), status);
    QCOMPARE(entry.warningText(), warning);
    QCOMPARE(entry.toolTip(), QStringLiteral("/in/Song.flac\n") + tip + (warning.isEmpty() ? "" : "\n" + warning));

    // Only a failed row goes back to waiting, with the settings it had.
    const bool retried = entry.retry();
    QCOMPARE(retried, outcome == int(ConversionResult::Failed) || outcome == int(ConversionResult::Stopped));
    if (retried) {
        QCOMPARE(entry.statusText(), QStringLiteral("Pending · → 438.48 Hz · alac"));
        QCOMPARE(entry.outputPath(), QString());
    }
}

// Rows come and go with one signal each batch; rows of files with the
// same name show as much of their folders as tells them apart, and once
// alone the name again. The list deletes the entries it adopted with their
// rows, leaves another owner's to it, and lets go of an entry removed.
void TestQueue::listRows()
{
    QObject owner;
    QueueEntryList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QSignalSpy counted(&list, &QQmlObjectListModelBase::countChanged);
    QList<QueueEntry *> entries;
    for (const char *path : {"/music/CD1/01.flac", "/music/CD2/01.flac", "/other/CD1/01.flac", "/music/02.flac"})
        entries << new QueueEntry(QLatin1String(path), QStringLiteral("/out"), ConversionSettings());
    QPointer<QueueEntry> owned = new QueueEntry(QStringLiteral("/music/03.flac"), QStringLiteral("/out"), {}, &owner);
    list.append(entries.first());
    list.append(entries.mid(1) << owned);
    QCOMPARE(inserted.size(), 2);
    QStringList names;
    for (const QueueEntry *entry : list.items())
        names << entry->displayName();
    QCOMPARE(names, (QStringList{"music/CD1/01.flac", "CD2/01.flac", "other/CD1/01.flac", "02.flac", "03.flac"}));

    QPointer<QueueEntry> adopted = entries.first();
    list.remove(0);
    list.remove(1);
    QCOMPARE(list.at(0)->displayName(), QStringLiteral("01.flac"));
    list.remove(list.indexOf(owned));
    QVERIFY(!QObject::disconnect(owned, nullptr, &list, nullptr));  // nothing was left to break
    list.clear();
    QCOMPARE(counted.size(), 6);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(adopted.isNull());
    QVERIFY(owned && owned->parent() == &owner);
}

// Rows come back from the database in order, each with the settings it was
// queued with and how it ended; one that was converting waits again,
// unless its output was published before the program ended. A removed row
// does not come back.
void TestQueue::storeKeepsTheQueue()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/queue.sqlite"));
    const auto entry = [&](const char *name, double target) {
        ConversionSettings settings;
        settings.targetFrequency = target;
        settings.audioFormat = OutputFormat::named(QStringLiteral("flac"))->id;
        settings.algorithm = 1;
        settings.keepFormants = true;
        return new QueueEntry(dir.filePath(QLatin1String(name)), dir.path(), settings);
    };
    std::vector<std::unique_ptr<QueueEntry>> rows;
    for (const auto &[name, target] : {std::pair{"done.wav", 415.0}, {"broken.wav", 442.5}, {"published.wav", 444.0},
                                      {"stopped.wav", 432.0}, {"waiting.wav", 440.0}, {"removed.wav", 432.0}})
        rows.emplace_back(entry(name, target));
    {
        QueueStore store;
        QVERIFY(store.open(path));
        QCOMPARE(store.problem().toString(), QString());
        QList<QueueEntry *> all;
        for (const auto &row : rows)
            all << row.get();
        store.insert(all);
        ConversionResult result;
        result.status = ConversionResult::Converted;
        result.outputPath = dir.filePath(QStringLiteral("done.flac"));
        result.measuredA4 = 442.6;
        result.warnings << TranslatableText(QStringLiteral("Damaged at 1:23."));
        rows[0]->applyResult(result);
        result = ConversionResult();
        result.message = QStringLiteral("No audio.");
        rows[1]->applyResult(result);
        rows[2]->update_state(QueueEntry::S_Processing);
        rows[3]->update_state(QueueEntry::S_Processing);
        for (const auto &row : rows)
            store.update(row.get());
        store.remove(rows[5].get());
    }
    TestFiles::write(dir.filePath(QStringLiteral("published.flac")));

    for (int opening = 0; opening < 2; ++opening) {  // the second time as the first left it
        QueueStore store;
        QVERIFY(store.open(path));
        const QList<QueueEntry *> loaded = store.load();
        QStringList shown;
        for (const QueueEntry *row : loaded) {
            shown << QFileInfo(row->filePath()).fileName() + QLatin1Char(' ') + row->statusText();
            QCOMPARE(row->targetDirectory(), dir.path());
        }
        QCOMPARE(shown, (QStringList{"done.wav Finished · measured A4 = 442.6 Hz · → 415 Hz · flac · done.flac",
                                     "broken.wav Failed · → 442.5 Hz · flac · No audio.",
                                     "published.wav Finished · → 444 Hz · flac · published.flac",
                                     "stopped.wav Pending · → 432 Hz · flac", "waiting.wav Pending · → 440 Hz · flac"}));
        QCOMPARE(loaded.first()->warningText(), QStringLiteral("Damaged at 1:23."));
        QVERIFY(loaded.first()->settings().keepFormants);
        qDeleteAll(loaded);
    }
}

void TestQueue::unusableStore_data()
{
    QTest::addColumn<QByteArray>("content");  // of the file; "locked": a database another connection holds
    QTest::addColumn<bool>("kept");  // whether the queue is kept all the same
    QTest::addColumn<QString>("problem");  // the start of what the user is told

    QTest::newRow("not a database") << QByteArray(8192, 'x') << true << "The saved queue could not be read; it was moved";
    QTest::newRow("another program's") << QByteArray("locked") << false << "The saved queue is in use by another program";
}

// A file that cannot be read is moved aside, never deleted, and a new queue
// begins; one another program holds is left alone, and the queue is not kept.
void TestQueue::unusableStore()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, kept);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("queue.sqlite"));
    QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
    QSqlQuery lock(locker);
    if (content == "locked") {
        locker.setDatabaseName(path);
        QVERIFY(locker.open());
        for (const char *sql : {"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE", "CREATE TABLE mine (x)"})
            QVERIFY(lock.exec(QLatin1String(sql)));
    } else {
        TestFiles::write(path, content);
    }

    QueueStore store;
    QCOMPARE(store.open(path), kept);
    QVERIFY2(store.problem().toString().startsWith(problem), qPrintable(store.problem().toString()));
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("queue.sqlite.damaged-*")});
    QCOMPARE(aside.size(), kept ? 1 : 0);
    if (kept) {
        QCOMPARE(TestFiles::below(dir.path()).filter(QStringLiteral("damaged")).size(), 1);
        QFile moved(dir.filePath(aside.first()));
        QVERIFY(moved.open(QIODevice::ReadOnly));
        QCOMPARE(moved.readAll(), content);
        auto entry = std::make_unique<QueueEntry>(dir.filePath(QStringLiteral("a.wav")), dir.path(), ConversionSettings());
        store.insert({entry.get()});
        QueueStore again;
        QVERIFY(again.open(path));
        const QList<QueueEntry *> loaded = again.load();
        QCOMPARE(loaded.size(), 1);
        qDeleteAll(loaded);
    }
    lock = QSqlQuery();
    locker.close();
    locker = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
}

QTEST_GUILESS_MAIN(TestQueue)
#include "tst_queue.moc"

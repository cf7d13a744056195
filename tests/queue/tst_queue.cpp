// The queue's entries and their list: what a row says, in German too, and
// how the generic list model signals the views.
#include "base/TranslatableText.h"
#include "media/OutputFormat.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QPointer>
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
    QTest::newRow("pending") << -1 << "" << 0.0 << "Pending · → 438.48 Hz · m4a"
                             << "Pending · → 438.48 Hz · m4a into /out";
    QTest::newRow("processing") << -2 << "" << 0.0 << "Processing · 42 % · → 438.48 Hz · m4a"
                                << "Processing · 42 % · → 438.48 Hz · m4a into /out";
    QTest::newRow("finished with a warning") << converted << "Damaged at 1:23; the gap is silent." << 0.0
                                             << "Finished · → Song_0.m4a" << "Finished · → /out/Song_0.m4a";
    QTest::newRow("finished, tuning measured") << converted << "" << 442.63
                                               << "Finished · measured A4 = 442.6 Hz · → Song_0.m4a"
                                               << "Finished · measured A4 = 442.6 Hz · → /out/Song_0.m4a";
    QTest::newRow("failed") << int(ConversionResult::Failed) << "“Song.flac” contains no audio." << 0.0
                            << "Failed · “Song.flac” contains no audio." << "Failed · “Song.flac” contains no audio.";
    QTest::newRow("skipped") << int(ConversionResult::Skipped) << "" << 0.0 << "Skipped · Song_0.m4a exists"
                             << "Skipped · /out/Song_0.m4a exists";
    QTest::newRow("stopped unasked") << int(ConversionResult::Stopped) << "" << 0.0 << "Failed · Stopped."
                                     << "Failed · Stopped.";
}

// What a row says in each state, from the settings it was queued with and
// the engine's result; a warning shows on a line of its own.
void TestQueue::rowTexts()
{
    QFETCH(int, outcome);
    QFETCH(QString, message);
    QFETCH(double, measuredA4);
    QFETCH(QString, status);
    QFETCH(QString, tip);

    ConversionSettings settings;
    settings.targetFrequency = 438.48;
    settings.audioFormat = OutputFormat::named(QStringLiteral("m4a"))->id;
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
        QCOMPARE(entry.statusText(), QStringLiteral("Pending · → 438.48 Hz · m4a"));
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

QTEST_GUILESS_MAIN(TestQueue)
#include "tst_queue.moc"

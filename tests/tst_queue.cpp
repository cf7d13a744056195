// The queue's entries and their list: what a row says, in German too, and
// how the generic list model signals the views.
#include "engine/TranslatableText.h"
#include "models/KeyValueItem.h"
#include "models/QQmlObjectListModel.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

// Tells how many connections leave its label signal.
class ProbeItem : public KeyValueItem
{
    Q_OBJECT

public:
    using KeyValueItem::KeyValueItem;
    int labelReceivers() const { return receivers(SIGNAL(labelChanged(QString))); }
};

using LabelModel = QQmlObjectListModel<KeyValueItem>;

namespace {

KeyValueItem *item(const QString &label, QObject *parent = nullptr)
{
    return new KeyValueItem(label, label.size(), parent);
}

// Records the model's row signals in the order they came.
struct SignalLog : QObject
{
    explicit SignalLog(QQmlObjectListModelBase *model)
    {
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int a, int b) {
            events << QStringLiteral("inserted %1-%2").arg(a).arg(b);
        });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int a, int b) {
            events << QStringLiteral("removed %1-%2").arg(a).arg(b);
        });
        connect(model, &QQmlObjectListModelBase::countChanged, this, [this] { events << QStringLiteral("count"); });
    }
    QStringList events;
};

} // namespace

class TestQueue : public QObject
{
    Q_OBJECT

private slots:
    void germanCatalogueIsComplete();
    void messagesTranslatedWhenShown();
    void rowTexts_data();
    void rowTexts();
    void stateChangeFromWorkerThread();
    void sameNamesShowTheirFolders();
    void rowsAndOwnership();
};

// Every text of the German catalogue has its translation.
void TestQueue::germanCatalogueIsComplete()
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
void TestQueue::messagesTranslatedWhenShown()
{
    const TranslatableText reason =
        TranslatableText("Conversion", "%1: the file changed while it was read.")
            .arg(TranslatableText("Conversion", "“%1” ended after %2 of %3 s")
                     .arg(QStringLiteral("100%1.flac"), QStringLiteral("5.0"), QStringLiteral("10.0")));
    const QString english = QStringLiteral("“100%1.flac” ended after 5.0 of 10.0 s: the file changed while it was read.");
    QCOMPARE(reason.toString(), english);
    QCOMPARE(TranslatableText("Conversion", "Unknown output format: %1.").arg(7).toString(),
             QStringLiteral("Unknown output format: 7."));

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
void TestQueue::rowTexts()
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
        ConversionResult result;
        result.status = ConversionResult::Status(outcome);
        result.outputPath = QStringLiteral("/out/Song_0.flac");
        result.message = message;
        result.warnings = warning.isEmpty() ? QStringList() : QStringList{warning};
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
void TestQueue::stateChangeFromWorkerThread()
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
    QVERIFY(roles.contains(list.roleForName("state")) && roles.contains(list.roleForName("stateString")));

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

// Rows of files with the same name show as much of their folders as tells
// them apart; once alone, the name is enough again.
void TestQueue::sameNamesShowTheirFolders()
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

// Rows come and go with one signal each batch; an item the model adopted is
// deleted with its row, another owner's item is left to it, and a removed
// item is disconnected: its later changes reach nothing.
void TestQueue::rowsAndOwnership()
{
    QObject owner;
    LabelModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    SignalLog signalLog(&model);
    QStringList &log = signalLog.events;

    QPointer<KeyValueItem> adopted = item(QStringLiteral("a"));
    QPointer<ProbeItem> owned = new ProbeItem(QStringLiteral("b"), 0, &owner);
    model.append(adopted.data());
    model.append(QList<KeyValueItem *>{owned.data(), item(QStringLiteral("c")), item(QStringLiteral("d"))});
    QTest::ignoreMessage(QtWarningMsg, "QQmlObjectListModel::insert: index 9 is outside 0..4");
    model.insert(9, item(QStringLiteral("late"), &model));
    QCOMPARE(log, (QStringList{"inserted 0-0", "count", "inserted 1-3", "count"}));
    QCOMPARE(model.count(), 4);
    QCOMPARE(model.data(model.index(1), model.roleForName("label")).toString(), QStringLiteral("b"));
    QCOMPARE(adopted->parent(), &model);
    QCOMPARE(owned->parent(), &owner);

    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    owned->update_label(QStringLiteral("seen"));
    QCOMPARE(changes.count(), 1);
    log.clear();
    model.remove(model.indexOf(owned.data()));
    model.remove(0);
    QCOMPARE(log, (QStringList{"removed 1-1", "count", "removed 0-0", "count"}));
    changes.clear();
    owned->update_label(QStringLiteral("unseen"));
    QCOMPARE(changes.count(), 0);
    QCOMPARE(owned->labelReceivers(), 0);

    log.clear();
    QPointer<KeyValueItem> last = model.at(1);
    model.clear();
    QCOMPARE(log, (QStringList{"removed 0-1", "count"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(adopted.isNull() && last.isNull());
    QVERIFY(!owned.isNull());
    QCOMPARE(owned->parent(), &owner);
}


QTEST_GUILESS_MAIN(TestQueue)
#include "tst_queue.moc"

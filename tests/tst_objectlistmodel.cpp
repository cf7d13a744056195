// The generic QML list model, through the signals views depend on.
#include "models/KeyValueItem.h"
#include "models/KeyValueItemList.h"
#include "models/QQmlObjectListModel.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QtTest>

// An item class with a reserved property name in the middle.
class ReservedNameItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString first READ first CONSTANT)
    Q_PROPERTY(QString model READ first CONSTANT)
    Q_PROPERTY(QString last READ first CONSTANT)

public:
    QString first() const { return QStringLiteral("x"); }
};

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

QStringList labels(const LabelModel &model)
{
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result << model.data(model.index(row), model.roleForName("label")).toString();
    return result;
}

// Records the model's signals in the order they came.
struct SignalLog
{
    explicit SignalLog(QAbstractItemModel *model)
    {
        QObject::connect(model, &QAbstractItemModel::rowsInserted, [this](const QModelIndex &, int a, int b) {
            events << QStringLiteral("inserted %1-%2").arg(a).arg(b);
        });
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, [this](const QModelIndex &, int a, int b) {
            events << QStringLiteral("removed %1-%2").arg(a).arg(b);
        });
        QObject::connect(model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex &, int a, int b, const QModelIndex &, int to) {
                             events << QStringLiteral("moved %1-%2 to %3").arg(a).arg(b).arg(to);
                         });
        QObject::connect(static_cast<QQmlObjectListModelBase *>(model), &QQmlObjectListModelBase::countChanged,
                         [this] { events << QStringLiteral("count"); });
    }
    QStringList events;
};

} // namespace

class TestObjectListModel : public QObject
{
    Q_OBJECT

private slots:
    void insertionSignals();
    void rejectedItems();
    void removalAndOwnership();
    void clearSignals();
    void moveBothWays_data();
    void moveBothWays();
    void rolesOfQueueEntryList();
    void reservedPropertyName();
    void dataAndSetData();
    void displayRoleChange();
    void uidIndex();
    void emptyModelAccessors();
    void toVarArrayTypes();
};

void TestObjectListModel::insertionSignals()
{
    LabelModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    SignalLog log(&model);

    model.append(item(QStringLiteral("b")));
    model.prepend(item(QStringLiteral("a")));
    model.insert(2, item(QStringLiteral("d")));
    model.insert(2, item(QStringLiteral("c")));
    QCOMPARE(labels(model), (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(log.events, (QStringList{"inserted 0-0", "count", "inserted 0-0", "count", "inserted 2-2", "count",
                                      "inserted 2-2", "count"}));

    log.events.clear();
    model.append(QList<KeyValueItem *>{item(QStringLiteral("e")), item(QStringLiteral("f")), item(QStringLiteral("g"))});
    QCOMPARE(log.events, (QStringList{"inserted 4-6", "count"}));
    QCOMPARE(model.count(), 7);
    QCOMPARE(model.size(), 7);
    QCOMPARE(model.property("count").toInt(), 7);

    log.events.clear();
    model.append(QList<KeyValueItem *>());
    QTest::ignoreMessage(QtWarningMsg, "QQmlObjectListModel::insert: index 8 is outside 0..7");
    model.insert(8, item(QStringLiteral("late"), &model));
    QTest::ignoreMessage(QtWarningMsg, "QQmlObjectListModel::insert: index -1 is outside 0..7");
    model.insert(-1, item(QStringLiteral("early"), &model));
    QCOMPARE(log.events, QStringList());
    QCOMPARE(model.count(), 7);
}

void TestObjectListModel::rejectedItems()
{
    LabelModel model;
    SignalLog log(&model);
    QObject stranger;
    model.append(static_cast<QObject *>(nullptr));
    model.append(&stranger);
    model.prepend(&stranger);
    model.remove(&stranger);
    model.remove(-1);
    model.remove(0);
    QCOMPARE(log.events, QStringList());
    QVERIFY(model.isEmpty());
    QVERIFY(!model.contains(&stranger));
    QCOMPARE(model.indexOf(&stranger), -1);

    model.append(item(QStringLiteral("a")));
    log.events.clear();
    model.remove(1);
    model.move(0, 0);
    KeyValueItem outsider(QStringLiteral("o"), 1);
    model.remove(&outsider);
    QCOMPARE(log.events, QStringList());
}

void TestObjectListModel::removalAndOwnership()
{
    QObject owner;
    LabelModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QPointer<KeyValueItem> adopted = item(QStringLiteral("adopted"));
    QPointer<ProbeItem> owned = new ProbeItem(QStringLiteral("owned"), 0, &owner);
    model.append(adopted.data());
    model.append(owned.data());
    QCOMPARE(adopted->parent(), &model);
    QCOMPARE(owned->parent(), &owner);

    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    owned->update_label(QStringLiteral("seen"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(owned->labelReceivers(), 1);

    SignalLog log(&model);
    model.remove(owned.data());
    model.remove(0);
    QCOMPARE(log.events, (QStringList{"removed 1-1", "count", "removed 0-0", "count"}));

    // The removed items are disconnected both ways: their changes reach
    // nothing, and the model's destruction does not touch them.
    changes.clear();
    owned->update_label(QStringLiteral("unseen"));
    QCOMPARE(changes.count(), 0);
    QCOMPARE(owned->labelReceivers(), 0);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(adopted.isNull());  // the model's own item is deleted
    QVERIFY(!owned.isNull());   // the other is left to its owner
    QCOMPARE(owned->parent(), &owner);
}

void TestObjectListModel::clearSignals()
{
    LabelModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    SignalLog log(&model);
    model.clear();
    QCOMPARE(log.events, QStringList());

    QPointer<KeyValueItem> first = item(QStringLiteral("a"));
    model.append(QList<KeyValueItem *>{first.data(), item(QStringLiteral("b")), item(QStringLiteral("c"))});
    log.events.clear();
    model.clear();
    QCOMPARE(log.events, (QStringList{"removed 0-2", "count"}));
    QCOMPARE(model.count(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
}

void TestObjectListModel::moveBothWays_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("event");

    QTest::newRow("down to up") << 3 << 1 << QStringList{"a", "d", "b", "c", "e"} << "moved 3-3 to 1";
    QTest::newRow("up to down") << 1 << 3 << QStringList{"a", "c", "d", "b", "e"} << "moved 1-1 to 4";
    QTest::newRow("first to last") << 0 << 4 << QStringList{"b", "c", "d", "e", "a"} << "moved 0-0 to 5";
    QTest::newRow("last to first") << 4 << 0 << QStringList{"e", "a", "b", "c", "d"} << "moved 4-4 to 0";
    QTest::newRow("neighbours") << 1 << 2 << QStringList{"a", "c", "b", "d", "e"} << "moved 1-1 to 3";
}

void TestObjectListModel::moveBothWays()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, expected);
    QFETCH(QString, event);

    LabelModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const char *label : {"a", "b", "c", "d", "e"})
        model.append(item(QString::fromLatin1(label)));
    SignalLog log(&model);
    model.move(from, to);
    QCOMPARE(labels(model), expected);
    QCOMPARE(log.events, QStringList{event});
}

void TestObjectListModel::rolesOfQueueEntryList()
{
    QueueEntryList list;
    const QHash<int, QByteArray> expected = {
        {256, "qtObject"}, {257, "objectName"}, {258, "readableName"}, {259, "state"}, {260, "filePath"},
        {261, "targetDirectory"}, {262, "deleteWhenFinished"}, {263, "progress"}, {264, "stateString"},
        {265, "displayName"}, {266, "statusText"}, {267, "warningText"}, {268, "toolTip"}, {269, "outputPath"}};
    QCOMPARE(list.roleNames(), expected);
    QCOMPARE(list.roleForName("qtObject"), 256);
    QCOMPARE(list.roleForName("stateString"), 264);
    QCOMPARE(list.roleForName("display"), -1);
    QCOMPARE(list.roleForName("nothing"), -1);

    QPointer<QueueEntry> entry = new QueueEntry(QStringLiteral("Music/Song.Live.mp3"), QStringLiteral("/out"), ConversionSettings());
    list.append(entry.data());
    const QModelIndex row = list.index(0);
    QCOMPARE(list.data(row, Qt::DisplayRole).toString(), QStringLiteral("Song.Live.mp3"));
    QCOMPARE(list.data(row, 264).toString(), entry->stateString());
    QCOMPARE(list.data(row, 256).value<QObject *>(), entry.data());
    QCOMPARE(list.data(row, 260).toString(), QStringLiteral("Music/Song.Live.mp3"));
    QVERIFY(!list.data(list.index(1), Qt::DisplayRole).isValid());
}

void TestObjectListModel::reservedPropertyName()
{
    const char *warning = "Can't have \"model\" as a role name in QQmlObjectListModel<ReservedNameItem>";
    QTest::ignoreMessage(QtWarningMsg, warning);
    QQmlObjectListModel<ReservedNameItem> model;
    const QHash<int, QByteArray> expected = {{256, "qtObject"}, {257, "objectName"}, {258, "first"}, {260, "last"}};
    QCOMPARE(model.roleNames(), expected);

    // One warning per model.
    QTest::ignoreMessage(QtWarningMsg, warning);
    QQmlObjectListModel<ReservedNameItem> second;
    QCOMPARE(second.roleForName("model"), -1);
}

void TestObjectListModel::dataAndSetData()
{
    LabelModel model;
    KeyValueItem *a = item(QStringLiteral("a"));
    model.append(a);
    const int checkedRole = model.roleForName("checked");
    QVERIFY(checkedRole > 256);

    QVERIFY(!model.data(model.index(5), checkedRole).isValid());
    QVERIFY(!model.data(model.index(0), Qt::DisplayRole).isValid());  // no display role name
    QVERIFY(!model.data(model.index(0), 9999).isValid());

    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(0), true, checkedRole));
    QCOMPARE(a->checked(), true);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(2).value<QVector<int>>(), QVector<int>{checkedRole});
    QVERIFY(!model.setData(model.index(0), QVariant::fromValue<QObject *>(a), 256));
    QVERIFY(!model.setData(model.index(3), true, checkedRole));
    QVERIFY(!model.setData(model.index(0), true, 9999));
}

void TestObjectListModel::displayRoleChange()
{
    LabelModel model(nullptr, "label");
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    KeyValueItem *a = item(QStringLiteral("a"));
    KeyValueItem *b = item(QStringLiteral("b"));
    model.append(QList<KeyValueItem *>{a, b});
    QCOMPARE(model.roleNames().value(0), QByteArray("display"));
    QCOMPARE(model.data(model.index(1), Qt::DisplayRole).toString(), QStringLiteral("b"));

    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    b->update_label(QStringLiteral("bee"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toModelIndex(), model.index(1));
    QCOMPARE(changes.at(0).at(1).toModelIndex(), model.index(1));
    QCOMPARE(changes.at(0).at(2).value<QVector<int>>(), (QVector<int>{model.roleForName("label"), 0}));

    b->set_checked(true);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.at(1).at(2).value<QVector<int>>(), QVector<int>{model.roleForName("checked")});
}

void TestObjectListModel::uidIndex()
{
    LabelModel model(nullptr, QByteArray(), "label");
    KeyValueItem *a = item(QStringLiteral("alpha"));
    model.append(a);
    model.append(item(QString()));
    QCOMPARE(model.get(QStringLiteral("alpha")), a);
    QCOMPARE(model.get(QString()), nullptr);

    a->update_label(QStringLiteral("beta"));
    QCOMPARE(model.get(QStringLiteral("alpha")), nullptr);
    QCOMPARE(model.get(QStringLiteral("beta")), a);
    model.remove(a);
    QCOMPARE(model.get(QStringLiteral("beta")), nullptr);

    LabelModel withoutKeys;
    withoutKeys.append(item(QStringLiteral("alpha")));
    QCOMPARE(withoutKeys.get(QStringLiteral("alpha")), nullptr);
}

void TestObjectListModel::emptyModelAccessors()
{
    LabelModel model;
    QCOMPARE(model.getFirst(), nullptr);
    QCOMPARE(model.getLast(), nullptr);
    QCOMPARE(model.get(0), nullptr);
    QCOMPARE(model.get(-1), nullptr);
    QVERIFY(model.toVarArray().isEmpty());

    KeyValueItem *a = item(QStringLiteral("a"));
    KeyValueItem *b = item(QStringLiteral("b"));
    model.append(QList<KeyValueItem *>{a, b});
    QCOMPARE(model.getFirst(), a);
    QCOMPARE(model.getLast(), b);
    QCOMPARE(model.get(1), b);
    QCOMPARE(model.get(2), nullptr);
}

void TestObjectListModel::toVarArrayTypes()
{
    KeyValueItemList list;
    KeyValueItem *a = item(QStringLiteral("a"));
    list.append(a);
    const QVariantList values = list.toVarArray();
    QCOMPARE(values.size(), 1);
    QCOMPARE(values.at(0).userType(), qMetaTypeId<KeyValueItem *>());
    QCOMPARE(values.at(0).value<KeyValueItem *>(), a);
}

QTEST_GUILESS_MAIN(TestObjectListModel)
#include "tst_objectlistmodel.moc"

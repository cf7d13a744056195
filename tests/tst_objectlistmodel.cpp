// The generic QML list model, through the signals views depend on.
#include "models/KeyValueItem.h"
#include "models/QQmlObjectListModel.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QtTest>

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

class TestObjectListModel : public QObject
{
    Q_OBJECT

private slots:
    void rowsAndOwnership();
};

// Rows come and go with one signal each batch; an item the model adopted is
// deleted with its row, another owner's item is left to it, and a removed
// item is disconnected: its later changes reach nothing.
void TestObjectListModel::rowsAndOwnership()
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


QTEST_GUILESS_MAIN(TestObjectListModel)
#include "tst_objectlistmodel.moc"

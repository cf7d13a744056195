#pragma once

#include "models/QQmlObjectListModelBase.h"

#include <QDebug>
#include <QHash>
#include <QList>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>
#include <QSet>
#include <QVariant>

// A list model of QObject items for QML: one role per item property (named
// after it), one row update per property change, and ownership of the items
// that had no owner when they were inserted.
//
// Roles: 0 "display" (only with a display role name), 256 "qtObject" (the
// item itself), 257 + p for the item class's property p, inherited ones
// included; reserved names ("id", "index", "class", "model", "modelData")
// take no role, and their numbers stay unused.
template <class ItemType>
class QQmlObjectListModel : public QQmlObjectListModelBase
{
public:
    explicit QQmlObjectListModel(QObject *parent = nullptr,
                                 const QByteArray &displayRole = QByteArray(),
                                 const QByteArray &uidRole = QByteArray())
        : QQmlObjectListModelBase(parent)
        , m_uidRoleName(uidRole)
        , m_displayRoleName(displayRole)
        , m_metaObject(ItemType::staticMetaObject)
    {
        static const QSet<QByteArray> reserved = {"id", "index", "class", "model", "modelData"};
        const QMetaObject &base = QQmlObjectListModelBase::staticMetaObject;
        m_changeHandler = base.method(base.indexOfMethod("onItemPropertyChanged()"));
        if (!m_displayRoleName.isEmpty())
            m_roles.insert(Qt::DisplayRole, QByteArrayLiteral("display"));
        m_roles.insert(ObjectRole, QByteArrayLiteral("qtObject"));
        for (int p = 0; p < m_metaObject.propertyCount(); ++p) {
            const int role = ObjectRole + 1 + p;
            const QMetaProperty property = m_metaObject.property(p);
            const QByteArray name(property.name());
            if (reserved.contains(name)) {
                qCWarning(lcModels) << "Can't have" << name << "as a role name in" << qPrintable(className());
                continue;
            }
            m_roles.insert(role, name);
            if (property.isEnumType())
                m_enumRoles.insert(role);
            if (property.hasNotifySignal())
                m_notifySignalRoles.insert(property.notifySignalIndex(), role);
        }
    }

    // QAbstractItemModel

    // Rows have no children: a list that reported its rows under every row
    // would send tree-walking views into endless recursion.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_items.count();
    }

    QHash<int, QByteArray> roleNames() const override { return m_roles; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        ItemType *item = itemAt(index.row());
        const QByteArray name = roleNameFor(role);
        if (!item || name.isEmpty())
            return QVariant();
        if (role == ObjectRole)
            return QVariant::fromValue(static_cast<QObject *>(item));
        const QVariant value = item->property(name.constData());
        // QML compares an enum role with the enum's keys only as a number;
        // the enum's own variant type reaches it as an opaque object.
        if (m_enumRoles.contains(role))
            return value.toInt();
        return value;
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        ItemType *item = itemAt(index.row());
        const QByteArray name = roleNameFor(role);
        if (!item || role == ObjectRole || name.isEmpty())
            return false;
        return item->setProperty(name.constData(), value);
    }

    // Slots of the base

    int size() const override { return m_cachedCount; }
    int count() const override { return m_cachedCount; }
    bool isEmpty() const override { return m_items.isEmpty(); }
    bool contains(QObject *item) const override { return m_items.contains(cast(item)); }

    int indexOf(QObject *item) const override
    {
        ItemType *typed = cast(item);
        return typed ? m_items.indexOf(typed) : -1;
    }

    int roleForName(const QByteArray &name) const override
    {
        for (auto it = m_roles.cbegin(); it != m_roles.cend(); ++it) {
            if (it.value() == name)
                return it.key();
        }
        return -1;
    }

    void clear() override
    {
        if (m_items.isEmpty())
            return;
        beginRemoveRows(QModelIndex(), 0, m_items.count() - 1);
        for (ItemType *item : qAsConst(m_items))
            release(item);
        m_items.clear();
        endRemoveRows();
        updateCount();
    }

    void append(QObject *item) override { insertAt(m_items.count(), cast(item)); }
    void prepend(QObject *item) override { insertAt(0, cast(item)); }

    void insert(int idx, QObject *item) override
    {
        if (idx < 0 || idx > m_items.count()) {
            qCWarning(lcModels, "QQmlObjectListModel::insert: index %d is outside 0..%d", idx, m_items.count());
            return;
        }
        insertAt(idx, cast(item));
    }

    // The item at idx ends at pos, in either direction.
    void move(int idx, int pos) override
    {
        const int last = m_items.count() - 1;
        if (idx == pos || idx < 0 || idx > last || pos < 0 || pos > last)
            return;
        // Qt names the destination as the row the item goes in front of,
        // counted before the move.
        beginMoveRows(QModelIndex(), idx, idx, QModelIndex(), idx < pos ? pos + 1 : pos);
        m_items.move(idx, pos);
        endMoveRows();
    }

    void remove(QObject *item) override
    {
        ItemType *typed = cast(item);
        if (typed)
            remove(m_items.indexOf(typed));
    }

    void remove(int idx) override
    {
        if (idx < 0 || idx >= m_items.count())
            return;
        beginRemoveRows(QModelIndex(), idx, idx);
        ItemType *item = m_items.takeAt(idx);
        if (item)
            release(item);
        endRemoveRows();
        updateCount();
    }

    QObject *get(int idx) const override { return itemAt(idx); }
    QObject *get(const QString &uid) const override { return m_uidIndex.value(uid, nullptr); }
    QObject *getFirst() const override { return m_items.isEmpty() ? nullptr : m_items.first(); }
    QObject *getLast() const override { return m_items.isEmpty() ? nullptr : m_items.last(); }

    QVariantList toVarArray() const override
    {
        QVariantList list;
        list.reserve(m_items.count());
        for (ItemType *item : m_items)
            list.append(QVariant::fromValue(item));
        return list;
    }

    // Typed forms for C++ callers

    ItemType *at(int idx) const { return itemAt(idx); }
    const QList<ItemType *> &items() const { return m_items; }

    void append(ItemType *item) { insertAt(m_items.count(), item); }

    // One insertion and one count change for the whole batch.
    void append(const QList<ItemType *> &items)
    {
        if (items.isEmpty())
            return;
        const int first = m_items.count();
        beginInsertRows(QModelIndex(), first, first + items.count() - 1);
        m_items.append(items);
        for (ItemType *item : items) {
            if (item)
                adopt(item);
        }
        endInsertRows();
        updateCount();
    }

protected:
    static constexpr int ObjectRole = Qt::UserRole;

    void onItemPropertyChanged() override
    {
        ItemType *item = cast(sender());
        const int row = item ? m_items.indexOf(item) : -1;
        const int role = m_notifySignalRoles.value(senderSignalIndex(), -1);
        if (row >= 0 && role >= 0) {
            QVector<int> roles{role};
            if (m_roles.value(role) == m_displayRoleName)
                roles.append(Qt::DisplayRole);
            const QModelIndex cell = index(row, 0);
            Q_EMIT dataChanged(cell, cell, roles);
        }
        if (item && !m_uidRoleName.isEmpty() && m_roles.value(role) == m_uidRoleName)
            indexUid(item);
    }

private:
    static QString className()
    {
        static const QString name = QStringLiteral("QQmlObjectListModel<%1>")
                                        .arg(QString::fromLatin1(ItemType::staticMetaObject.className()));
        return name;
    }

    ItemType *cast(QObject *object) const { return qobject_cast<ItemType *>(object); }

    ItemType *itemAt(int row) const
    {
        return row >= 0 && row < m_items.count() ? m_items.at(row) : nullptr;
    }

    QByteArray roleNameFor(int role) const
    {
        return role == Qt::DisplayRole ? m_displayRoleName : m_roles.value(role);
    }

    void insertAt(int row, ItemType *item)
    {
        if (!item)
            return;
        beginInsertRows(QModelIndex(), row, row);
        m_items.insert(row, item);
        adopt(item);
        endInsertRows();
        updateCount();
    }

    void adopt(ItemType *item)
    {
        if (!item->parent())
            item->setParent(this);
        const QMetaObject *itemMeta = item->metaObject();
        for (auto it = m_notifySignalRoles.cbegin(); it != m_notifySignalRoles.cend(); ++it) {
            QObject::connect(item, itemMeta->method(it.key()), this, m_changeHandler,
                             Qt::ConnectionType(Qt::AutoConnection | Qt::UniqueConnection));
        }
        if (!m_uidRoleName.isEmpty())
            indexUid(item);
    }

    void release(ItemType *item)
    {
        QObject::disconnect(this, nullptr, item, nullptr);
        QObject::disconnect(item, nullptr, this, nullptr);
        if (!m_uidRoleName.isEmpty())
            unindexUid(item);
        if (item->parent() == this)
            item->deleteLater();
    }

    void indexUid(ItemType *item)
    {
        unindexUid(item);
        const QString key = item->property(m_uidRoleName.constData()).toString();
        if (!key.isEmpty())
            m_uidIndex.insert(key, item);
    }

    void unindexUid(ItemType *item)
    {
        const QString key = m_uidIndex.key(item);
        if (!key.isNull())
            m_uidIndex.remove(key);
    }

    // Runs after the end of every insertion or removal, so that views see
    // the rows change before the count does.
    void updateCount()
    {
        if (m_cachedCount != m_items.count()) {
            m_cachedCount = m_items.count();
            Q_EMIT countChanged();
        }
    }

    int m_cachedCount = 0;
    QByteArray m_uidRoleName;
    QByteArray m_displayRoleName;
    QMetaObject m_metaObject;
    QMetaMethod m_changeHandler;
    QHash<int, QByteArray> m_roles;
    QHash<int, int> m_notifySignalRoles;
    QSet<int> m_enumRoles;
    QList<ItemType *> m_items;
    QHash<QString, ItemType *> m_uidIndex;
};

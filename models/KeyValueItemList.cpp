#include "models/KeyValueItemList.h"

KeyValueItemList::KeyValueItemList(QObject *parent)
    : QQmlObjectListModel<KeyValueItem>(parent, QByteArray(), QByteArray())
{
}

QVariant KeyValueItemList::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole) {
        if (const KeyValueItem *item = at(index.row()))
            return item->label();
    }
    return QQmlObjectListModel<KeyValueItem>::data(index, role);
}

int KeyValueItemList::getIndexOfValue(const QVariant &value) const
{
    for (int row = 0; row < items().count(); ++row) {
        const KeyValueItem *item = items().at(row);
        if (item && item->value() == value)
            return row;
    }
    return -1;
}

KeyValueItem *KeyValueItemList::getItemForValue(const QVariant &value) const
{
    return at(getIndexOfValue(value));
}

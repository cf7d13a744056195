#include "queue/QueueEntryList.h"

QueueEntryList::QueueEntryList(QObject *parent)
    : QQmlObjectListModel<QueueEntry>(parent, QByteArray(), QByteArray())
{
}

QVariant QueueEntryList::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole) {
        if (const QueueEntry *entry = at(index.row()))
            return entry->readableName();
    }
    return QQmlObjectListModel<QueueEntry>::data(index, role);
}

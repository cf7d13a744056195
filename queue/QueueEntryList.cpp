#include "queue/QueueEntryList.h"

#include <QHash>

namespace {

// The last `count` folders of a path's folder, and the file name.
QString lastParts(const QStringList &parts, int count)
{
    return parts.mid(std::max(0, int(parts.size()) - 1 - count)).join(QLatin1Char('/'));
}

} // namespace

QueueEntryList::QueueEntryList(QObject *parent)
    : QQmlObjectListModel<QueueEntry>(parent, QByteArray(), QByteArray())
{
    connect(this, &QAbstractItemModel::rowsInserted, this, &QueueEntryList::updateDisplayNames);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &QueueEntryList::updateDisplayNames);
    connect(this, &QAbstractItemModel::modelReset, this, &QueueEntryList::updateDisplayNames);
}

QVariant QueueEntryList::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole) {
        if (const QueueEntry *entry = at(index.row()))
            return entry->readableName();
    }
    return QQmlObjectListModel<QueueEntry>::data(index, role);
}

void QueueEntryList::updateDisplayNames()
{
    QHash<QString, QList<QueueEntry *>> byName;
    for (QueueEntry *entry : items())
        byName[entry->readableName()].append(entry);
    for (const QList<QueueEntry *> &same : qAsConst(byName)) {
        if (same.size() == 1) {
            same.first()->update_displayName(same.first()->readableName());
            continue;
        }
        QList<QStringList> paths;
        for (const QueueEntry *entry : same)
            paths << entry->filePath().split(QLatin1Char('/'));
        for (int i = 0; i < same.size(); ++i) {
            // One more folder until no other row of the name ends the same
            // way; the same file queued twice shows its whole path.
            int folders = 1;
            auto clashes = [&] {
                for (int j = 0; j < same.size(); ++j) {
                    if (j != i && lastParts(paths[j], folders) == lastParts(paths[i], folders))
                        return true;
                }
                return false;
            };
            while (folders < paths[i].size() - 1 && clashes())
                ++folders;
            same[i]->update_displayName(lastParts(paths[i], folders));
        }
    }
}

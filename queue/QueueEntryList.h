#pragma once

#include "models/QQmlObjectListModel.h"
#include "queue/QueueEntry.h"

// The conversion queue as a list model; the display role is the file name.
// Keeps the entries' display names apart: rows whose files have the same
// name show as much of their folders as tells them apart.
class QueueEntryList : public QQmlObjectListModel<QueueEntry>
{
    Q_OBJECT

public:
    explicit QueueEntryList(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role) const override;

private:
    void updateDisplayNames();
};

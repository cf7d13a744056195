#pragma once

#include "models/KeyValueItem.h"
#include "models/QQmlObjectListModel.h"

// A list of choices, usable as a QML model and as a combo box model (the
// display role is the label).
class KeyValueItemList : public QQmlObjectListModel<KeyValueItem>
{
    Q_OBJECT

public:
    explicit KeyValueItemList(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role) const override;

    // Row of the first item whose value equals `value` as variants (432
    // matches 432.0, "192" matches 192); -1 when none does.
    Q_INVOKABLE int getIndexOfValue(const QVariant &value) const;
    // The first item whose value equals `value`, or null.
    Q_INVOKABLE KeyValueItem *getItemForValue(const QVariant &value) const;
};

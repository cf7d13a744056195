#pragma once

#include "models/PropertyMacros.h"

#include <QObject>
#include <QString>
#include <QVariant>

// One choice of an option list: the label shown and the setting value it
// stands for.
class KeyValueItem : public QObject
{
    Q_OBJECT
    TW_READONLY_PROPERTY(QString, label)
    TW_READONLY_PROPERTY(QVariant, value)
    TW_WRITABLE_PROPERTY(bool, checked)
    Q_PROPERTY(int insertionOrder READ insertionOrder CONSTANT)

public:
    KeyValueItem(const QString &label, const QVariant &value, QObject *parent = nullptr);

    // Creation number within the process, counted over all items.
    int insertionOrder() const { return m_insertionOrder; }

private:
    const int m_insertionOrder;
};

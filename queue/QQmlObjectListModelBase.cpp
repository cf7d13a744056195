#include "QQmlObjectListModelBase.h"

QQmlObjectListModelBase::QQmlObjectListModelBase(QObject *parent)
    : QAbstractListModel(parent)
{
}

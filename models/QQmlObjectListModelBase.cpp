#include "models/QQmlObjectListModelBase.h"

QQmlObjectListModelBase::QQmlObjectListModelBase(QObject *parent)
    : QAbstractListModel(parent)
{
}

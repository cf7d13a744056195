#include "models/QQmlObjectListModelBase.h"

Q_LOGGING_CATEGORY(lcModels, "tunewise.models", QtInfoMsg)

QQmlObjectListModelBase::QQmlObjectListModelBase(QObject *parent)
    : QAbstractListModel(parent)
{
}

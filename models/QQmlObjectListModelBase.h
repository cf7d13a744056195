#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QVariantList>

// The models' misuse warnings (tunewise.models); the other categories are
// in engine/LogCategories.h, which this layer does not see.
Q_DECLARE_LOGGING_CATEGORY(lcModels)

// The part of the QML object list model that the meta-object system must
// see: the count property and the slots QML scripts call. The template
// QQmlObjectListModel<ItemType> implements it for one item class.
class QQmlObjectListModelBase : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit QQmlObjectListModelBase(QObject *parent = nullptr);

public Q_SLOTS:
    virtual int size() const = 0;
    virtual int count() const = 0;
    virtual bool isEmpty() const = 0;
    virtual bool contains(QObject *item) const = 0;
    virtual int indexOf(QObject *item) const = 0;
    virtual int roleForName(const QByteArray &name) const = 0;
    virtual void clear() = 0;
    virtual void append(QObject *item) = 0;
    virtual void prepend(QObject *item) = 0;
    virtual void insert(int idx, QObject *item) = 0;
    virtual void move(int idx, int pos) = 0;
    virtual void remove(QObject *item) = 0;
    virtual void remove(int idx) = 0;
    virtual QObject *get(int idx) const = 0;
    virtual QObject *get(const QString &uid) const = 0;
    virtual QObject *getFirst() const = 0;
    virtual QObject *getLast() const = 0;
    virtual QVariantList toVarArray() const = 0;

protected Q_SLOTS:
    // Receives every notify signal of every item in the model.
    virtual void onItemPropertyChanged() = 0;

Q_SIGNALS:
    void countChanged();
};

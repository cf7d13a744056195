#pragma once

#include "base/TranslatableText.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QueueEntry;

// The queue on the disk, so that it outlives the program, a crash or a
// power cut: a small SQLite database with a row for each queue row (its
// file, output folder, settings, state and how it ended), written in a
// transaction at each change. All of its SQL is here.
//
// A database that cannot be read is moved aside and a new one begun; one
// that cannot be opened or written leaves the queue unsaved. Either is
// said in words (problem(), and failed() for a write).
class QueueStore : public QObject
{
    Q_OBJECT

public:
    explicit QueueStore(QObject *parent = nullptr);
    ~QueueStore() override;

    // The database of the user's queue, in the program's data folder.
    static QString defaultPath();

    // Opens the database at `path`, making it where there is none. False
    // when the queue cannot be kept there; problem() then says why. It may
    // say something when true too: that a damaged file was moved aside.
    bool open(const QString &path);
    bool isOpen() const { return !m_connection.isEmpty(); }
    TranslatableText problem() const { return m_problem; }

    // The rows kept, in the queue's order, as new entries owned by the
    // caller and known to the store. An entry that was converting when the
    // program ended waits again, unless its output was published by then:
    // that entry is finished.
    QList<QueueEntry *> load();
    // New rows, at the end of the queue, in one transaction.
    void insert(const QList<QueueEntry *> &entries);
    // The row's state and outcome as they are now.
    void update(const QueueEntry *entry);
    void remove(const QueueEntry *entry);

Q_SIGNALS:
    // A write failed; the store is closed and keeps nothing from now on.
    void failed(const TranslatableText &message);

private:
    bool openFile(const QString &path, QString *error, QString *code);
    bool prepareSchema(QString *error, QString *code);
    void moveAside(const QString &path);
    void close();
    // Runs `write` in a transaction; a failure closes the store.
    template <typename Write>
    void transaction(Write write);
    bool execute(const QString &sql, const QVariantList &values = {});

    QString m_connection;
    QString m_path;
    QString m_lastError;
    TranslatableText m_problem;
    QHash<const QueueEntry *, qint64> m_ids;
};

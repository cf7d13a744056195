#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One window per user: the first launch listens on a local socket, and a
// later launch hands its files to it instead of opening a second window.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // Listens, once listen() is called, on the socket `name`.
    explicit SingleInstance(const QString &name = defaultName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // The program's socket in the user's runtime folder.
    static QString defaultName();

    // Hands `paths` (maybe none) to the instance listening on `name`, and
    // returns whether it took them. Blocks for at most about `timeoutMs`.
    static bool handOver(const QString &name, const QStringList &paths, int timeoutMs = 5000);

    // Starts taking hand-overs; false when the socket cannot be made.
    bool listen();

Q_SIGNALS:
    // Another launch handed these over; none when it had no files to open.
    void received(const QStringList &paths);

private:
    void readFrom(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server;
};

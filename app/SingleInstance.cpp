#include "app/SingleInstance.h"

#include "base/ProgramInfo.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>

#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcApp, "tunewise.app", QtInfoMsg)


// Both ends of one build speak the same; another build's message is refused.
constexpr quint32 Protocol = 0x54570001;  // "TW", version 1
constexpr char Taken = 1;

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            readFrom(socket);
        }
    });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    const QString socket = QString::fromUtf8(ProgramInfo::DesktopId) + QStringLiteral(".socket");
    // The runtime folder is private to the user; without one, QLocalServer
    // puts a bare name into the temporary folder, so the user's id goes in.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QLatin1Char('/') + socket;
    return QStringLiteral("%1-%2").arg(socket).arg(getuid());
}

bool SingleInstance::handOver(const QString &name, const QStringList &paths, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    QDataStream out(&socket);
    out.setVersion(QDataStream::Qt_5_15);
    out << Protocol << paths;
    // The answer comes once the running instance has the paths; one that
    // does not answer is treated as gone.
    while (socket.bytesAvailable() == 0) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
            qCDebug(lcApp) << "No answer from the running instance at" << name;
            return false;
        }
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Taken;
}

bool SingleInstance::listen()
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_name))
        return true;
    // A socket left by an instance that crashed: a live one would have
    // answered handOver().
    if (m_server->serverError() == QAbstractSocket::AddressInUseError && QLocalServer::removeServer(m_name)
        && m_server->listen(m_name))
        return true;
    qCWarning(lcApp) << "Cannot listen for further launches at" << m_name << m_server->errorString();
    return false;
}

void SingleInstance::readFrom(QLocalSocket *socket)
{
    QDataStream in(socket);
    in.setVersion(QDataStream::Qt_5_15);
    in.startTransaction();
    quint32 protocol = 0;
    QStringList paths;
    in >> protocol;
    if (in.status() == QDataStream::Ok && protocol != Protocol) {
        in.abortTransaction();
        socket->abort();
        return;
    }
    in >> paths;
    if (!in.commitTransaction())
        return;  // the rest is on its way
    socket->putChar(Taken);
    socket->flush();
    Q_EMIT received(paths);
}

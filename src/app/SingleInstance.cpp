#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include "InstanceMessage.h"

namespace {

QString runtimeDirectory(const QString &requested)
{
    if (!requested.isEmpty())
        return requested;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

constexpr int handOffTimeoutMs = 10000;
constexpr char acknowledgement = '\n';

} // namespace

SingleInstance::SingleInstance(const QString &directory)
    : socketPath_(runtimeDirectory(directory) + QStringLiteral("/sardoxa.socket"))
    , lock_(runtimeDirectory(directory) + QStringLiteral("/sardoxa.lock"))
{
    lock_.setStaleLockTime(0); // only a dead owner makes the lock stale, never its age
}

SingleInstance::Role SingleInstance::claim(const QStringList &paths, QString *error)
{
    // A starting instance may hold the lock before it listens; give it time, and take the lock
    // over should it die meanwhile.
    const QDeadlineTimer deadline(handOffTimeoutMs);
    while (!deadline.hasExpired()) {
        if (lock_.tryLock(0))
            return Role::Primary;
        if (lock_.error() == QLockFile::PermissionError) {
            if (error)
                *error = QStringLiteral("cannot write the lock file %1").arg(lock_.fileName());
            return Role::Failed;
        }
        if (handOff(paths))
            return Role::HandedOff;
        QThread::msleep(100);
    }
    if (error)
        *error = QStringLiteral("the running Sardoxa did not answer");
    return Role::Failed;
}

bool SingleInstance::handOff(const QStringList &paths)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(InstanceMessage::encode(paths));
    if (!socket.waitForBytesWritten(handOffTimeoutMs))
        return false;
    // The answer comes once the running instance has taken the whole message.
    return socket.waitForReadyRead(handOffTimeoutMs) && socket.read(1) == QByteArray(1, acknowledgement);
}

bool SingleInstance::listen(QString *error)
{
    // A socket file left by a killed instance would make listen() fail; we hold the lock, so it
    // is not in use.
    QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath_)) {
        if (error)
            *error = server_.errorString();
        return false;
    }
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket *socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Keep what arrived until the frame is whole; the peer sends one frame only.
            QByteArray received = socket->property("received").toByteArray() + socket->readAll();
            const InstanceMessage::Decoded message = InstanceMessage::decode(received);
            switch (message.status) {
            case InstanceMessage::Decoded::Status::Incomplete:
                socket->setProperty("received", received);
                return;
            case InstanceMessage::Decoded::Status::Invalid:
                socket->abort();
                return;
            case InstanceMessage::Decoded::Status::Complete:
                socket->write(QByteArray(1, acknowledgement));
                socket->disconnectFromServer();
                if (message.paths.isEmpty())
                    Q_EMIT reopenRequested();
                else
                    Q_EMIT openRequested(message.paths);
                return;
            }
        });
    }
}

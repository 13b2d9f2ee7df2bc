#include "core/app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/app/InstanceMessage.h"
#include "core/files/FilePaths.h"
#include "core/files/UniqueFd.h"

namespace {

constexpr int handOffTimeoutMs = 10000;
// A launch sends its message at once; a connection that says nothing for this long is dropped.
constexpr int idleConnectionMs = 10000;
// More launches than this at the same moment are not launches of a user.
constexpr int maxConnections = 16;
constexpr char acknowledgement = '\n';

bool isPrivateFolder(const QByteArray &path, QString *problem) {
    struct stat info;
    if (::lstat(path.constData(), &info) != 0) {
        *problem = QStringLiteral("cannot use %1: %2").arg(decodePath(path), systemError());
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        *problem = QStringLiteral("%1 is not a folder of this user's that only this user may enter")
                       .arg(decodePath(path));
        return false;
    }
    return true;
}

bool ownedByOthers(const QString &path) {
    struct stat info;
    return ::lstat(encodePath(path).constData(), &info) == 0 && info.st_uid != ::geteuid();
}

bool peerIsThisUser(int fd) {
    struct ucred peer = {};
    socklen_t length = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           peer.uid == ::geteuid();
}

// Waits for `fd` to become ready for `events`, up to `deadline`.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline) {
    pollfd entry{fd, events, 0};
    int ready;
    do
        ready = ::poll(&entry, 1, int(deadline.remainingTime()));
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

} // namespace

std::optional<QString> privateRuntimeFolder(QString *problem) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QString ignored;
    if (runtime.startsWith('/') && isPrivateFolder(runtime, &ignored))
        return decodePath(runtime);
    const QByteArray fallback =
        encodePath(QDir::tempPath()) + "/sardoxa-" + QByteArray::number(::geteuid());
    if (::mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST) {
        *problem = QStringLiteral("cannot make %1: %2").arg(decodePath(fallback), systemError());
        return std::nullopt;
    }
    if (!isPrivateFolder(fallback, problem))
        return std::nullopt;
    return decodePath(fallback);
}

SingleInstance::SingleInstance(const QString &directory) {
    std::optional<QString> folder =
        directory.isEmpty() ? privateRuntimeFolder(&folderProblem_) : directory;
    if (!folder)
        return;
    socketPath_ = *folder + QStringLiteral("/sardoxa.socket");
    lock_.emplace(*folder + QStringLiteral("/sardoxa.lock"));
    lock_->setStaleLockTime(0); // only a dead owner makes the lock stale, never its age
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::claim(const QStringList &paths, QString *error) {
    const auto fail = [error](Role role, const QString &why) {
        if (error)
            *error = why;
        return role;
    };
    if (!lock_)
        return fail(Role::Alone, folderProblem_);
    if (ownedByOthers(lock_->fileName()) || ownedByOthers(socketPath_))
        return fail(Role::Alone, QStringLiteral("the lock or socket in %1 belongs to another user")
                                     .arg(folderOf(socketPath_)));
    // A starting instance may hold the lock before it listens; give it time, and take the lock
    // over should it die meanwhile.
    const QDeadlineTimer deadline(handOffTimeoutMs);
    while (!deadline.hasExpired()) {
        if (lock_->tryLock(0))
            return Role::Primary;
        if (lock_->error() == QLockFile::PermissionError)
            return fail(Role::Failed,
                        QStringLiteral("cannot write the lock file %1").arg(lock_->fileName()));
        if (handOff(paths))
            return Role::HandedOff;
        QThread::msleep(100);
    }
    return fail(Role::Failed, QStringLiteral("the running Sardoxa did not answer"));
}

bool SingleInstance::handOff(const QStringList &paths) {
    // Plain sockets: a launch hands its paths over before it makes any Qt application, so that
    // it needs no display when an instance runs already.
    const QByteArray path = encodePath(socketPath_);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.isValid() ||
        ::connect(fd.get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        !peerIsThisUser(fd.get()))
        return false;
    const QByteArray message = InstanceMessage::encode(paths);
    const QDeadlineTimer deadline(handOffTimeoutMs);
    for (qsizetype sent = 0; sent < message.size();) {
        if (!waitFor(fd.get(), POLLOUT, deadline))
            return false;
        const ssize_t n = ::send(fd.get(), message.constData() + sent,
                                 std::size_t(message.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        sent += n > 0 ? n : 0;
    }
    // The answer comes once the running instance has taken the whole message.
    char answer = 0;
    return waitFor(fd.get(), POLLIN, deadline) && ::recv(fd.get(), &answer, 1, 0) == 1 &&
           answer == acknowledgement;
}

bool SingleInstance::listen(QString *error) {
    if (!lock_)
        return false;
    // A socket file left by a killed instance would make listen() fail; we hold the lock, so it
    // is not in use.
    QLocalServer::removeServer(socketPath_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath_)) {
        if (error)
            *error = server_->errorString();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept() {
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        if (connections_ >= maxConnections || !peerIsThisUser(int(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections_;
        connect(socket, &QObject::destroyed, this, [this] { --connections_; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(idleConnectionMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        // What arrived so far; the peer sends one frame only.
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
            received->append(socket->readAll());
            const InstanceMessage::Decoded message = InstanceMessage::decode(*received);
            switch (message.status) {
            case InstanceMessage::Decoded::Status::Incomplete:
                return;
            case InstanceMessage::Decoded::Status::Invalid:
                socket->abort();
                socket->deleteLater();
                return;
            case InstanceMessage::Decoded::Status::Complete:
                received->clear();
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

#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class QLocalServer;

// Keeps one desktop instance per user. The first launch holds a lock file and listens on a local
// socket next to it; a later launch hands its paths (or a reopen) over that socket and exits.
// A lock or socket left by a killed instance is taken over. Both live in a folder only this user
// can enter, and each side checks that the other runs as this user, so that another local user
// can neither receive the paths nor keep the application from starting.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `directory` holds the lock and the socket: the user's private runtime folder unless a test
    // says otherwise. No Qt application is needed until listen().
    explicit SingleInstance(const QString &directory = QString());
    ~SingleInstance() override;

    enum class Role {
        Primary,   // this process is the running instance; call listen()
        HandedOff, // the running instance took the paths; this process should exit
        Alone,     // no private folder: this process runs on its own, unreachable; `error` says why
        Failed,    // neither: `error` says why
    };

    // Becomes the running instance, or hands `paths` to it; no paths means a reopen.
    Role claim(const QStringList &paths, QString *error = nullptr);

    // For the running instance: starts taking hand-offs. Messages are delivered from the event
    // loop, so none arrives before the caller returns to it.
    bool listen(QString *error = nullptr);

Q_SIGNALS:
    void reopenRequested();
    void openRequested(const QStringList &paths);

private:
    bool handOff(const QStringList &paths);
    void accept();

    QString folderProblem_;
    QString socketPath_;
    std::optional<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    int connections_ = 0;
};

// The folder for per-user sockets and locks: $XDG_RUNTIME_DIR when it is this user's private
// folder, otherwise "sardoxa-UID" in the temporary folder, made private to this user. Nothing,
// with the reason, when that folder belongs to someone else or others may enter it.
std::optional<QString> privateRuntimeFolder(QString *problem);

#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

// Keeps one desktop instance per user. The first launch holds a lock file and listens on a local
// socket next to it; a later launch hands its paths (or a reopen) over that socket and exits.
// A lock or socket left by a killed instance is taken over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `directory` holds the lock and the socket: the user's runtime folder unless a test says
    // otherwise.
    explicit SingleInstance(const QString &directory = QString());

    enum class Role {
        Primary,   // this process is the running instance; call listen()
        HandedOff, // the running instance took the paths; this process should exit
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

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
};

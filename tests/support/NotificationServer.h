#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariant>

#include <mutex>

// A stand-in notification daemon on a test's bus. It answers from a thread of its own, so a
// test may wait for a process of the program meanwhile.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    // What the user does with each notification right after it is shown: the program hears of
    // its action, chosen at once, even before the answer that names it.
    enum class AtOnce { Nothing, Expire, ChooseItsAction };
    explicit NotificationServer(const QString &busAddress, AtOnce atOnce = AtOnce::Nothing);
    ~NotificationServer() override;

    bool serving() const { return serving_; }
    // What was shown so far, "summary | body | actions" each.
    QStringList received() const;
    // Emits the daemon's signal `name` about the notification `id`, once any answer being given
    // has gone.
    void send(const char *name, uint id, const QVariant &argument);

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int);

private:
    QDBusConnection bus_;
    const AtOnce atOnce_;
    bool serving_ = false;
    QThread thread_;
    mutable std::mutex mutex_;
    QStringList received_;
};

#include "NotificationServer.h"

#include <QDBusMessage>

namespace {

const QString busName = QStringLiteral("notification-server");

} // namespace

NotificationServer::NotificationServer(const QString &busAddress, AtOnce atOnce)
    : bus_(QDBusConnection::connectToBus(busAddress, busName))
    , atOnce_(atOnce) {
    serving_ = bus_.registerService("org.freedesktop.Notifications") &&
               bus_.registerObject("/org/freedesktop/Notifications", this,
                                   QDBusConnection::ExportAllSlots);
    moveToThread(&thread_);
    thread_.start();
}

NotificationServer::~NotificationServer() {
    bus_.unregisterObject("/org/freedesktop/Notifications");
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus(busName);
}

QStringList NotificationServer::received() const {
    const std::lock_guard lock(mutex_);
    return received_;
}

namespace {

QDBusMessage serverSignal(const char *name, uint id, const QVariant &argument) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", name);
    return signal << id << argument;
}

} // namespace

void NotificationServer::send(const char *name, uint id, const QVariant &argument) {
    const QDBusMessage signal = serverSignal(name, id, argument);
    // From the server's thread, after the answer that names the notification.
    QMetaObject::invokeMethod(
        this, [this, signal] { bus_.send(signal); }, Qt::QueuedConnection);
}

uint NotificationServer::Notify(const QString &, uint, const QString &, const QString &summary,
                                const QString &body, const QStringList &actions,
                                const QVariantMap &, int) {
    const std::lock_guard lock(mutex_);
    received_.append(summary + " | " + body + " | " + actions.join(','));
    const auto id = uint(received_.size());
    if (atOnce_ == AtOnce::Expire)
        send("NotificationClosed", id, 1u);
    else if (atOnce_ == AtOnce::ChooseItsAction && !actions.isEmpty())
        bus_.send(serverSignal("ActionInvoked", id, actions.first())); // before the answer
    return id;
}

#include "desktop/platform/JobEndNotice.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "core/app/Localized.h"
#include "desktop/feedback/SkippedFilesWindow.h"

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString showSkipped = QStringLiteral("show-skipped");
// A server that has not answered by then is not coming: the process ends without it.
constexpr int refusalAnswerTimeoutMs = 5000;

} // namespace

JobEndNotice::JobEndNotice(const QDBusConnection &bus)
    : bus_(bus) {
    bus_.connect(service, path, service, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
    bus_.connect(service, path, service, QStringLiteral("NotificationClosed"), this,
                 SLOT(notificationClosed(uint)));
}

JobEndNotice::~JobEndNotice() = default;

void JobEndNotice::show(const JobEnd &end, std::function<void()> done) {
    finish(); // an earlier notification's action is not taken any more
    done_ = std::move(done);
    const JobEndText text = jobEndText(end);
    QStringList actions;
    if (!end.skipped.isEmpty())
        actions << showSkipped << localized("Show Skipped Images");
    const QDBusMessage notify = notification(text.summary, text.body, actions);
    skipped_ = end.skipped;
    id_ = 0;
    early_.clear();
    const quint64 batch = ++batches_;
    // Without a session bus no answer would ever come, nor any action.
    if (!bus_.isConnected()) {
        finish();
        return;
    }
    // A desktop without a notification server simply has none; the answer names the
    // notification whose action lists the skips.
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, batch](QDBusPendingCallWatcher *call) {
                const QDBusPendingReply<uint> reply = *call;
                if (batch == batches_) { // a late answer names an older batch
                    if (reply.isError()) {
                        finish();
                    } else {
                        id_ = reply.value();
                        for (const auto &[id, action] : std::exchange(early_, {}))
                            action.isEmpty() ? notificationClosed(id) : actionInvoked(id, action);
                    }
                }
                call->deleteLater();
            });
    if (end.skipped.isEmpty())
        finish();
}

bool JobEndNotice::showRefusal(const QString &summary, const QString &reason) {
    return bus_.call(notification(summary, reason, {}), QDBus::Block, refusalAnswerTimeoutMs)
               .type() == QDBusMessage::ReplyMessage;
}

QDBusMessage JobEndNotice::notification(const QString &summary, const QString &body,
                                        const QStringList &actions) {
    QDBusMessage notify =
        QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Notify"));
    notify << localized("Sardoxa") << quint32(0) << QStringLiteral("sardoxa") << summary << body
           << actions << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("sardoxa")}}
           << qint32(-1);
    return notify;
}

void JobEndNotice::finish() {
    if (done_)
        std::exchange(done_, {})();
}

// The answer that names the notification takes one more event than the server's signals: a
// notification closed, or its action chosen, at once may be heard of first, while that answer is
// awaited; such signals are kept and taken in their order once it has come.
bool JobEndNotice::keptForTheAnswer(uint id, const QString &action) {
    if (id_ != 0 || !done_)
        return false;
    early_.append({id, action});
    return true;
}

void JobEndNotice::notificationClosed(uint id) {
    if (!keptForTheAnswer(id, {}) && id == id_)
        finish();
}

void JobEndNotice::actionInvoked(uint id, const QString &action) {
    if (action != showSkipped || keptForTheAnswer(id, action) || id == 0 || id != id_)
        return;
    window_ = std::make_unique<SkippedFilesWindow>(skipped_);
    window_->show();
    window_->raise();
    window_->activateWindow();
    finish(); // the window keeps the application from here
}

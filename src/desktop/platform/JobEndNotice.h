#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <functional>
#include <memory>
#include <utility>

#include "core/job/Job.h"

class SkippedFilesWindow;

// The end of a batch as a desktop notification (org.freedesktop.Notifications): how many images
// were written and, when any were skipped, an action that lists them with their reasons.
class JobEndNotice : public QObject {
    Q_OBJECT

public:
    explicit JobEndNotice(const QDBusConnection &bus);
    ~JobEndNotice() override;

    // `done` runs once the notification can offer nothing more: at once when nothing was
    // skipped or no server answers, otherwise once it is closed or its action was chosen.
    void show(const JobEnd &end, std::function<void()> done);
    // A request that was refused, such as a command line that cannot run: shown without any
    // action, and returns once the server has answered or given up, so the process may end
    // right after. False when no server answered.
    bool showRefusal(const QString &summary, const QString &reason);
    // The window of the last batch's skipped images; none until its action was chosen.
    SkippedFilesWindow *skippedWindow() const { return window_.get(); }

public Q_SLOTS:
    // The notification server's signal: the user chose `action` on the notification `id`.
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id);

private:
    // The Notify call of one notification.
    static QDBusMessage notification(const QString &summary, const QString &body,
                                     const QStringList &actions);
    void finish();
    // Keeps a signal of the server that came before the answer naming the last notification.
    bool keptForTheAnswer(uint id, const QString &action);

    QDBusConnection bus_;
    uint id_ = 0; // the last batch's notification, once the server has answered
    // Notifications closed (no action) or acted on while that answer was awaited.
    QList<std::pair<uint, QString>> early_;
    quint64 batches_ = 0;
    QList<Skip> skipped_;
    std::unique_ptr<SkippedFilesWindow> window_;
    std::function<void()> done_; // the last batch's, while its action may still be chosen
};

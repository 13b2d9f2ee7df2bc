#pragma once

#include <QDBusConnection>
#include <QObject>

#include <memory>

#include "core/job/Job.h"

class SkippedFilesWindow;

// The end of a batch as a desktop notification (org.freedesktop.Notifications): how many images
// were written and, when any were skipped, an action that lists them with their reasons.
class JobEndNotice : public QObject {
    Q_OBJECT

public:
    explicit JobEndNotice(const QDBusConnection &bus);
    ~JobEndNotice() override;

    void show(const JobEnd &end);
    // The window of the last batch's skipped images; none until its action was chosen.
    SkippedFilesWindow *skippedWindow() const { return window_.get(); }

public Q_SLOTS:
    // The notification server's signal: the user chose `action` on the notification `id`.
    void actionInvoked(uint id, const QString &action);

private:
    QDBusConnection bus_;
    uint id_ = 0; // the last batch's notification, once the server has answered
    quint64 batches_ = 0;
    QList<Skip> skipped_;
    std::unique_ptr<SkippedFilesWindow> window_;
};

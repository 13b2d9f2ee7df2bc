#include "core/platform/FakePlatform.h"

#include "core/job/Job.h"
#include "core/platform/StandardDirectories.h"

FakePlatform::FakePlatform()
    : mainQueue_(MainQueue::Delivery::Manual)
    , now_(QDateTime::currentDateTime())
    , pictures_(StandardDirectories::pictures())
    , caches_(StandardDirectories::caches())
    , preferences_(StandardDirectories::preferencesFile()) {}

void FakePlatform::runAlert(const QString &message, const QString &informative,
                            const QString &button) {
    shown.append(QStringLiteral("alert %1 | %2 | %3").arg(message, informative, button));
    if (whileAlertShown_)
        whileAlertShown_();
    shown.append(QStringLiteral("alert dismissed"));
}

void FakePlatform::showJobEnded(const JobEnd &end, std::function<void()> done) {
    const JobEndText text = jobEndText(end);
    shown.append(QStringLiteral("ended %1 | %2").arg(text.summary, text.body));
    skippedAtEnd = end.skipped;
    done();
}

void FakePlatform::Tile::showBadge(const QString &label) {
    shown_.append(label.isEmpty() ? QStringLiteral("badge cleared")
                                  : QStringLiteral("badge ") + label);
}

void FakePlatform::Tile::showAttention() {
    shown_.append(QStringLiteral("attention"));
}

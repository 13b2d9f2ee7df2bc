#pragma once

#include "MainQueue.h"
#include "Platform.h"

// The stand-in for the desktop in tests: a main queue drained by hand, a clock and folders that
// the test sets.
class FakePlatform : public Platform {
public:
    // Folders default to the XDG folders below the test's temporary HOME.
    FakePlatform();

    MainQueue &mainQueue() override { return mainQueue_; }
    QDateTime now() const override { return now_; }
    QString picturesDirectory() const override { return pictures_; }
    QString cachesDirectory() const override { return caches_; }
    QString preferencesFile() const override { return preferences_; }
    bool hasWindows() const override { return hasWindows_; }

    void setNow(const QDateTime &now) { now_ = now; }
    void setPicturesDirectory(const QString &path) { pictures_ = path; }
    void setHasWindows(bool hasWindows) { hasWindows_ = hasWindows; }

private:
    MainQueue mainQueue_;
    QDateTime now_;
    QString pictures_;
    QString caches_;
    QString preferences_;
    bool hasWindows_ = true;
};

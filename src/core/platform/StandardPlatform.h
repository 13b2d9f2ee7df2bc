#pragma once

#include "core/platform/MainQueue.h"
#include "core/platform/Platform.h"
#include "core/platform/StandardDirectories.h"

// What the desktop and the command line share: the real clock, the user's XDG folders and a main
// queue drained by the Qt event loop.
class StandardPlatform : public Platform {
public:
    StandardPlatform()
        : mainQueue_(MainQueue::Delivery::EventLoop) {}

    MainQueue &mainQueue() override { return mainQueue_; }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    QString picturesDirectory() const override { return StandardDirectories::pictures(); }
    QString cachesDirectory() const override { return StandardDirectories::caches(); }
    QString preferencesFile() const override { return StandardDirectories::preferencesFile(); }

private:
    MainQueue mainQueue_;
};

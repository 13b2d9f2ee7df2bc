#pragma once

#include "Fixture.h"
#include "desktop/app/ZAVAppDelegate.h"

// What the desktop tests stand on: the fake platform and a launched delegate in a fresh home.
class DelegateTest : public HomeTest {
protected:
    explicit DelegateTest(bool windows = false);

    // Registers the job `key` with its sources and, when given, its size string.
    void registerJob(const QString &key, const QStringList &paths, const QString &size = {});
    // Drops `paths` on the application and lets their intake run to the size picker.
    void open(const QStringList &paths);
    // Lets the batch's requests and image operations run, then the main queue.
    void settle();

    FakePlatform platform;
    ZAVAppDelegate delegate{platform};
};

#include "DelegateFixture.h"

#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"

DelegateTest::DelegateTest(bool windows) {
    platform.setNow(startedAt);
    platform.setHasWindows(windows);
    delegate.applicationDidFinishLaunching();
    delegate.waitForHandOffs();
}

void DelegateTest::registerJob(const QString &key, const QStringList &paths, const QString &size) {
    registerSizedJob(delegate.globalTasks, key, paths, size);
}

void DelegateTest::settle() {
    delegate.waitForHandOffs();
    delegate.batch->queue().waitUntilAllOperationsAreFinished();
    platform.mainQueue().drain();
}

void DelegateTest::open(const QStringList &paths) {
    delegate.applicationOpenFiles(paths);
    delegate.waitForHandOffs();
    platform.mainQueue().drain();
}

#include "Fixture.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include "Images.h"

DelegateTest::DelegateTest(bool windows) {
    platform.setHasWindows(windows);
    delegate.applicationDidFinishLaunching();
}

QString DelegateTest::in(const QString &relative) const {
    return home.path() + "/in/" + relative;
}

QString DelegateTest::image(const QString &relative, int width, int height) {
    QDir().mkpath(QFileInfo(in(relative)).path());
    Images::save(Images::verticalStripes(width, height, {{200, 40, 40}, {40, 40, 200}}),
                 in(relative));
    return in(relative);
}

QString DelegateTest::write(const QString &relative, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(in(relative)).path());
    QFile file(in(relative));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return in(relative);
}

void DelegateTest::registerJob(const QString &key, const QStringList &paths, const QString &size) {
    std::lock_guard lock(delegate.registryMutex);
    delegate.globalTasks.insert(key, paths);
    if (!size.isEmpty())
        delegate.globalSizes.insert(key, size);
}

QString DelegateTest::today() const {
    return home.productFolder() + '/' + QDate::currentDate().toString("yyyy-MM-dd");
}

std::string DelegateTest::logOf(const std::function<void()> &action) {
    ::testing::internal::CaptureStderr();
    action();
    return ::testing::internal::GetCapturedStderr();
}

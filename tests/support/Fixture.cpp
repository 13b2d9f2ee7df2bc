#include "Fixture.h"

#include <QCoreApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include "Images.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/sizing/PresetList.h"
#include "core/sizing/SizeString.h"

QString writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QStringList failureAlert(const QString &message) {
    return {"attention", "alert Failed to resize images | " + message + " | OK", "alert dismissed"};
}

bool waitFor(const std::function<bool()> &done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QString HomeTest::in(const QString &relative) const {
    return home.path() + "/in/" + relative;
}

QString HomeTest::image(const QString &relative, int width, int height) const {
    QDir().mkpath(QFileInfo(in(relative)).path());
    Images::save(Images::verticalStripes(width, height, {{200, 40, 40}, {40, 40, 200}}),
                 in(relative));
    return in(relative);
}

QString HomeTest::write(const QString &relative, const QByteArray &bytes) const {
    return writeFile(in(relative), bytes);
}

void HomeTest::writePresets(const QStringList &list) const {
    writeFile(home.presetsFile(), writePresetList(list));
}

QString HomeTest::today() const {
    const auto folderOf = [this](QDate day) {
        return home.productFolder() + '/' + day.toString("yyyy-MM-dd");
    };
    const QString started = folderOf(startedAt.date());
    const QString now = folderOf(QDate::currentDate());
    return QFileInfo::exists(started) || !QFileInfo::exists(now) ? started : now;
}

std::string HomeTest::logOf(const std::function<void()> &action) {
    ::testing::internal::CaptureStderr();
    action();
    return ::testing::internal::GetCapturedStderr();
}

BatchTest::BatchTest() {
    platform.setNow(startedAt);
    platform.setHasWindows(false);
    relaunch({});
}

void BatchTest::relaunch(const BatchOptions &options) {
    batch.reset();
    batch = std::make_unique<Batch>(platform, options);
    batch->launch();
    batch->waitForRequests();
}

void registerSizedJob(JobRegistry &registry, const QString &key, const QStringList &paths,
                      const QString &size) {
    const std::shared_ptr<Job> job = registry.registerJob(key, paths);
    ASSERT_TRUE(job);
    if (!size.isEmpty())
        job->setSize(sizeFromString(size));
}

void BatchTest::registerJob(const QString &key, const QStringList &paths, const QString &size) {
    registerSizedJob(batch->globalTasks, key, paths, size);
}

void BatchTest::runJob(const QString &key, const QStringList &paths, const QString &size) {
    registerJob(key, paths, size);
    batch->resize(key);
    settle();
}

void BatchTest::settle() {
    batch->waitForRequests();
    batch->queue().waitUntilAllOperationsAreFinished();
    platform.mainQueue().drain();
}

PrivateSessionBus::PrivateSessionBus() {
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (daemon_.waitForReadyRead(10000))
        address = QString::fromUtf8(daemon_.readLine().trimmed());
}

PrivateSessionBus::~PrivateSessionBus() {
    daemon_.kill();
    daemon_.waitForFinished();
}

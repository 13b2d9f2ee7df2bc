#pragma once

#include <QDateTime>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TempHome.h"
#include "core/batch/Batch.h"
#include "core/platform/FakePlatform.h"

// A fresh home with an input folder to fill.
class HomeTest : public ::testing::Test {
protected:
    // home/in/<relative>.
    QString in(const QString &relative) const;
    // A small striped image at in(relative), of the kind its extension names.
    QString image(const QString &relative, int width = 64, int height = 48) const;
    // A file at in(relative) holding `bytes`.
    QString write(const QString &relative, const QByteArray &bytes = {}) const;
    // The presets file, holding `list`.
    void writePresets(const QStringList &list) const;
    // The day folder of the test's clock. A run of the real program reads the real clock, so
    // after one that crossed midnight it is the next day's folder, when only that one exists.
    QString today() const;
    // What was written on stderr while `action` ran.
    static std::string logOf(const std::function<void()> &action);

    TempHome home;
    // The one clock of the test: the instant it started; the fake platform's clock shows it too.
    const QDateTime startedAt = QDateTime::currentDateTime();
};

// Registers a job of `paths` under `key` in `registry`, with `size` when given; fails the test
// when it is refused.
void registerSizedJob(JobRegistry &registry, const QString &key, const QStringList &paths,
                      const QString &size = {});

// What the engine and batch tests stand on: the fake platform and a launched batch in a fresh
// home, no widgets.
class BatchTest : public HomeTest {
protected:
    BatchTest();

    // A new batch in place of the first, launched with `options`.
    void relaunch(const BatchOptions &options);
    // Registers the job `key` with its sources and, when given, its size string.
    void registerJob(const QString &key, const QStringList &paths, const QString &size = {});
    // Registers the job and runs it to its end as the main thread would see it.
    void runJob(const QString &key, const QStringList &paths, const QString &size);
    // Lets the requests and image operations run, then the main queue.
    void settle();

    FakePlatform platform;
    std::unique_ptr<Batch> batch;
};

// A D-Bus session bus of the test's own, gone with it.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    QString address;

private:
    QProcess daemon_;
};

// Runs the event loop until `done` holds or `ms` have passed; whether it holds.
bool waitFor(const std::function<bool()> &done, int ms = 15000);

// Writes `bytes` to `path`, making its folder.
QString writeFile(const QString &path, const QByteArray &bytes);

// What the fake platform records for one alert of a failure.
QStringList failureAlert(const QString &message);

inline const QString busyMessage =
    QStringLiteral("It seems that you have not finished the last task, please check the process "
                   "and try again later.");

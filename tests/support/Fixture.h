#pragma once

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TempHome.h"
#include "core/platform/FakePlatform.h"
#include "desktop/app/ZAVAppDelegate.h"

// What most tests stand on: a fresh home, the fake platform and a launched delegate.
class DelegateTest : public ::testing::Test {
protected:
    explicit DelegateTest(bool windows = false);

    // home/in/<relative>.
    QString in(const QString &relative) const;
    // A small striped image at in(relative), of the kind its extension names.
    QString image(const QString &relative, int width = 64, int height = 48);
    // A file at in(relative) holding `bytes`.
    QString write(const QString &relative, const QByteArray &bytes = {});
    // Registers the job `key` with its sources and, when given, its size string.
    void registerJob(const QString &key, const QStringList &paths, const QString &size = {});
    // Today's day folder.
    QString today() const;
    // What was written on stderr while `action` ran.
    static std::string logOf(const std::function<void()> &action);

    TempHome home;
    FakePlatform platform;
    ZAVAppDelegate delegate{platform};
};

#pragma once

#include <QStringList>

#include <functional>

#include "core/job/Skip.h"
#include "core/platform/DockTile.h"
#include "core/platform/MainQueue.h"
#include "core/platform/Platform.h"

// The stand-in for the desktop in tests: a main queue drained by hand, a clock, folders and
// displays that the test sets, and a record of everything shown to the user, in order.
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
    Displays displays() const override { return displays_; }
    DockTile &dockTile() override { return dockTile_; }
    void runAlert(const QString &message, const QString &informative,
                  const QString &button) override;
    void openFolder(const QString &path, std::function<void()> done) override {
        shown.append(QStringLiteral("open ") + path);
        done();
    }
    void showJobEnded(const JobEnd &end, std::function<void()> done) override;

    // The clock stands still: at the platform's making until set.
    void setNow(const QDateTime &now) { now_ = now; }
    void setPicturesDirectory(const QString &path) { pictures_ = path; }
    void setHasWindows(bool hasWindows) { hasWindows_ = hasWindows; }
    void setDisplays(const Displays &displays) { displays_ = displays; }
    // Runs while an alert is "on screen", as the user would act meanwhile.
    void setWhileAlertShown(std::function<void()> action) { whileAlertShown_ = std::move(action); }

    // What the user saw, in order: "badge 3/5", "badge cleared", "attention", "open <folder>",
    // "alert <message> | <informative> | <button>", "alert dismissed", "ended <summary> | <body>".
    QStringList shown;
    // The skipped sources of the last batch that ended.
    QList<Skip> skippedAtEnd;

private:
    class Tile : public DockTile {
    public:
        explicit Tile(QStringList &shown)
            : shown_(shown) {}

    protected:
        void showBadge(const QString &label) override;
        void showAttention() override;

    private:
        QStringList &shown_;
    };

    MainQueue mainQueue_;
    Tile dockTile_{shown};
    QDateTime now_;
    QString pictures_;
    QString caches_;
    QString preferences_;
    bool hasWindows_ = true;
    Displays displays_;
    std::function<void()> whileAlertShown_;
};

#pragma once

#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;
class Batch;
class ZAVAppDelegate;

// How the application stays around between batches. With a system tray it keeps a tray icon
// (a click is a reopen) and stays resident; without one it quits once no window is visible and
// no job is registered or running.
class AppPresence : public QObject {
    Q_OBJECT

public:
    // `tray` is the desktop's tray icon, or none where there is no tray.
    AppPresence(ZAVAppDelegate &delegate, QSystemTrayIcon *tray);
    // Without a tray, for a batch run without the application's windows.
    explicit AppPresence(Batch &batch);
    ~AppPresence() override;

    // Quits when the application has nothing left to show or do and no tray keeps it.
    void quitIfIdle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Batch &batch_;
    QSystemTrayIcon *tray_ = nullptr;
    std::unique_ptr<QMenu> menu_;
};

#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

class QMenu;
class ZAVAppDelegate;

// How the application stays around between batches. With a system tray it keeps a tray icon
// (a click is a reopen) and stays resident; without one it quits once no window is visible and
// no job is registered or running.
class AppPresence : public QObject {
    Q_OBJECT

public:
    explicit AppPresence(ZAVAppDelegate &delegate);
    ~AppPresence() override;

    // Quits when the application has nothing left to show or do and no tray keeps it.
    void quitIfIdle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ZAVAppDelegate &delegate_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
};

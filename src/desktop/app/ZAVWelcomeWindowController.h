#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

#include "core/batch/Batch.h"

class QWidget;
namespace Ui {
class ZAVWelcomeWindowController;
}

// The welcome window: where a user starts, with a drop area for images and folders and the
// application's actions. The window is made from its interface file on the first window() call.
class ZAVWelcomeWindowController : public QObject {
    Q_OBJECT

public:
    ZAVWelcomeWindowController();
    ~ZAVWelcomeWindowController() override;

    QWidget *window();

    // Takes the window off the screen; it is hidden, not destroyed.
    void close();
    // Shows a choice for the copies, without telling it back; the window shows only whether
    // locations are removed, the other choices are in the Preferences window.
    void showChoice(Choice choice, bool on);

Q_SIGNALS:
    void openImagesClicked();
    void aboutClicked();
    void preferencesClicked();
    void quitClicked();
    void choiceToggled(Choice choice, bool on);
    void pathsDropped(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void windowDidLoad();

    std::unique_ptr<QWidget> window_;
    std::unique_ptr<Ui::ZAVWelcomeWindowController> ui_;
};

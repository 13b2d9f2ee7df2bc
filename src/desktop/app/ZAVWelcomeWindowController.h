#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

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
    // Shows whether copies leave out the location, without telling it back.
    void showRemovesLocation(bool remove);

Q_SIGNALS:
    void openImagesClicked();
    void aboutClicked();
    void quitClicked();
    void removeLocationToggled(bool remove);
    void pathsDropped(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void windowDidLoad();

    std::unique_ptr<QWidget> window_;
    std::unique_ptr<Ui::ZAVWelcomeWindowController> ui_;
};

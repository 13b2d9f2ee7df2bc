#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

#include "core/sizing/Size.h"

class QLineEdit;
class ZAVSizePickerView;
class ZAVSizePickerWindow;
namespace Ui {
class ZAVSizePickerWindowController;
}

// The size picker for one job: a width and a height to type, either of which may stay empty, and
// the presets as buttons. The panel is made from its interface file on the first window() call.
class ZAVSizePickerWindowController : public QObject {
    Q_OBJECT

public:
    explicit ZAVSizePickerWindowController(const QString &key);
    ~ZAVSizePickerWindowController() override;

    ZAVSizePickerWindow *window();
    // Whether the panel is on the screen; a panel not made yet is not.
    bool isVisible() const;
    ZAVSizePickerView *view() const { return view_; }

    QLineEdit *widthField() const;
    QLineEdit *heightField() const;

    // The job whose size the panel asks for.
    const QString key;

    // Submits the typed size: tells of it through sizeTyped and hides the panel at once. A size
    // that cannot be used stays in the fields, with the reason in the hint under them; nothing
    // happens when a size was already handed off from this panel.
    void resize();
    // Hides the panel; it is not destroyed.
    void close();

Q_SIGNALS:
    // A usable size was typed for the job `key`; told once a panel.
    void sizeTyped(const Size &size, const QString &key);
    // Paths were dropped on the panel: a request of their own.
    void pathsDropped(const QStringList &paths);

private:
    void windowDidLoad();
    // The hint under the fields: why the typed size cannot be used, or else what the fields do.
    void showHint(const QString &problem);

    std::unique_ptr<ZAVSizePickerWindow> window_;
    ZAVSizePickerView *view_ = nullptr;
    std::unique_ptr<Ui::ZAVSizePickerWindowController> ui_;
    bool handedOff_ = false;
};

#include "desktop/about/daskel/ZAVWindowController.h"

#include <QScreen>
#include <QStyle>

ZAVWindowController::ZAVWindowController(std::unique_ptr<QWidget> window)
    : window_(std::move(window)) {}

void ZAVWindowController::showWindow() {
    // In the middle of its screen the first time; later where the user left it.
    if (!window_->testAttribute(Qt::WA_Moved)) {
        window_->adjustSize();
        window_->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window_->size(),
                                          window_->screen()->availableGeometry())
                          .topLeft());
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

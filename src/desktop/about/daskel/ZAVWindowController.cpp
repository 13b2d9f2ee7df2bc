#include "desktop/about/daskel/ZAVWindowController.h"

ZAVWindowController::ZAVWindowController(std::unique_ptr<QWidget> window)
    : window_(std::move(window)) {}

void ZAVWindowController::showWindow() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

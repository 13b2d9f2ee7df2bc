#include "desktop/sizing/ZAVSizePickerWindow.h"

ZAVSizePickerWindow::ZAVSizePickerWindow(QWidget *parent)
    : QDialog(parent) {
    // Not modal: the rest of the application stays usable while a size is being chosen.
    setModal(false);
}

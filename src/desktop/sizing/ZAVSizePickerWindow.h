#pragma once

#include <QDialog>

// The size picker's panel: a small window whose Escape hides it. The panel itself takes no
// focus; its fields and buttons do.
class ZAVSizePickerWindow : public QDialog {
    Q_OBJECT

public:
    explicit ZAVSizePickerWindow(QWidget *parent = nullptr);
};

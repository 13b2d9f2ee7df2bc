#pragma once

#include <QDialog>

// The size picker's panel: a small window that takes the keyboard, whose Escape hides it.
class ZAVSizePickerWindow : public QDialog {
    Q_OBJECT

public:
    explicit ZAVSizePickerWindow(QWidget *parent = nullptr);
};

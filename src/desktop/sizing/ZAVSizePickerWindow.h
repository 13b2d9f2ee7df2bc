#pragma once

#include <QDialog>
#include <QStringList>

// The size picker's panel: a small window whose Escape hides it. The panel itself takes no
// focus; its fields and buttons do. Files dropped on it are handed on as a request of their own.
class ZAVSizePickerWindow : public QDialog {
    Q_OBJECT

public:
    explicit ZAVSizePickerWindow(QWidget *parent = nullptr);

Q_SIGNALS:
    void pathsDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

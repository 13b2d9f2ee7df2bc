#pragma once

#include <QWidget>

// The size picker's white background. It keeps the preset buttons at their places measured from
// its bottom edge, so that they stay put while the panel's height changes.
class ZAVSizePickerView : public QWidget {
    Q_OBJECT

public:
    explicit ZAVSizePickerView(QWidget *parent = nullptr);

    // Places `child` at `frameFromBottom`, a frame whose y runs up from the bottom edge.
    void placeFromBottom(QWidget *child, const QRect &frameFromBottom);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void place(QWidget *child) const;
};

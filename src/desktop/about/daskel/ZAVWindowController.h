#pragma once

#include <QWidget>

#include <memory>

// Owns one window, made by the framework, and shows it on request.
class ZAVWindowController {
public:
    explicit ZAVWindowController(std::unique_ptr<QWidget> window);

    QWidget *window() const { return window_.get(); }
    // Puts the window on screen, in front, with the keyboard focus: centred on its screen the
    // first time, where it was left afterwards.
    void showWindow();

private:
    std::unique_ptr<QWidget> window_;
};

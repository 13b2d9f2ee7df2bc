#include "desktop/app/ZAVAppDelegate.h"

#include <QFontDatabase>
#include <QPropertyAnimation>

#include "core/app/Localized.h"
#include "core/platform/Platform.h"
#include "core/sizing/PanelLayout.h"
#include "core/sizing/SizeString.h"
#include "desktop/sizing/ZAVButton.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

namespace {

// The presets' thin face: Helvetica Neue Thin where it is installed, a thin or light sans
// otherwise.
QFont presetFont() {
    QFont font(QStringLiteral("HelveticaNeue-Thin"));
    if (!QFontDatabase::families().contains(font.family())) {
        font = QFont(QStringLiteral("Helvetica Neue"));
        font.setStyleHint(QFont::SansSerif);
        font.setWeight(QFont::Light);
    }
    font.setPointSize(20);
    return font;
}

} // namespace

bool ZAVAppDelegate::shouldChooseSize(const QString &key) {
    if (sizeWindowController && sizeWindowController->isVisible())
        return false;
    sizeWindowController = std::make_unique<ZAVSizePickerWindowController>(*this, key);
    if (!platform.hasWindows())
        return true;
    ZAVSizePickerWindow *window = sizeWindowController->window();
    window->show();
    window->raise();
    window->activateWindow();
    layOutPresets(key);
    return true;
}

void ZAVAppDelegate::layOutPresets(const QString &key) {
    ZAVSizePickerWindow *window = sizeWindowController->window();
    const std::optional<QStringList> list = presets();
    const QRect frame = window->geometry();
    const int height = panelHeight(list ? list->size() : 0);
    if (list) {
        // From the oldest to the newest, each at its place counted from the bottom.
        for (qsizetype index = list->size() - 1; index >= 0; --index) {
            ZAVButton *button = presetButtonWithKey(key, sizeFromString(list->at(index)));
            sizeWindowController->view()->placeFromBottom(button,
                                                          presetButtonFrameFromBottom(index));
        }
    }
    const QRect target(frame.x(), panelTopKeepingCentre(frame.y(), frame.height(), height),
                       frame.width(), height);
    auto *animation = new QPropertyAnimation(window, "geometry", window);
    animation->setDuration(180);
    animation->setStartValue(frame);
    animation->setEndValue(target);
    // Only the presets change the panel's height, never the user.
    QObject::connect(animation, &QPropertyAnimation::finished, window,
                     [window, height] { window->setFixedHeight(height); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

ZAVButton *ZAVAppDelegate::presetButtonWithKey(const QString &key, const Size &size) {
    auto *button = new ZAVButton;
    button->resize(presetButtonWidth, presetButtonHeight);
    button->setFont(presetFont());
    button->setFlat(true);
    // Reached with Tab like the other controls, but a click must not end the editing of a field.
    // A flat button draws no focus of its own; the frame shows where the keyboard is.
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(
        QStringLiteral("ZAVButton { border: 2px solid transparent; border-radius: 8px; }"
                       "ZAVButton:focus { border-color: palette(highlight); }"));
    button->key = key;
    button->theSize = size;
    button->setText(presetTitle(size));
    QObject::connect(button, &QPushButton::clicked, this,
                     [this, button] { buttonPressed(button); });
    return button;
}

void ZAVAppDelegate::buttonPressed(ZAVButton *sender) {
    addPreset(sender->theSize, sender->key);
    if (sizeWindowController)
        sizeWindowController->close();
}

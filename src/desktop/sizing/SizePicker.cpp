#include "desktop/app/ZAVAppDelegate.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include "core/app/Localized.h"
#include "core/platform/Platform.h"
#include "core/sizing/PanelLayout.h"
#include "core/sizing/SizeString.h"
#include "core/sizing/TypedSize.h"
#include "desktop/sizing/ZAVButton.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

namespace {

// Room between a preset button's edge and its title.
constexpr int presetTitleMargin = 12;

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

bool ZAVAppDelegate::shouldChooseSize(const QString &key, const std::optional<QStringList> &list) {
    if (sizeWindowController && sizeWindowController->isVisible())
        return false;
    sizeWindowController = std::make_unique<ZAVSizePickerWindowController>(key);
    connect(sizeWindowController.get(), &ZAVSizePickerWindowController::sizeTyped, this,
            &ZAVAppDelegate::handOffPreset);
    connect(sizeWindowController.get(), &ZAVSizePickerWindowController::pathsDropped, this,
            &ZAVAppDelegate::applicationOpenFiles);
    if (!platform.hasWindows())
        return true;
    ZAVSizePickerWindow *window = sizeWindowController->window();
    // Laid out while hidden: the panel's first frame is already its last.
    layOutPresets(key, list);
    // Escape or the window's close button: no size for this job.
    connect(window, &QDialog::rejected, this, [this, key] { abandonJob(key); });
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

void ZAVAppDelegate::layOutPresets(const QString &key, const std::optional<QStringList> &list) {
    if (list) {
        // From the oldest to the newest, each at its place counted from the bottom.
        for (qsizetype index = list->size() - 1; index >= 0; --index) {
            ZAVButton *button = presetButtonWithKey(key, sizeFromString(list->at(index)));
            sizeWindowController->view()->placeFromBottom(button,
                                                          presetButtonFrameFromBottom(index));
        }
    }
    // Only the presets change the panel's height, never the user.
    sizeWindowController->window()->setFixedHeight(panelHeight(list ? list->size() : 0));
}

ZAVButton *ZAVAppDelegate::presetButtonWithKey(const QString &key, const Size &size) {
    auto *button = new ZAVButton;
    button->resize(presetButtonWidth, presetButtonHeight);
    button->setFont(presetFont());
    // Reached with Tab like the other controls, but a click must not end the editing of a field.
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(
        QStringLiteral(
            "ZAVButton { border: 1px solid #c4c4c4; border-radius: 8px; background: #f6f6f6;"
            "            padding: 0 %1px; outline: none; }"
            "ZAVButton:hover { border-color: palette(highlight); background: #e9f0fb; }"
            "ZAVButton:pressed { background: #d2e0f6; }"
            "ZAVButton:focus { border: 2px solid palette(highlight); padding: 0 %2px; }"
            "ZAVButton:disabled { color: #a0a0a0; background: #fafafa; }")
            .arg(presetTitleMargin - 1)
            .arg(presetTitleMargin - 2));
    button->key = key;
    button->theSize = size;
    // A title too long for the button keeps its start, and the whole of it is in the tooltip.
    const QString title = presetTitle(size);
    const QString shown =
        QFontMetrics(button->font())
            .elidedText(title, Qt::ElideRight, presetButtonWidth - 2 * presetTitleMargin);
    button->setText(shown);
    if (shown != title)
        button->setToolTip(title);
    // A preset saved before such sizes were refused stays in sight, but says why it cannot start.
    if (const QString problem = typedSizeProblem(size); !problem.isEmpty()) {
        button->setEnabled(false);
        button->setToolTip(problem);
    }
    QObject::connect(button, &QPushButton::clicked, this,
                     [this, button] { buttonPressed(button); });
    return button;
}

void ZAVAppDelegate::buttonPressed(ZAVButton *sender) {
    batch->chooseSize(sender->theSize, sender->key, true);
    if (sizeWindowController)
        sizeWindowController->close();
}

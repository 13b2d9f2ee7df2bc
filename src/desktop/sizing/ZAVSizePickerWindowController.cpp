#include "desktop/sizing/ZAVSizePickerWindowController.h"
#include "ui_ZAVSizePickerWindowController.h"

#include <QApplication>
#include <QVBoxLayout>

#include "core/app/Localized.h"
#include "core/sizing/TypedSize.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"

ZAVSizePickerWindowController::ZAVSizePickerWindowController(const QString &key)
    : key(key) {}

ZAVSizePickerWindowController::~ZAVSizePickerWindowController() = default;

ZAVSizePickerWindow *ZAVSizePickerWindowController::window() {
    if (!window_) {
        window_ = std::make_unique<ZAVSizePickerWindow>();
        auto *layout = new QVBoxLayout(window_.get());
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new ZAVSizePickerView(window_.get());
        layout->addWidget(view_);
        ui_ = std::make_unique<Ui::ZAVSizePickerWindowController>();
        ui_->setupUi(view_);
        windowDidLoad();
    }
    return window_.get();
}

bool ZAVSizePickerWindowController::isVisible() const {
    return window_ && window_->isVisible();
}

QLineEdit *ZAVSizePickerWindowController::widthField() const {
    return ui_ ? ui_->widthField : nullptr;
}

QLineEdit *ZAVSizePickerWindowController::heightField() const {
    return ui_ ? ui_->heightField : nullptr;
}

void ZAVSizePickerWindowController::windowDidLoad() {
    window_->setWindowTitle(localized("Choose a Size"));
    window_->setFixedWidth(view_->width());
    ui_->heading->setText(localized("Scale the images to"));
    ui_->widthLabel->setText(localized("Width:"));
    ui_->heightLabel->setText(localized("Height:"));
    ui_->widthField->setPlaceholderText(localized("auto"));
    ui_->heightField->setPlaceholderText(localized("auto"));
    ui_->resizeButton->setText(localized("Resize"));
    showHint({});
    // Two lines kept for it, so that a one-line complaint does not move the fields.
    ui_->hint->setMinimumHeight(2 * ui_->hint->fontMetrics().lineSpacing());

    connect(ui_->resizeButton, &QPushButton::clicked, this, &ZAVSizePickerWindowController::resize);
    // Finishing the height submits; finishing the width only moves on to the height. Qt also
    // finishes the editing when the window loses the focus or hides, which submits nothing.
    connect(ui_->heightField, &QLineEdit::editingFinished, this, [this] {
        const QWidget *focus = QApplication::focusWidget();
        if (window_->isVisible() && focus && window_->isAncestorOf(focus))
            resize();
    });
    // A changed size deserves the explanation again rather than the last complaint.
    for (QLineEdit *field : {ui_->widthField, ui_->heightField})
        connect(field, &QLineEdit::textEdited, this, [this] { showHint({}); });
    // Queued: a request may replace this very panel, which must not go while it handles the drop.
    connect(window_.get(), &ZAVSizePickerWindow::pathsDropped, this,
            &ZAVSizePickerWindowController::pathsDropped, Qt::QueuedConnection);
    ui_->widthField->setFocus();
}

void ZAVSizePickerWindowController::showHint(const QString &problem) {
    ui_->hint->setText(problem.isEmpty()
                           ? localized("Leave one side empty to follow the other and keep each "
                                       "image's proportions. With both sides, images are cropped "
                                       "to fill.")
                           : problem);
    ui_->hint->setStyleSheet(problem.isEmpty() ? QStringLiteral("color: #6b6b6b;")
                                               : QStringLiteral("color: #b3261e;"));
}

void ZAVSizePickerWindowController::resize() {
    if (handedOff_ || !ui_)
        return;
    const Size size{typedSide(ui_->widthField->text()), typedSide(ui_->heightField->text())};
    if (const QString problem = typedSizeProblem(size); !problem.isEmpty()) {
        showHint(problem);
        return;
    }
    handedOff_ = true;
    Q_EMIT sizeTyped(size, key);
    close();
}

void ZAVSizePickerWindowController::close() {
    if (window_)
        window_->hide();
}

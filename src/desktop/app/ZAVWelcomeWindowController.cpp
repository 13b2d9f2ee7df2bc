#include "desktop/app/ZAVWelcomeWindowController.h"
#include "ui_ZAVWelcomeWindowController.h"

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyle>
#include <QWidget>

#include "core/app/Localized.h"
#include "core/files/FilePaths.h"

namespace {

void showAsDropTarget(QWidget *dropArea, bool active) {
    dropArea->setProperty("dropTarget", active);
    dropArea->style()->unpolish(dropArea);
    dropArea->style()->polish(dropArea);
}

// The desktop's own keys for the preferences, and Ctrl+, where it names none, as most desktops
// do.
QList<QKeySequence> preferencesShortcuts() {
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Preferences);
    const QKeySequence common(Qt::CTRL | Qt::Key_Comma);
    if (!keys.contains(common))
        keys.append(common);
    return keys;
}

} // namespace

ZAVWelcomeWindowController::ZAVWelcomeWindowController() = default;

ZAVWelcomeWindowController::~ZAVWelcomeWindowController() = default;

QWidget *ZAVWelcomeWindowController::window() {
    if (!window_) {
        window_ = std::make_unique<QWidget>();
        ui_ = std::make_unique<Ui::ZAVWelcomeWindowController>();
        ui_->setupUi(window_.get());
        windowDidLoad();
    }
    return window_.get();
}

void ZAVWelcomeWindowController::windowDidLoad() {
    window_->setWindowTitle(localized("Sardoxa"));
    ui_->dropArea->setText(localized("Drop images or folders here"));
    ui_->hint->setText(localized("Sardoxa scales every image to one size and writes the copies "
                                 "into a dated folder in your Pictures folder. The originals are "
                                 "never changed."));
    ui_->openButton->setText(localized("Open Images…"));
    ui_->preferencesButton->setText(localized("Preferences…"));
    ui_->aboutButton->setText(localized("About Sardoxa"));
    ui_->quitButton->setText(localized("Quit"));

    connect(ui_->openButton, &QPushButton::clicked, this,
            &ZAVWelcomeWindowController::openImagesClicked);
    connect(ui_->aboutButton, &QPushButton::clicked, this,
            &ZAVWelcomeWindowController::aboutClicked);
    connect(ui_->quitButton, &QPushButton::clicked, this, &ZAVWelcomeWindowController::quitClicked);
    connect(ui_->preferencesButton, &QPushButton::clicked, this,
            &ZAVWelcomeWindowController::preferencesClicked);
    ui_->removeLocationBox->setText(choiceTitle(Choice::removeLocation));
    connect(ui_->removeLocationBox, &QCheckBox::toggled, this,
            [this](bool on) { Q_EMIT choiceToggled(Choice::removeLocation, on); });

    auto *openAction = new QAction(window_.get());
    openAction->setShortcut(QKeySequence::Open);
    connect(openAction, &QAction::triggered, this, &ZAVWelcomeWindowController::openImagesClicked);
    auto *quitAction = new QAction(window_.get());
    quitAction->setShortcut(QKeySequence::Quit);
    connect(quitAction, &QAction::triggered, this, &ZAVWelcomeWindowController::quitClicked);
    auto *preferencesAction = new QAction(window_.get());
    preferencesAction->setShortcuts(preferencesShortcuts());
    connect(preferencesAction, &QAction::triggered, this,
            &ZAVWelcomeWindowController::preferencesClicked);
    window_->addActions({openAction, preferencesAction, quitAction});

    window_->installEventFilter(this);
    for (QPushButton *button :
         {ui_->openButton, ui_->preferencesButton, ui_->aboutButton, ui_->quitButton})
        button->installEventFilter(this);
}

void ZAVWelcomeWindowController::showChoice(Choice choice, bool on) {
    if (choice != Choice::removeLocation)
        return;
    window();
    const QSignalBlocker quiet(ui_->removeLocationBox);
    ui_->removeLocationBox->setChecked(on);
}

void ZAVWelcomeWindowController::close() {
    if (window_)
        window_->hide();
}

bool ZAVWelcomeWindowController::eventFilter(QObject *watched, QEvent *event) {
    // Return and Enter press the focused button, as Space does; outside a dialog Qt leaves them.
    if (auto *button = qobject_cast<QPushButton *>(watched)) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        button->animateClick();
        return true;
    }
    if (watched != window_.get())
        return false;
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto *drag = static_cast<QDragEnterEvent *>(event);
        if (localPathsOf(drag->mimeData()->urls()).isEmpty())
            return false;
        drag->acceptProposedAction();
        showAsDropTarget(ui_->dropArea, true);
        return true;
    }
    case QEvent::DragLeave:
        showAsDropTarget(ui_->dropArea, false);
        return false;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        showAsDropTarget(ui_->dropArea, false);
        const QStringList paths = localPathsOf(drop->mimeData()->urls());
        if (paths.isEmpty())
            return false;
        drop->acceptProposedAction();
        Q_EMIT pathsDropped(paths);
        return true;
    }
    default:
        return false;
    }
}

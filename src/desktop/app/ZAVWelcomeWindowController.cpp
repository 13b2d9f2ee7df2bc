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
    ui_->aboutButton->setText(localized("About Sardoxa"));
    ui_->quitButton->setText(localized("Quit"));

    connect(ui_->openButton, &QPushButton::clicked, this,
            &ZAVWelcomeWindowController::openImagesClicked);
    connect(ui_->aboutButton, &QPushButton::clicked, this,
            &ZAVWelcomeWindowController::aboutClicked);
    connect(ui_->quitButton, &QPushButton::clicked, this, &ZAVWelcomeWindowController::quitClicked);
    for (int index = 0; index < choiceCount; ++index) {
        const auto choice = Choice(index);
        QCheckBox *box = boxOf(choice);
        if (!box)
            continue;
        box->setText(choiceTitle(choice));
        connect(box, &QCheckBox::toggled, this,
                [this, choice](bool on) { Q_EMIT choiceToggled(choice, on); });
    }

    auto *openAction = new QAction(window_.get());
    openAction->setShortcut(QKeySequence::Open);
    connect(openAction, &QAction::triggered, this, &ZAVWelcomeWindowController::openImagesClicked);
    auto *quitAction = new QAction(window_.get());
    quitAction->setShortcut(QKeySequence::Quit);
    connect(quitAction, &QAction::triggered, this, &ZAVWelcomeWindowController::quitClicked);
    window_->addActions({openAction, quitAction});

    window_->installEventFilter(this);
    for (QPushButton *button : {ui_->openButton, ui_->aboutButton, ui_->quitButton})
        button->installEventFilter(this);
}

QCheckBox *ZAVWelcomeWindowController::boxOf(Choice choice) const {
    switch (choice) {
    case Choice::removeLocation:
        return ui_->removeLocationBox;
    case Choice::keepFolders:
        return ui_->keepFoldersBox;
    case Choice::skipExisting:
        return ui_->skipExistingBox;
    case Choice::noEnlarge:
        break;
    }
    return nullptr;
}

void ZAVWelcomeWindowController::showChoice(Choice choice, bool on) {
    window();
    QCheckBox *box = boxOf(choice);
    if (!box)
        return;
    const QSignalBlocker quiet(box);
    box->setChecked(on);
    // Images are passed over only where their copies' names stay the same from run to run.
    if (choice == Choice::keepFolders)
        ui_->skipExistingBox->setEnabled(on);
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

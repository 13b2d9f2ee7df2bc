#include "core/platform/MainQueue.h"
#include "core/sizing/PanelLayout.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/sizing/ZAVButton.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "DelegateFixture.h"

namespace {

class SizePicker : public DelegateTest {
protected:
    SizePicker()
        : DelegateTest(true) {
        delegate.welcomeWindowController.reset();
        registerJob(key, {}); // no images: once it has a size it starts and ends at once
    }

    QStringList presets() { return delegate.presets().value_or(QStringList()); }
    ZAVSizePickerWindowController &picker() { return *delegate.sizeWindowController; }
    QList<ZAVButton *> buttons() { return picker().view()->findChildren<ZAVButton *>(); }
    QLabel *hint() { return picker().window()->findChild<QLabel *>("hint"); }
    // Whether the job ran: being empty, it ends at once and says so.
    bool jobStarted() {
        delegate.waitForHandOffs();
        platform.mainQueue().drain();
        return platform.shown.contains("ended No image was resized | ");
    }

    const QString key = QStringLiteral("/job");
};

// The size picker's height and its buttons' places at the moment it is first shown.
class FirstFrame : public QObject {
public:
    FirstFrame() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (auto *window = qobject_cast<ZAVSizePickerWindow *>(watched);
            window && event->type() == QEvent::Show) {
            height = window->height();
            buttons.clear();
            for (const ZAVButton *button : window->findChildren<ZAVButton *>())
                buttons.append(button->geometry());
        }
        return false;
    }
    int height = -1;
    QList<QRect> buttons;
};

} // namespace

TEST_F(SizePicker, OpensOncePerJobRefusesWhileShownAndEscapeChoosesNothing) {
    ASSERT_TRUE(delegate.shouldChooseSize(key, delegate.presets()));
    ZAVSizePickerWindow *first = picker().window();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->focusWidget(), picker().widthField());

    EXPECT_FALSE(delegate.shouldChooseSize(QStringLiteral("/other"), delegate.presets()));
    EXPECT_EQ(picker().key, key);

    // Escape closes it without choosing a size.
    QApplication::setActiveWindow(first);
    picker().heightField()->setFocus();
    picker().heightField()->setText("150");
    QTest::keyClick(picker().heightField(), Qt::Key_Escape);
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(jobStarted());
    EXPECT_EQ(presets(), QStringList{});

    ASSERT_TRUE(delegate.shouldChooseSize(QStringLiteral("/other"), delegate.presets()));
    EXPECT_EQ(picker().key, "/other");
    EXPECT_TRUE(picker().widthField()->text().isEmpty());
}

TEST_F(SizePicker, ItsFirstFrameHasTheHeightAndButtonsOfItsPresets) {
    FirstFrame first;
    for (const int count : {0, 3, 11}) {
        SCOPED_TRACE(count);
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("{%1, -1}").arg(100 + i);
        writePresets(list);
        if (delegate.sizeWindowController)
            picker().close();
        if (!delegate.shouldChooseSize(key, delegate.presets())) {
            ADD_FAILURE() << "no size picker";
            continue;
        }
        const int height = panelHeight(count);
        EXPECT_EQ(first.height, height);
        EXPECT_EQ(picker().view()->height(), height);
        EXPECT_EQ(buttons().size(), count);
        for (ZAVButton *button : buttons()) {
            const int index = int(button->theSize.width) - 100;
            const QRect frame = fromBottom(presetButtonFrameFromBottom(index), height);
            EXPECT_EQ(button->geometry(), frame);
            EXPECT_TRUE(first.buttons.contains(frame));
            EXPECT_EQ(button->text(), QStringLiteral("%1 x *").arg(100 + index));
        }
    }
}

TEST_F(SizePicker, PresetsLookAndReactLikeButtonsKeepTheStartOfALongTitleAndSayWhyNot) {
    writePresets({"{1234567, 123}", "{640, 480}", "{99999, -1}", "{99999, 99999}"});
    ASSERT_TRUE(delegate.shouldChooseSize(key, delegate.presets()));
    QApplication::setActiveWindow(picker().window());
    QHash<QString, ZAVButton *> byTitle;
    for (ZAVButton *button : buttons())
        byTitle.insert(presetTitle(button->theSize), button);
    ZAVButton *plain = byTitle.value("640 x 480");
    ZAVButton *longest = byTitle.value("1234567 x 123");
    ZAVButton *tooLarge = byTitle.value("99999 x 99999");
    ASSERT_TRUE(plain && longest && tooLarge);
    EXPECT_EQ(plain->text(), "640 x 480");
    EXPECT_TRUE(plain->toolTip().isEmpty());
    EXPECT_TRUE(longest->text().startsWith("1234")) << longest->text().toStdString();
    EXPECT_TRUE(longest->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(longest->toolTip(), "1234567 x 123");
    EXPECT_FALSE(tooLarge->isEnabled()); // saved before such sizes were refused
    EXPECT_TRUE(tooLarge->toolTip().startsWith("Too large"));
    EXPECT_TRUE(byTitle.value("99999 x *")->isEnabled());

    const QImage normal = plain->grab().toImage();
    EXPECT_NE(normal.pixelColor(1, normal.height() / 2), QColor(Qt::white)); // it has a body
    // The pointer over it, as the window system reports it.
    plain->setAttribute(Qt::WA_UnderMouse, true);
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 25), plain->mapToGlobal(QPointF(100, 25)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(plain, &move);
    const QImage hovered = plain->grab().toImage();
    plain->setDown(true);
    const QImage pressed = plain->grab().toImage();
    plain->setDown(false);
    plain->setAttribute(Qt::WA_UnderMouse, false);
    plain->setFocus();
    const QImage focused = plain->grab().toImage();
    EXPECT_NE(hovered, normal);
    EXPECT_NE(pressed, hovered);
    EXPECT_NE(focused, normal);
}

TEST_F(SizePicker, NoSizeOrOneThatWritesNothingStaysWithItsReason) {
    ASSERT_TRUE(delegate.shouldChooseSize(key, delegate.presets()));
    QApplication::setActiveWindow(picker().window());
    const QString explanation = hint()->text();
    QLineEdit *width = picker().widthField();
    QLineEdit *height = picker().heightField();
    const struct {
        const char *width, *height, *reason;
    } cases[] = {
        {"", "", "Type a width"},        {"abc", "", "Type a width"}, {"0", "-5", "Type a width"},
        {"99999", "99999", "Too large"}, {"0.2", "", "Too small"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        width->setText(c.width);
        height->setText(c.height);
        height->setFocus();
        QTest::keyClick(height, Qt::Key_Return);
        EXPECT_TRUE(hint()->text().startsWith(c.reason)) << hint()->text().toStdString();
        EXPECT_TRUE(picker().window()->isVisible());
    }
    EXPECT_FALSE(jobStarted());
    EXPECT_EQ(presets(), QStringList{});
    QTest::keyClick(width, Qt::Key_1); // a changed size is explained again
    EXPECT_EQ(hint()->text(), explanation);
}

TEST_F(SizePicker, FilesDroppedOnItAreARequestRefusedWhileItIsOpen) {
    ASSERT_TRUE(delegate.shouldChooseSize(key, delegate.presets()));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(image("dropped.png"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picker().window(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picker().window(), &drop);
    ASSERT_TRUE(waitFor([this] {
        platform.mainQueue().drain();
        return !platform.shown.isEmpty();
    }));
    EXPECT_EQ(platform.shown, failureAlert(busyMessage));
    EXPECT_EQ(picker().key, key);
    EXPECT_TRUE(picker().window()->isVisible());
}

TEST_F(SizePicker, OnlyFinishingTheHeightSubmitsAndTheJobStartsOnAWorkerOnce) {
    ASSERT_TRUE(delegate.shouldChooseSize(key, delegate.presets()));
    QApplication::setActiveWindow(picker().window());
    QLineEdit *width = picker().widthField();
    QLineEdit *height = picker().heightField();

    width->setText("300");
    height->clear();
    width->setFocus();
    QTest::keyClick(width, Qt::Key_Tab); // finishing the width only moves on
    EXPECT_FALSE(jobStarted());
    EXPECT_TRUE(picker().window()->isVisible());

    width->clear();
    height->setText("150");
    QTest::keyClick(height, Qt::Key_Tab);
    EXPECT_FALSE(picker().window()->isVisible()); // at once, before the job starts on a worker
    ASSERT_TRUE(jobStarted());
    EXPECT_EQ(presets(), QStringList{"{-1, 150}"});
    picker().resize(); // one hand-off per opening
    delegate.waitForHandOffs();
    EXPECT_EQ(presets(), QStringList{"{-1, 150}"});
}

TEST_F(SizePicker, TabReachesEveryControlAndAPresetStartsItsJobAtOnce) {
    writePresets({"{640, 480}", "{800, -1}", "{-1, 300}"});
    ASSERT_TRUE(delegate.shouldChooseSize(key, delegate.presets()));
    QApplication::setActiveWindow(picker().window());
    picker().widthField()->setFocus();
    QList<QWidget *> reached{QApplication::focusWidget()};
    for (int step = 0; step < 10; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == reached.first())
            break;
        reached.append(QApplication::focusWidget());
    }
    // Width, height, Resize, and the three presets: no stop where typing would go nowhere.
    ASSERT_EQ(reached.size(), 6);
    EXPECT_EQ(reached[1], picker().heightField());
    EXPECT_TRUE(qobject_cast<QPushButton *>(reached[2]));
    for (int i = 3; i < 6; ++i)
        EXPECT_TRUE(qobject_cast<ZAVButton *>(reached[i])) << i;

    // A preset starts its job at once, on the main thread, and leaves the presets as they were.
    QTest::keyClick(reached[4], Qt::Key_Return);
    EXPECT_TRUE(jobStarted());
    EXPECT_FALSE(picker().window()->isVisible());
    EXPECT_EQ(presets(), (QStringList{"{640, 480}", "{800, -1}", "{-1, 300}"}));
}

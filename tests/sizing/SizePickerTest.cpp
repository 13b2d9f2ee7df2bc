#include "core/platform/MainQueue.h"
#include "core/sizing/PanelLayout.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/sizing/ZAVButton.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "Fixture.h"

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
    // Lets the panel's animation end.
    void settle() {
        if (auto *animation = picker().window()->findChild<QAbstractAnimation *>())
            QSignalSpy(animation, &QAbstractAnimation::finished).wait(5000);
    }
    // Whether the job ran: being empty, it ends at once and says so.
    bool jobStarted() {
        delegate.waitForHandOffs();
        platform.mainQueue().drain();
        return platform.shown.contains("ended No image was resized | ");
    }

    const QString key = QStringLiteral("/job");
};

} // namespace

TEST_F(SizePicker, OpensOncePerJobRefusesWhileShownAndEscapeChoosesNothing) {
    ASSERT_TRUE(delegate.shouldChooseSize(key));
    ZAVSizePickerWindow *first = picker().window();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->focusWidget(), picker().widthField());

    EXPECT_FALSE(delegate.shouldChooseSize(QStringLiteral("/other")));
    EXPECT_EQ(picker().key, key);

    // Escape closes it without choosing a size.
    QApplication::setActiveWindow(first);
    picker().heightField()->setFocus();
    picker().heightField()->setText("150");
    QTest::keyClick(picker().heightField(), Qt::Key_Escape);
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(jobStarted());
    EXPECT_EQ(presets(), QStringList{});

    ASSERT_TRUE(delegate.shouldChooseSize(QStringLiteral("/other")));
    EXPECT_EQ(picker().key, "/other");
    EXPECT_TRUE(picker().widthField()->text().isEmpty());
}

TEST_F(SizePicker, TheHeightAndButtonsFollowThePresets) {
    for (const int count : {0, 3, 11}) {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("{%1, -1}").arg(100 + i);
        writePresets(list);
        if (delegate.sizeWindowController)
            picker().close();
        ASSERT_TRUE(delegate.shouldChooseSize(key));
        settle();

        const int height = panelHeight(count);
        EXPECT_EQ(picker().view()->height(), height) << count;
        ASSERT_EQ(buttons().size(), count);
        for (ZAVButton *button : buttons()) {
            const int index = int(button->theSize.width) - 100;
            EXPECT_EQ(button->geometry(), fromBottom(presetButtonFrameFromBottom(index), height));
            EXPECT_EQ(button->text(), QStringLiteral("%1 x *").arg(100 + index));
        }
    }
}

TEST_F(SizePicker, OnlyFinishingTheHeightSubmitsAndTheJobStartsOnAWorkerOnce) {
    ASSERT_TRUE(delegate.shouldChooseSize(key));
    QApplication::setActiveWindow(picker().window());
    QLineEdit *width = picker().widthField();
    QLineEdit *height = picker().heightField();

    width->setText("0");
    height->setText("-5");
    QTest::keyClick(height, Qt::Key_Return); // neither side positive: nothing happens
    EXPECT_TRUE(picker().window()->isVisible());

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
    ASSERT_TRUE(delegate.shouldChooseSize(key));
    settle();
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
        ASSERT_TRUE(qobject_cast<ZAVButton *>(reached[i])) << i;

    // A preset starts its job at once, on the main thread, and leaves the presets as they were.
    QTest::keyClick(reached[4], Qt::Key_Return);
    EXPECT_TRUE(jobStarted());
    EXPECT_FALSE(picker().window()->isVisible());
    EXPECT_EQ(presets(), (QStringList{"{640, 480}", "{800, -1}", "{-1, 300}"}));
}

#include "core/app/Localized.h"
#include "core/platform/FakePlatform.h"
#include "desktop/app/AppPresence.h"
#include "desktop/app/ZAVAppDelegate.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/preferences/PreferencesDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include "TempHome.h"

namespace {

// The Preferences window of `delegate` as a user sees it.
struct Window {
    explicit Window(ZAVAppDelegate &delegate)
        : dialog(delegate.preferencesDialog.get()) {}
    QComboBox *type() const { return dialog->findChild<QComboBox *>("typeBox"); }
    QSpinBox *quality() const { return dialog->findChild<QSpinBox *>("qualityBox"); }
    QCheckBox *lossless() const { return dialog->findChild<QCheckBox *>("losslessBox"); }
    bool noteShown() const { return dialog->findChild<QLabel *>("flattenNote")->isVisible(); }
    QCheckBox *box(Choice choice) const {
        for (QCheckBox *box : dialog->findChildren<QCheckBox *>())
            if (box->text() == choiceTitle(choice))
                return box;
        return nullptr;
    }
    void press(QDialogButtonBox::StandardButton button) const {
        dialog->findChild<QDialogButtonBox *>()->button(button)->click();
    }
    PreferencesDialog *dialog;
};

QAction *actionTitled(const QMenu *menu, const QString &title) {
    for (QAction *action : menu->actions())
        if (action->text() == title)
            return action;
    return nullptr;
}

} // namespace

TEST(Preferences, OneWindowOpensFromTheWelcomeWindowTheTrayAndItsShortcut) {
    TempHome home;
    FakePlatform platform;
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    QSystemTrayIcon tray; // offscreen there is no tray to show it, but its menu is there
    AppPresence presence(delegate, &tray);
    QWidget *welcome = delegate.welcomeWindowController->window();
    // The tray keeps the one choice at hand; the others are in the window alone.
    EXPECT_TRUE(actionTitled(tray.contextMenu(), choiceTitle(Choice::removeLocation)));
    EXPECT_FALSE(actionTitled(tray.contextMenu(), choiceTitle(Choice::keepFolders)));
    EXPECT_FALSE(actionTitled(tray.contextMenu(), choiceTitle(Choice::skipExisting)));

    const struct {
        const char *name;
        std::function<void()> open;
    } ways[] = {
        {"welcome button",
         [&] { welcome->findChild<QPushButton *>("preferencesButton")->click(); }},
        {"tray menu",
         [&] { actionTitled(tray.contextMenu(), localized("Preferences…"))->trigger(); }},
        {"shortcut",
         [&] {
             QApplication::setActiveWindow(welcome);
             QTest::keyClick(welcome, Qt::Key_Comma, Qt::ControlModifier);
         }},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.name);
        for (int again = 0; again < 2; ++again) { // asking again raises the open window
            way.open();
            ASSERT_TRUE(delegate.preferencesDialog);
            EXPECT_TRUE(delegate.preferencesDialog->isVisible());
            const QWidgetList windows = QApplication::topLevelWidgets();
            EXPECT_EQ(std::count_if(windows.cbegin(), windows.cend(),
                                    [](QWidget *window) {
                                        return qobject_cast<PreferencesDialog *>(window);
                                    }),
                      1);
        }
        // A choice made in the welcome window while it is open shows there at once.
        welcome->findChild<QCheckBox *>("removeLocationBox")->click();
        EXPECT_EQ(Window(delegate).box(Choice::removeLocation)->isChecked(),
                  delegate.chooses(Choice::removeLocation));
        QTest::keyClick(delegate.preferencesDialog.get(), Qt::Key_Escape);
        EXPECT_FALSE(delegate.preferencesDialog->isVisible());
    }
}

TEST(Preferences, WhatOkStoresIsShownOnTheNextLaunchAndCancelStoresNothing) {
    TempHome home;
    FakePlatform platform;
    const struct {
        const char *name;
        FileType type;
        int quality; // typed in, or none
        bool lossless;
        bool keepFolders;
        // As the window shows it then: the quality (the kind's default unless typed) and what
        // can be changed.
        int shownQuality;
        bool qualityEnabled, losslessEnabled, skipEnabled, noteShown;
        CopyFormat stored;
    } cases[] = {
        {"jpeg, default",
         FileType::jpeg,
         0,
         false,
         true,
         85,
         true,
         false,
         true,
         true,
         {FileType::jpeg, 0, false}},
        {"jpeg, typed",
         FileType::jpeg,
         60,
         false,
         false,
         60,
         true,
         false,
         false,
         true,
         {FileType::jpeg, 60, false}},
        {"png", FileType::png, 0, false, true, 0, false, false, true, false, {FileType::png}},
        {"webp, typed",
         FileType::webp,
         90,
         false,
         true,
         90,
         true,
         true,
         true,
         false,
         {FileType::webp, 90, false}},
        {"avif, lossless",
         FileType::avif,
         0,
         true,
         false,
         50,
         false,
         true,
         false,
         false,
         {FileType::avif, 0, true}},
        {"tiff", FileType::tiff, 0, false, false, 0, false, false, false, false, {}},
    };
    bool on = false;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        on = !on; // every choice turns at each row
        {
            ZAVAppDelegate delegate(platform);
            delegate.applicationDidFinishLaunching();
            delegate.preferences();
            const Window window(delegate);
            window.type()->setCurrentIndex(int(c.type));
            if (c.quality)
                window.quality()->setValue(c.quality);
            window.lossless()->setChecked(c.lossless);
            for (int index = 0; index < choiceCount; ++index)
                window.box(Choice(index))->setChecked(on);
            window.box(Choice::keepFolders)->setChecked(c.keepFolders);
            EXPECT_EQ(window.quality()->value(), c.shownQuality);
            EXPECT_EQ(window.quality()->isEnabled(), c.qualityEnabled);
            EXPECT_EQ(window.lossless()->isEnabled(), c.losslessEnabled);
            EXPECT_EQ(window.box(Choice::skipExisting)->isEnabled(), c.skipEnabled);
            EXPECT_EQ(window.noteShown(), c.noteShown);
            window.press(QDialogButtonBox::Ok);
            EXPECT_FALSE(window.dialog->isVisible());
            EXPECT_EQ(delegate.batch->copyFormat(), c.stored);
        }
        const QSettings stored(platform.preferencesFile(), QSettings::IniFormat);
        EXPECT_EQ(stored.value("SXFormat").toString(), fileTypeName(c.stored.type));
        EXPECT_EQ(stored.value("SXQuality").toInt(), c.stored.quality);
        EXPECT_EQ(stored.value("SXLossless").toBool(), c.stored.lossless);
        EXPECT_EQ(stored.value("SXRemoveLocation").toBool(), on);
        EXPECT_EQ(stored.value("SXKeepFolders").toBool(), c.keepFolders);
        EXPECT_EQ(stored.value("SXNoEnlarge").toBool(), on);

        // The next launch shows what was stored; what Cancel or Escape leaves is never kept.
        const auto contents = [&] {
            QFile file(platform.preferencesFile());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = contents();
        ZAVAppDelegate delegate(platform);
        delegate.applicationDidFinishLaunching();
        for (const bool escape : {false, true}) {
            delegate.preferences();
            const Window window(delegate);
            EXPECT_EQ(window.type()->currentIndex(), int(c.type));
            EXPECT_EQ(window.quality()->value(), c.shownQuality);
            EXPECT_EQ(window.lossless()->isChecked(), c.stored.lossless);
            for (int index = 0; index < choiceCount; ++index)
                EXPECT_EQ(window.box(Choice(index))->isChecked(),
                          Choice(index) == Choice::keepFolders ? c.keepFolders : on);
            window.type()->setCurrentIndex((int(c.type) + 1) % fileTypeCount);
            window.box(Choice::removeLocation)->click();
            if (escape)
                QTest::keyClick(window.dialog, Qt::Key_Escape);
            else
                window.press(QDialogButtonBox::Cancel);
            EXPECT_FALSE(window.dialog->isVisible());
        }
        EXPECT_EQ(delegate.batch->copyFormat(), c.stored);
        EXPECT_EQ(delegate.chooses(Choice::removeLocation), on);
        EXPECT_EQ(contents(), before);
    }
}

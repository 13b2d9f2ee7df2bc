#include "desktop/about/daskel/ZAVCore.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include "DelegateFixture.h"

namespace {

// The framework, counted; it builds the real window unless told to give none.
class CountingCore : public ZAVCore {
public:
    std::unique_ptr<ZAVWindowController>
    setupAboutWindowController(const QVariantMap &about) override {
        ++setupCalls;
        lastAbout = about;
        return giveNone ? nullptr : ZAVCore::setupAboutWindowController(about);
    }

    int setupCalls = 0;
    bool giveNone = false;
    QVariantMap lastAbout;
};

class About : public DelegateTest {
protected:
    About()
        : DelegateTest(true) {
        auto counting = std::make_unique<CountingCore>();
        core = counting.get();
        delegate.core = std::move(counting);
    }

    CountingCore *core;
};

} // namespace

TEST_F(About, IsBuiltOnceShownAgainAfterClosingAndLeftAloneWhileShown) {
    core->giveNone = true; // a framework that gives no window is asked again next time
    delegate.about();
    EXPECT_FALSE(delegate.aboutWindowController);
    core->giveNone = false;
    delegate.about();
    EXPECT_EQ(core->setupCalls, 2);
    EXPECT_EQ(core->lastAbout.value("AppName"), "Sardoxa");
    EXPECT_EQ(core->lastAbout.value("AppVersion"), SARDOXA_VERSION);
    // Both links lead to a file the project ships; here, the README of the source tree.
    const QUrl support(core->lastAbout.value("ActionValue1").toString());
    const QUrl website(core->lastAbout.value("ActionValue2").toString());
    EXPECT_TRUE(QFileInfo(support.toLocalFile()).isFile()) << support.toString().toStdString();
    EXPECT_EQ(support.fragment(), "feedback-and-support");
    EXPECT_EQ(website.toLocalFile(), support.toLocalFile());
    EXPECT_EQ(core->lastAbout.value("AppCopyright").toString().count('\n'), 1);
    EXPECT_TRUE(core->lastAbout.value("AppLogoImageData").toByteArray().startsWith("II*")); // TIFF
    ASSERT_TRUE(delegate.aboutWindowController);
    QWidget *window = delegate.aboutWindowController->window();
    EXPECT_TRUE(window->isVisible());
    // Centred on its screen, give or take half of the window's frame.
    const QPoint offCentre =
        window->geometry().center() - window->screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 6) << offCentre.x() << ", " << offCentre.y();
    EXPECT_EQ(window->windowTitle(), core->lastAbout.value("WindowTitle"));
    QStringList texts;
    for (const QLabel *label : window->findChildren<QLabel *>())
        texts << label->text();
    for (const char *key : {"AppName", "AppVersion", "AppCopyright"})
        EXPECT_TRUE(texts.contains(core->lastAbout.value(key).toString())) << key;
    EXPECT_TRUE(texts.contains("Language: English")); // not a lone word
    // Where there is no web page, the buttons say they open the README, and which file.
    QStringList buttons, tips;
    for (const QPushButton *button : window->findChildren<QPushButton *>())
        buttons << button->text(), tips << button->toolTip();
    EXPECT_EQ(buttons,
              (QStringList{"Feedback && Support in the README", "Open the README"})); // no shortcut
    EXPECT_EQ(tips, (QStringList{support.toLocalFile(), website.toLocalFile()}));
    // The framework needs every entry, and a logo it can read.
    for (const auto &[key, value] : {std::pair<QString, QVariant>{"ActionValue2", {}},
                                     {"AppLogoImageData", QByteArray("not an image")}}) {
        QVariantMap broken = core->lastAbout;
        if (value.isValid())
            broken.insert(key, value);
        else
            broken.remove(key);
        EXPECT_FALSE(ZAVCore().setupAboutWindowController(broken)) << key.toStdString();
    }

    window->move(10, 10);
    delegate.about(); // shown already: nothing at all
    EXPECT_EQ(core->setupCalls, 2);
    EXPECT_EQ(window->pos(), QPoint(10, 10));

    window->close();
    delegate.about();
    EXPECT_EQ(delegate.aboutWindowController->window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(10, 10)); // where it was left
    EXPECT_EQ(core->setupCalls, 2);
}

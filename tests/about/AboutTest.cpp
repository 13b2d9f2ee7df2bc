#include "desktop/about/daskel/ZAVCore.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include "Fixture.h"

namespace {

// The framework, counted; it builds the real window unless told to give none.
class CountingCore : public ZAVCore {
public:
    QString appVersion() override {
        ++versionCalls;
        return ZAVCore::appVersion();
    }
    std::unique_ptr<ZAVWindowController>
    setupAboutWindowController(const QVariantMap &about) override {
        ++setupCalls;
        lastAbout = about;
        return giveNone ? nullptr : ZAVCore::setupAboutWindowController(about);
    }

    int versionCalls = 0;
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
    EXPECT_EQ(core->versionCalls, 2);
    EXPECT_EQ(core->setupCalls, 2);
    EXPECT_EQ(
        core->lastAbout.keys(),
        (QStringList{"ActionTitle1", "ActionTitle2", "ActionValue1", "ActionValue2", "AppCopyright",
                     "AppLogoImageData", "AppName", "AppVersion", "LanguageTitle", "WindowTitle"}));
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

    window->move(10, 10);
    delegate.about(); // shown already: nothing at all
    EXPECT_EQ(core->setupCalls, 2);
    EXPECT_EQ(window->pos(), QPoint(10, 10));

    window->close();
    delegate.about();
    EXPECT_EQ(delegate.aboutWindowController->window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(core->setupCalls, 2);
}

TEST(ZAVCore, BuildsTheWindowFromTheDictionaryAndNeedsEveryEntry) {
    ZAVCore core;
    QImage logo(64, 64, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    logo.save(&buffer, "PNG");
    QVariantMap about{{"WindowTitle", "About It"},
                      {"AppLogoImageData", png},
                      {"AppName", "It"},
                      {"AppVersion", "1.2.3"},
                      {"AppCopyright", "First\nSecond"},
                      {"LanguageTitle", "English"},
                      {"ActionTitle1", "Help & Support"},
                      {"ActionValue1", "https://example.org/support"},
                      {"ActionTitle2", "Site"},
                      {"ActionValue2", "https://example.org/it"}};
    const std::unique_ptr<ZAVWindowController> controller = core.setupAboutWindowController(about);
    ASSERT_TRUE(controller);
    QWidget *window = controller->window();
    EXPECT_EQ(window->windowTitle(), "About It");
    EXPECT_FALSE(window->isVisible());
    QStringList texts;
    for (const QLabel *label : window->findChildren<QLabel *>())
        texts << label->text();
    for (const char *text : {"It", "1.2.3", "First\nSecond", "English"})
        EXPECT_TRUE(texts.contains(text)) << text;
    QStringList buttons;
    for (const QPushButton *button : window->findChildren<QPushButton *>())
        buttons << button->text();
    EXPECT_EQ(buttons, (QStringList{"Help && Support", "Site"}));

    about.remove("ActionValue2");
    EXPECT_FALSE(core.setupAboutWindowController(about));
    about.insert("ActionValue2", "https://example.org/it");
    about.insert("AppLogoImageData", QByteArray("not an image"));
    EXPECT_FALSE(core.setupAboutWindowController(about));
}

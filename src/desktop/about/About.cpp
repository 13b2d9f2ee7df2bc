#include "desktop/app/ZAVAppDelegate.h"

#include "core/app/Localized.h"
#include "core/platform/Platform.h"
#include "desktop/about/daskel/ZAVCore.h"
#include "desktop/app/AppIcon.h"

void ZAVAppDelegate::about() {
    if (!platform.hasWindows())
        return;
    if (!aboutWindowController) {
        QVariantMap about;
        about.insert(QStringLiteral("LanguageTitle"), localized("English"));
        about.insert(QStringLiteral("WindowTitle"), localized("About Sardoxa"));
        about.insert(QStringLiteral("AppLogoImageData"), appIconTiff());
        about.insert(QStringLiteral("AppName"), localized("Sardoxa"));
        about.insert(QStringLiteral("AppVersion"), core->appVersion());
        about.insert(QStringLiteral("AppCopyright"),
                     localized("Copyright © 2026 The Sardoxa developers.\nAll rights reserved."));
        about.insert(QStringLiteral("ActionTitle1"), localized("Feedback & Support"));
        about.insert(QStringLiteral("ActionValue1"),
                     QStringLiteral("https://sardoxa.example.org/support"));
        about.insert(QStringLiteral("ActionTitle2"), localized("Visit Website"));
        about.insert(QStringLiteral("ActionValue2"),
                     QStringLiteral("https://sardoxa.example.org/sardoxa"));
        aboutWindowController = core->setupAboutWindowController(about);
    }
    if (aboutWindowController && !aboutWindowController->window()->isVisible())
        aboutWindowController->showWindow();
}

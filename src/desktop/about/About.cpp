#include "desktop/app/ZAVAppDelegate.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include "core/app/Localized.h"
#include "core/platform/Platform.h"
#include "desktop/about/daskel/ZAVCore.h"
#include "desktop/app/AppIcon.h"

namespace {

// The README installed beside the program, or the one of the tree it was built from; nothing
// when neither is there.
QUrl readmeUrl() {
    QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                          QStringLiteral("doc/sardoxa/README.md"));
    if (path.isEmpty() && QFileInfo::exists(QStringLiteral(SARDOXA_SOURCE_README)))
        path = QStringLiteral(SARDOXA_SOURCE_README);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

} // namespace

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
        // Sardoxa has no web pages of its own: both actions lead to the README it ships, and
        // say so, rather than promise a website.
        const QUrl readme = readmeUrl();
        about.insert(QStringLiteral("ActionTitle1"),
                     readme.isEmpty() ? localized("Feedback & Support")
                                      : localized("Feedback & Support in the README"));
        about.insert(QStringLiteral("ActionValue1"),
                     readme.isEmpty()
                         ? QString()
                         : readme.toString() + QStringLiteral("#feedback-and-support"));
        about.insert(QStringLiteral("ActionTitle2"),
                     readme.isEmpty() ? localized("Visit Website") : localized("Open the README"));
        about.insert(QStringLiteral("ActionValue2"), readme.toString());
        aboutWindowController = core->setupAboutWindowController(about);
    }
    if (aboutWindowController && !aboutWindowController->window()->isVisible())
        aboutWindowController->showWindow();
}

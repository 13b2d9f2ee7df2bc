#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

#include "desktop/about/daskel/ZAVWindowController.h"

// The maker's framework: the version of the application and its About window, built from a
// dictionary of texts, a logo and two links.
class ZAVCore {
public:
    virtual ~ZAVCore() = default;

    // The application's version, as the build gives it.
    virtual QString appVersion();

    // A controller for the About window described by `about`, not yet shown; nothing when an
    // entry the window needs is missing or the logo cannot be read. The entries: "WindowTitle",
    // "AppLogoImageData" (image bytes), "AppName", "AppVersion", "AppCopyright" (two lines),
    // "LanguageTitle", and two actions, "ActionTitle1"/"ActionValue1" and
    // "ActionTitle2"/"ActionValue2", each a button's title and the URL it opens.
    virtual std::unique_ptr<ZAVWindowController>
    setupAboutWindowController(const QVariantMap &about);
};

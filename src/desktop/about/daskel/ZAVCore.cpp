#include "desktop/about/daskel/ZAVCore.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>
#include <utility>

namespace {

const char *const requiredEntries[] = {
    "WindowTitle",   "AppLogoImageData", "AppName",      "AppVersion",   "AppCopyright",
    "LanguageTitle", "ActionTitle1",     "ActionValue1", "ActionTitle2", "ActionValue2",
};

constexpr int logoSide = 128;

QLabel *label(const QString &text, int pointSize, bool bold = false, const char *colour = nullptr) {
    auto *label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    if (colour)
        label->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
    return label;
}

QPushButton *actionButton(const QString &title, const QUrl &url) {
    // A lone & would mark a mnemonic instead of showing.
    auto *button = new QPushButton(QString(title).replace(QLatin1Char('&'), QStringLiteral("&&")));
    button->setEnabled(url.isValid() && !url.isEmpty());
    if (url.isLocalFile())
        button->setToolTip(url.toLocalFile()); // which file opens, where no page does
    QObject::connect(button, &QPushButton::clicked, [url] {
        // Said once: a desktop without a program for links has none for the next one either.
        static bool told = false;
        if (!QDesktopServices::openUrl(url) && !std::exchange(told, true))
            std::fprintf(stderr, "%s: no program could open %s\n",
                         qPrintable(QCoreApplication::applicationName()),
                         qPrintable(url.toDisplayString()));
    });
    return button;
}

} // namespace

QString ZAVCore::appVersion() {
    return QStringLiteral(DASKEL_APP_VERSION);
}

std::unique_ptr<ZAVWindowController> ZAVCore::setupAboutWindowController(const QVariantMap &about) {
    for (const char *entry : requiredEntries) {
        if (!about.contains(QLatin1String(entry)))
            return nullptr;
    }
    const QImage logo =
        QImage::fromData(about.value(QStringLiteral("AppLogoImageData")).toByteArray());
    if (logo.isNull())
        return nullptr;

    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(about.value(QStringLiteral("WindowTitle")).toString());
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(32, 24, 32, 20);
    layout->setSpacing(6);

    auto *picture = new QLabel;
    picture->setAlignment(Qt::AlignCenter);
    const qreal ratio = window->devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(logo.scaled(QSize(logoSide, logoSide) * ratio,
                                                    Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    picture->setPixmap(pixmap);
    layout->addWidget(picture);
    layout->addWidget(label(about.value(QStringLiteral("AppName")).toString(), 20, true));
    layout->addWidget(label(about.value(QStringLiteral("AppVersion")).toString(), 11));
    layout->addSpacing(8);
    layout->addWidget(
        label(about.value(QStringLiteral("AppCopyright")).toString(), 9, false, "#6b6b6b"));
    // A language's name alone says nothing; named as what it is, in that language.
    layout->addWidget(label(QCoreApplication::translate("Sardoxa", "Language: %1")
                                .arg(about.value(QStringLiteral("LanguageTitle")).toString()),
                            9, false, "#6b6b6b"));
    layout->addSpacing(12);

    auto *actions = new QHBoxLayout;
    actions->addWidget(actionButton(about.value(QStringLiteral("ActionTitle1")).toString(),
                                    QUrl(about.value(QStringLiteral("ActionValue1")).toString())));
    actions->addWidget(actionButton(about.value(QStringLiteral("ActionTitle2")).toString(),
                                    QUrl(about.value(QStringLiteral("ActionValue2")).toString())));
    layout->addLayout(actions);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return std::make_unique<ZAVWindowController>(std::move(window));
}

// The badge reaches docks as com.canonical.Unity.LauncherEntry signals, seen here on a private
// session bus.
#include "core/feedback/TrayCount.h"
#include "desktop/app/AppIcon.h"
#include "desktop/platform/DesktopDockTile.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFontMetricsF>
#include <QImage>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

#include "DelegateFixture.h"

namespace {

class LauncherListener : public QObject {
    Q_OBJECT

public:
    QStringList uris;
    QList<QVariantMap> updates;

public Q_SLOTS:
    void update(const QString &uri, const QVariantMap &properties) {
        uris.append(uri);
        updates.append(properties);
    }
};

} // namespace

TEST(LauncherEntry, TheBadgeAndAttentionReachTheLauncherEntry) {
    const PrivateSessionBus bus;
    QDBusConnection dock = QDBusConnection::connectToBus(bus.address, QStringLiteral("dock"));
    ASSERT_TRUE(dock.isConnected());
    LauncherListener listener;
    ASSERT_TRUE(
        dock.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                     QStringLiteral("Update"), &listener, SLOT(update(QString, QVariantMap))));

    DesktopDockTile tile(QDBusConnection::connectToBus(bus.address, QStringLiteral("tile")),
                         QStringLiteral("sardoxa"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Sardoxa"));
    window.show();
    tile.setBadgeLabel(QStringLiteral("5"));
    tile.setBadgeLabel(QStringLiteral("3/5"));
    // The count goes first: the desktop adds the application's name to a title not ending in it.
    EXPECT_EQ(window.windowTitle(), QStringLiteral("3/5 — Sardoxa"));
    tile.setBadgeLabel(QString());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Sardoxa"));
    tile.requestUserAttention();
    ASSERT_TRUE(waitFor([&] { return listener.updates.size() >= 4; }));

    EXPECT_EQ(listener.uris.constFirst(), QStringLiteral("application://sardoxa.desktop"));
    const auto entry = [](qlonglong count, bool visible, double progress) {
        return QVariantMap{{"count", count},
                           {"count-visible", visible},
                           {"progress", progress},
                           {"progress-visible", visible},
                           {"urgent", false}};
    };
    EXPECT_EQ(listener.updates[0].value("count").metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(listener.updates[0], entry(5, true, 0.0));
    EXPECT_EQ(listener.updates[1], entry(3, true, 0.4));
    EXPECT_EQ(listener.updates[2], entry(0, false, 0.0));
    EXPECT_EQ(listener.updates[3], (QVariantMap{{"urgent", true}}));
}

TEST(TrayIcon, TheCountIsDrawnAtEachSizeAndStaysLegibleAt22Pixels) {
    const QIcon icon = appIcon();
    EXPECT_EQ(icon.availableSizes().size(), 9); // 16 to 512 pixels
    const struct {
        qint64 count;
        const char *shown;
    } cases[] = {{5, "5"},     {42, "42"},   {100, "100"},     {999, "999"},
                 {1000, "1k"}, {9999, "9k"}, {123456, "123k"}, {7654321, "7M"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(trayCountText(c.count), c.shown);
        const CountBadge badge = countBadge(22, c.shown);
        if (c.count < 100000) { // up to three glyphs: at least DejaVu's 7 pixel high digits
            EXPECT_GE(badge.font.pixelSize(), 9);
        }
        EXPECT_LE(QFontMetricsF(badge.font).horizontalAdvance(c.shown), badge.area.width());
        EXPECT_TRUE(QRectF(0, 0, 22, 22).contains(badge.area));
        const QImage counted = iconWithCount(icon, c.count).pixmap(22, 22).toImage();
        EXPECT_EQ(counted.size(), QSize(22, 22));
        EXPECT_NE(counted, icon.pixmap(22, 22).toImage());
        EXPECT_EQ(QColor(counted.pixel(int(badge.area.center().x()), 1)), QColor(0xd9, 0x30, 0x25));
    }
}

TEST(TrayIcon, ItsTooltipSaysHowManyImagesAreLeft) {
    const std::pair<const char *, const char *> cases[] = {
        {"", "Sardoxa"},
        {"200", "200 images left — Sardoxa"},
        {"156/200", "156 of 200 images left — Sardoxa"}, // never read as progress
        {"1", "1 image left — Sardoxa"}};
    for (const auto &[label, tip] : cases)
        EXPECT_EQ(trayToolTip(label), QString::fromUtf8(tip)) << label;
}

#include "LauncherEntryTest.moc"

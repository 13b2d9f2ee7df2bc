// The badge reaches docks as com.canonical.Unity.LauncherEntry signals, seen here on a private
// session bus.
#include "desktop/app/AppIcon.h"
#include "desktop/platform/DesktopDockTile.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QImage>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

#include "Fixture.h"

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

TEST(TrayIcon, IsTheAppIconInEverySizeWithTheCountInARedDisc) {
    const QIcon icon = appIcon();
    EXPECT_EQ(icon.availableSizes().size(), 9); // 16 to 512 pixels
    const QImage counted = iconWithCount(icon, 5).pixmap(64, 64).toImage();
    ASSERT_FALSE(counted.isNull());
    EXPECT_EQ(QColor(counted.pixel(44, 3)), QColor(0xd9, 0x30, 0x25));
    EXPECT_NE(counted, icon.pixmap(64, 64).toImage());
}

#include "LauncherEntryTest.moc"

// The badge reaches docks as com.canonical.Unity.LauncherEntry signals, seen here on a private
// session bus.
#include "desktop/platform/DesktopDockTile.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QProcess>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

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

class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine().trimmed());
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(QStringLiteral("tile"));
        QDBusConnection::disconnectFromBus(QStringLiteral("dock"));
        daemon.kill();
        daemon.waitForFinished();
    }
    bool waitForUpdates(const LauncherListener &listener, int count) {
        const QDeadlineTimer deadline(10000);
        while (listener.updates.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return listener.updates.size() >= count;
    }

    QProcess daemon;
    QString address;
};

} // namespace

TEST_F(PrivateBus, TheBadgeAndAttentionReachTheLauncherEntry) {
    QDBusConnection dock = QDBusConnection::connectToBus(address, QStringLiteral("dock"));
    ASSERT_TRUE(dock.isConnected());
    LauncherListener listener;
    ASSERT_TRUE(
        dock.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                     QStringLiteral("Update"), &listener, SLOT(update(QString, QVariantMap))));

    DesktopDockTile tile(QDBusConnection::connectToBus(address, QStringLiteral("tile")),
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
    ASSERT_TRUE(waitForUpdates(listener, 4));

    EXPECT_EQ(listener.uris.constFirst(), QStringLiteral("application://sardoxa.desktop"));
    const QVariantMap started = listener.updates[0];
    EXPECT_EQ(started.value("count").metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(started.value("count").toLongLong(), 5);
    EXPECT_EQ(started.value("count-visible").toBool(), true);
    EXPECT_EQ(started.value("progress").toDouble(), 0.0);

    const QVariantMap counting = listener.updates[1];
    EXPECT_EQ(counting.value("count").toLongLong(), 3);
    EXPECT_DOUBLE_EQ(counting.value("progress").toDouble(), 0.4);
    EXPECT_EQ(counting.value("urgent").toBool(), false);

    EXPECT_EQ(listener.updates[2].value("count-visible").toBool(), false);
    EXPECT_EQ(listener.updates[2].value("progress-visible").toBool(), false);
    EXPECT_EQ(listener.updates[3], (QVariantMap{{"urgent", true}}));
}

#include "LauncherEntryTest.moc"

// The reminder's desktop notification, sent on a private bus of the test's
// own (a dbus-daemon started for it) to a fake notification server: the
// notification carries the entry's subject and a "Play" action, the action
// plays the entry in its reminder window again, and closing the notice
// takes the notification away.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStringList>
#include <QVariantMap>
#include <QtTest/QTest>

#include "kivo/dbus/desktop_notifier.h"
#include "kivo/diary/diary_session.h"
#include "kivo/diary/reminder_notice.h"
#include "kivo/diary/reminder_window.h"
#include "span_store_fixture.h"

namespace kivo::diary {

// What a desktop's notification service does, as far as Kivo uses it.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString app_name;
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Shown> shown;
    QList<uint> closed;

public slots:
    uint Notify(const QString& app_name, uint, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int) {
        shown.append({app_name, summary, body, actions});
        return static_cast<uint>(shown.size()) + 40;
    }
    void CloseNotification(uint id) { closed.append(id); }
};

namespace {

class ReminderNoticeTest : public test::SpanStoreTest {
protected:
    void SetUp() override {
        SpanStoreTest::SetUp();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000))
            GTEST_SKIP() << "dbus-daemon cannot be started here";
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        server_bus_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address_, QStringLiteral("fake-notifications")));
        kivo_bus_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address_, QStringLiteral("kivo-side")));
        ASSERT_TRUE(server_bus_->isConnected() && kivo_bus_->isConnected());
        ASSERT_TRUE(server_bus_->registerObject(QLatin1String(dbus::kNotificationsPath), &server_,
                                                QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server_bus_->registerService(QLatin1String(dbus::kNotificationsService)));
    }

    void TearDown() override {
        server_bus_.reset();
        kivo_bus_.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("kivo-side"));
        daemon_.kill();
        daemon_.waitForFinished(5000);
        SpanStoreTest::TearDown();
    }

    // The server's ActionInvoked signal, as a desktop sends it on a click.
    void InvokeAction(uint id, const QString& key) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QLatin1String(dbus::kNotificationsPath), QLatin1String(dbus::kNotificationsInterface),
            QStringLiteral("ActionInvoked"));
        signal << id << key;
        ASSERT_TRUE(server_bus_->send(signal));
    }

    std::string SavedEntry() {
        DiarySession entry(*backend_, target_, reporter_, nullptr);
        EXPECT_EQ(entry.Open(), 0);
        EXPECT_EQ(entry.recording().Pickup(), 0);
        test::AdvanceAndPump(*backend_, 1000);
        entry.recording().Stop();
        EXPECT_EQ(entry.Save(), 0);
        return entry.recording().files().container_name();
    }

    QProcess daemon_;
    QString address_;
    FakeNotificationServer server_;
    std::unique_ptr<QDBusConnection> server_bus_;
    std::unique_ptr<QDBusConnection> kivo_bus_;
};

TEST_F(ReminderNoticeTest, NotificationCarriesTheSubjectAndItsPlayActionPlaysTheEntry) {
    const std::string container = SavedEntry();
    dbus::DesktopNotifier notifier(*kivo_bus_);
    ReminderWindow window(*backend_, work_, store_->store_path(), {0, container, false, "x"},
                          "Dentist at five");
    ASSERT_TRUE(window.PlayRecording());
    {
        ReminderNotice notice(notifier, window, "Dentist at five");
        ASSERT_NE(notice.id(), 0u);
        ASSERT_EQ(server_.shown.size(), 1);
        EXPECT_EQ(server_.shown[0].app_name, "Kivo");
        EXPECT_EQ(server_.shown[0].summary, "Kivo Diary Reminder");
        EXPECT_EQ(server_.shown[0].body, "Dentist at five");
        EXPECT_EQ(server_.shown[0].actions, (QStringList{"play", "Play"}));

        test::AdvanceAndPump(*backend_, 1500);  // the entry has played to its end
        ASSERT_FALSE(window.playing());
        QSignalSpy invoked(&notifier, &dbus::DesktopNotifier::actionInvoked);
        InvokeAction(notice.id() + 1, "play");  // someone else's notification
        InvokeAction(notice.id(), "play");
        ASSERT_TRUE(invoked.wait(5000));
        QTest::qWait(100);
        EXPECT_EQ(invoked.count(), 1);
        EXPECT_TRUE(window.playing());
    }
    // The window's notice ended: its notification is taken away.
    QTest::qWait(100);
    EXPECT_EQ(server_.closed, (QList<uint>{41}));
}

TEST_F(ReminderNoticeTest, WithoutANotificationServiceNothingIsShown) {
    server_bus_->unregisterService(QLatin1String(dbus::kNotificationsService));
    dbus::DesktopNotifier notifier(*kivo_bus_);
    EXPECT_EQ(notifier.Notify("Kivo Diary Reminder", "x", {}), 0u);
}

}  // namespace
}  // namespace kivo::diary

#include "reminder_notice_test.moc"

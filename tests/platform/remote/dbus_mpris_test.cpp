// The playback window on the session bus, driven the way users drive it:
// playerctl (what media keys and desktop widgets use), raw MPRIS property
// reads and signals, and kivo-remote. Each test process exports its player
// under its own name, so parallel test processes on one bus don't meet.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStandardPaths>
#include <memory>

#include "kivo/dbus/remote_bus_names.h"
#include "kivo/dbus/remote_control_service.h"
#include "mpris_values.h"
#include "remote_test_helpers.h"

namespace kivo::dbus {
namespace {

using kivo::test::ProcessOutcome;
using kivo::test::RecordingTarget;
using kivo::test::RunServingEvents;
using kivo::test::WaitUntil;

constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

QString UniquePlayerName() {
    return QStringLiteral("kivotest_%1").arg(QCoreApplication::applicationPid());
}

// Collects the bus messages delivered to its slot.
class MessageCollector : public QObject {
    Q_OBJECT

public:
    QList<QDBusMessage> messages;

public slots:
    void collect(const QDBusMessage& message) { messages.append(message); }
};

class MprisRemote : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "no session bus (run under scripts/with-test-services.sh)";
        }
        player_name_ = UniquePlayerName();
        service_ = std::make_unique<RemoteControlService>(
            RemoteServiceSettings{player_name_, QStringLiteral("Kivo"), QStringLiteral("kivo")});
        QString error;
        ASSERT_TRUE(service_->start(&error)) << error.toStdString();
        ASSERT_EQ(service_->serviceName(), MprisServiceName(player_name_));
        service_->setTarget(&target_);
    }

    ProcessOutcome Playerctl(const QStringList& arguments) {
        const QString playerctl = QStandardPaths::findExecutable(QStringLiteral("playerctl"));
        EXPECT_FALSE(playerctl.isEmpty()) << "playerctl is not installed (scripts/install-deps.sh)";
        return RunServingEvents(
            playerctl, QStringList{QStringLiteral("--player=") + player_name_} + arguments);
    }

    ProcessOutcome KivoRemote(const QStringList& arguments) {
        return RunServingEvents(QStringLiteral(KIVO_REMOTE_BINARY), arguments);
    }

    QDBusMessage CallPlayer(const QString& interface, const QString& method,
                            const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service_->serviceName(), QString::fromLatin1(kMprisObjectPath), interface, method);
        call.setArguments(arguments);
        // BlockWithGui keeps our own event loop running, which serves the call.
        return QDBusConnection::sessionBus().call(call, QDBus::BlockWithGui, 5000);
    }

    QVariant Property(const char* interface, const char* name) {
        const QDBusMessage reply =
            CallPlayer(QString::fromLatin1(kPropertiesInterface), QStringLiteral("Get"),
                       {QString::fromLatin1(interface), QString::fromLatin1(name)});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            ADD_FAILURE() << "Get " << name << " failed: " << reply.errorMessage().toStdString();
            return {};
        }
        return reply.arguments().first().value<QDBusVariant>().variant();
    }

    QVariantMap Metadata() {
        return qdbus_cast<QVariantMap>(
            Property(kMprisPlayerInterface, "Metadata").value<QDBusArgument>());
    }

    // Subscribes collector to a signal of the player and makes sure the bus
    // has the subscription before the test makes the player emit.
    void Subscribe(const char* interface, const char* signal, MessageCollector* collector) {
        ASSERT_TRUE(QDBusConnection::sessionBus().connect(
            service_->serviceName(), QString::fromLatin1(kMprisObjectPath),
            QString::fromLatin1(interface), QString::fromLatin1(signal), collector,
            SLOT(collect(QDBusMessage))));
        Property(kMprisRootInterface, "Identity");  // one round trip
    }

    QString player_name_;
    RecordingTarget target_;
    std::unique_ptr<RemoteControlService> service_;
};

TEST_F(MprisRemote, PlayerctlPlayAndPauseReachTheWindow) {
    EXPECT_EQ(Playerctl({QStringLiteral("play")}).exit_code, 0);
    EXPECT_EQ(Playerctl({QStringLiteral("pause")}).exit_code, 0);
    EXPECT_EQ(Playerctl({QStringLiteral("play-pause")}).exit_code, 0);
    EXPECT_EQ(Playerctl({QStringLiteral("stop")}).exit_code, 0);
    EXPECT_EQ(target_.calls, (std::vector<std::string>{"play", "pause", "playPause", "stop"}));
}

TEST_F(MprisRemote, PlayerctlNextAndPreviousMoveBetweenMarks) {
    Playerctl({QStringLiteral("next")});
    Playerctl({QStringLiteral("previous")});
    EXPECT_EQ(target_.calls, (std::vector<std::string>{"next", "previous"}));
}

TEST_F(MprisRemote, PlayerctlPositionReadsTheWindowsPosition) {
    const ProcessOutcome outcome = Playerctl({QStringLiteral("position")});
    ASSERT_EQ(outcome.exit_code, 0) << outcome.standard_error.toStdString();
    EXPECT_NEAR(outcome.standard_output.trimmed().toDouble(), 12.5, 0.001);
}

TEST_F(MprisRemote, PlayerctlPositionSetsAndSeeks) {
    ASSERT_EQ(Playerctl({QStringLiteral("position"), QStringLiteral("5")}).exit_code, 0);
    ASSERT_EQ(Playerctl({QStringLiteral("position"), QStringLiteral("3-")}).exit_code, 0);
    EXPECT_EQ(target_.calls, (std::vector<std::string>{"setPosition 5000000", "seek -3000000"}));
    EXPECT_EQ(target_.position, 2'000'000);
}

TEST_F(MprisRemote, PlayerctlReadsSubjectAndStatus) {
    const ProcessOutcome title =
        Playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")});
    EXPECT_EQ(title.standard_output.trimmed(), QStringLiteral("Board meeting notes"));
    EXPECT_EQ(Playerctl({QStringLiteral("status")}).standard_output.trimmed(),
              QStringLiteral("Paused"));
}

TEST_F(MprisRemote, PropertiesDescribeTheLoadedRecord) {
    EXPECT_EQ(Property(kMprisPlayerInterface, "PlaybackStatus").toString(), "Paused");
    EXPECT_EQ(Property(kMprisPlayerInterface, "Position").toLongLong(), 12'500'000);
    EXPECT_TRUE(Property(kMprisPlayerInterface, "CanGoNext").toBool());
    EXPECT_EQ(Property(kMprisRootInterface, "Identity").toString(), "Kivo");
    const QVariantMap metadata = Metadata();
    EXPECT_EQ(metadata.value("xesam:title").toString(), "Board meeting notes");
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 60'000'000);
    EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(),
              "/org/kivo/Record/R00000042");
}

TEST_F(MprisRemote, ChangesReachClientsAsSignals) {
    MessageCollector changes;
    MessageCollector seeks;
    Subscribe(kPropertiesInterface, "PropertiesChanged", &changes);
    Subscribe(kMprisPlayerInterface, "Seeked", &seeks);

    target_.status = remote::PlaybackStatus::Playing;
    service_->notifyPlaybackStatusChanged();
    service_->notifySeeked(7'000'000);

    ASSERT_TRUE(
        WaitUntil([&] { return !changes.messages.isEmpty() && !seeks.messages.isEmpty(); }));
    const QList<QVariant> arguments = changes.messages.first().arguments();
    ASSERT_EQ(arguments.size(), 3);
    EXPECT_EQ(arguments[0].toString(), QString::fromLatin1(kMprisPlayerInterface));
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments[1].value<QDBusArgument>());
    EXPECT_EQ(changed.value("PlaybackStatus").toString(), "Playing");
    EXPECT_EQ(seeks.messages.first().arguments().value(0).toLongLong(), 7'000'000);
}

TEST_F(MprisRemote, SetPositionForAnotherTrackOrPastTheEndIsIgnored) {
    const QVariant other_track = QVariant::fromValue(QDBusObjectPath("/org/kivo/Record/R7"));
    const QVariant this_track = QVariant::fromValue(TrackIdFor(target_.track));
    CallPlayer(kMprisPlayerInterface, "SetPosition", {other_track, qlonglong(1'000'000)});
    CallPlayer(kMprisPlayerInterface, "SetPosition", {this_track, qlonglong(61'000'000)});
    CallPlayer(kMprisPlayerInterface, "SetPosition", {this_track, qlonglong(-1)});
    EXPECT_TRUE(target_.calls.empty());
    CallPlayer(kMprisPlayerInterface, "SetPosition", {this_track, qlonglong(60'000'000)});
    EXPECT_EQ(target_.calls, (std::vector<std::string>{"setPosition 60000000"}));
}

TEST_F(MprisRemote, WithoutAWindowCallsDoNothingAndNothingIsLoaded) {
    service_->setTarget(nullptr);
    Playerctl({QStringLiteral("play")});
    CallPlayer(kKivoRemoteInterface, kKivoRemoteCommandMethod, {4});
    EXPECT_TRUE(target_.calls.empty());
    EXPECT_EQ(Property(kMprisPlayerInterface, "PlaybackStatus").toString(), "Stopped");
    EXPECT_FALSE(Property(kMprisPlayerInterface, "CanPlay").toBool());
    const QVariantMap metadata = Metadata();
    EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(),
              QString::fromLatin1(kNoTrackPath));
    EXPECT_FALSE(metadata.contains("xesam:title"));
}

TEST_F(MprisRemote, WindowIsDroppedWhenItIsDestroyed) {
    auto window = std::make_unique<QObject>();
    service_->setTarget(&target_, window.get());
    EXPECT_EQ(service_->target(), &target_);
    window.reset();
    EXPECT_EQ(service_->target(), nullptr);
    CallPlayer(kMprisPlayerInterface, "Play", {});
    EXPECT_TRUE(target_.calls.empty());
}

TEST_F(MprisRemote, KivoRemoteSendsTheCommandToTheWindow) {
    const ProcessOutcome back =
        KivoRemote({QStringLiteral("--player"), player_name_, QStringLiteral("2")});
    EXPECT_EQ(back.exit_code, 0) << back.standard_error.toStdString();
    KivoRemote({QStringLiteral("--player"), player_name_, QStringLiteral("next")});
    EXPECT_EQ(target_.calls, (std::vector<std::string>{"command 2", "command 6"}));
}

TEST_F(MprisRemote, CommandCodesOutsideTheSixStillReachTheWindow) {
    // The window writes "Default msg" for them; the bus passes them on.
    CallPlayer(kKivoRemoteInterface, kKivoRemoteCommandMethod, {9});
    EXPECT_EQ(target_.calls, (std::vector<std::string>{"command 9"}));
}

TEST_F(MprisRemote, KivoRemoteFailsWhenNoPlayerRuns) {
    const ProcessOutcome outcome =
        KivoRemote({QStringLiteral("--player"), QStringLiteral("nobody_plays_here"), "4"});
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_TRUE(outcome.standard_error.contains("not running"))
        << outcome.standard_error.toStdString();
}

TEST_F(MprisRemote, KivoRemoteRefusesUnknownCommands) {
    const ProcessOutcome outcome =
        KivoRemote({QStringLiteral("--player"), player_name_, QStringLiteral("7")});
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_TRUE(target_.calls.empty());
}

TEST_F(MprisRemote, SecondInstanceTakesAnInstanceName) {
    RemoteControlService second(
        RemoteServiceSettings{player_name_, QStringLiteral("Kivo"), QStringLiteral("kivo")});
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.serviceName(),
              MprisServiceName(player_name_) +
                  QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()));
    second.stop();
    EXPECT_TRUE(second.serviceName().isEmpty());
}

TEST(MprisNames, PlayersRegisterUnderTheirProgramName) {
    EXPECT_EQ(MprisServiceName(kKivoPlayerName), "org.mpris.MediaPlayer2.kivo");
    EXPECT_EQ(MprisServiceName(kMessagePlayerName), "org.mpris.MediaPlayer2.kvmp");
}

TEST(MprisNames, PlayerNamesThatCannotBeBusNamesAreRefused) {
    RemoteControlService service(RemoteServiceSettings{QStringLiteral("9lives"), {}, {}});
    QString error;
    EXPECT_FALSE(service.start(&error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(MprisTrackId, RecordNumberBecomesAValidObjectPath) {
    remote::PlaybackMetadata metadata{QStringLiteral("12 34/5.x"), QStringLiteral("t"), 1};
    EXPECT_EQ(TrackIdFor(metadata).path(), "/org/kivo/Record/R12_34_5_x");
    EXPECT_EQ(TrackIdFor(remote::PlaybackMetadata{}).path(), QString::fromLatin1(kNoTrackPath));
}

}  // namespace
}  // namespace kivo::dbus

#include "dbus_mpris_test.moc"

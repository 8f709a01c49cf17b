// An open playback session driven from other programs over the session bus:
// playerctl (as media keys do) and kivo-remote. Skipped without a bus; run
// under scripts/with-test-services.sh or dbus-run-session. Each test process
// exports its player under its own name so parallel runs don't meet.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QStandardPaths>
#include <memory>

#include "kivo/dbus/remote_control_service.h"
#include "kivo/playback/playback_session.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "playback_fixture.h"
#include "remote_test_helpers.h"

namespace kivo::playback {
namespace {

using test::ProcessOutcome;
using test::RunServingEvents;

class PlaybackOverTheBus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus (run under scripts/with-test-services.sh)";
        ASSERT_TRUE(store_.ok());
        store_.AddRecord(11, 40000,
                         {recordstore::MakeIndexMark("00:00:02", "two"),
                          recordstore::MakeIndexMark("00:00:04", "four")});
        sound::VirtualAudioBackend::Options options;
        options.clock = sound::VirtualAudioBackend::Clock::kManual;
        backend_ = std::make_unique<sound::VirtualAudioBackend>(options);
        session_ = std::make_unique<PlaybackSession>(*backend_, store_.session());
        ASSERT_TRUE(session_->Begin({store_.item(11)}));

        player_name_ = QStringLiteral("kivoplayback_%1").arg(QCoreApplication::applicationPid());
        remote_ = std::make_unique<dbus::RemoteControlService>(dbus::RemoteServiceSettings{
            player_name_, QStringLiteral("Kivo"), QStringLiteral("kivo")});
        QString error;
        ASSERT_TRUE(remote_->start(&error)) << error.toStdString();
        remote_->setTarget(session_.get(), session_.get());
    }

    ProcessOutcome Playerctl(const QStringList& arguments) {
        const QString playerctl = QStandardPaths::findExecutable(QStringLiteral("playerctl"));
        if (playerctl.isEmpty())
            return {};
        return RunServingEvents(
            playerctl, QStringList{QStringLiteral("--player=") + player_name_} + arguments);
    }

    test::StoredRecordings store_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<PlaybackSession> session_;
    std::unique_ptr<dbus::RemoteControlService> remote_;
    QString player_name_;
};

TEST_F(PlaybackOverTheBus, PlayerctlPlaysJumpsToTheNextMarkAndReadsThePosition) {
    if (QStandardPaths::findExecutable(QStringLiteral("playerctl")).isEmpty())
        GTEST_SKIP() << "playerctl is not installed";
    EXPECT_EQ(Playerctl({QStringLiteral("play")}).exit_code, 0);
    EXPECT_TRUE(session_->is_playing());
    session_->StopPlaying();

    EXPECT_EQ(Playerctl({QStringLiteral("next")}).exit_code, 0);
    EXPECT_EQ(session_->current_mark(), 0);
    EXPECT_EQ(session_->position_ms(), 2000);
    EXPECT_TRUE(session_->is_playing());
    session_->Pause();
    EXPECT_EQ(session_->position_ms(), 2000);

    const ProcessOutcome position = Playerctl({QStringLiteral("position")});
    EXPECT_EQ(position.exit_code, 0) << position.standard_error.toStdString();
    EXPECT_EQ(position.standard_output.trimmed(), QStringLiteral("2.000000"));

    EXPECT_EQ(Playerctl({QStringLiteral("position"), QStringLiteral("3.5")}).exit_code, 0);
    EXPECT_EQ(session_->position_ms(), 3500);
}

TEST_F(PlaybackOverTheBus, KivoRemoteTwoGoesBackTwoSecondsAndPlays) {
    session_->SeekMs(4500);
    const ProcessOutcome back =
        RunServingEvents(QStringLiteral(KIVO_REMOTE_BINARY),
                         {QStringLiteral("--player"), player_name_, QStringLiteral("2")});
    EXPECT_EQ(back.exit_code, 0) << back.standard_error.toStdString();
    EXPECT_EQ(session_->position_ms(), 2500);
    EXPECT_TRUE(session_->is_playing());
}

}  // namespace
}  // namespace kivo::playback

// Playing an opened recording through the virtual audio backend, moving
// between marks, and the remote commands on the session bus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include "kivo/dbus/remote_control_service.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/wavefile/wave_reader.h"
#include "player_session.h"
#include "player_test_recording.h"

namespace kivo::test {
namespace {

using player::OpenResult;
using player::PlayerSession;

class PlayerPlayback : public ::testing::Test {
protected:
    PlayerTestFiles files_;
    std::string played_path_ = files_.out_file("played.wav");
    sound::VirtualAudioBackend backend_{{QString(), QString::fromStdString(played_path_),
                                         sound::VirtualAudioBackend::Clock::kFast, 20}};
    PlayerSession session_{backend_};
    Bytes samples_;

    void OpenWithMarks() {
        RecordingRecipe recipe;
        recipe.marks = {recordstore::MakeIndexMark("00:00:02", "two"),
                        recordstore::MakeIndexMark("00:00:01", "one")};
        ASSERT_EQ(session_.Open(QString::fromStdString(
                      files_.MakeRecording("Message.xrz", recipe, &samples_))),
                  OpenResult::kOpened);
    }
    bool WaitForStop() {
        return WaitUntil([this] { return !session_.is_playing(); });
    }
};

TEST_F(PlayerPlayback, PlaysTheWholeWaveToTheEnd) {
    OpenWithMarks();
    session_.Start();
    EXPECT_TRUE(session_.is_playing());
    EXPECT_EQ(session_.playbackStatus(), remote::PlaybackStatus::Playing);
    ASSERT_TRUE(WaitForStop());
    EXPECT_EQ(session_.position_ms(), 0);  // back at the start after the end
    wavefile::WaveData played;
    ASSERT_TRUE(wavefile::ReadWaveFile(played_path_, &played).ok());
    EXPECT_EQ(played.samples, samples_);
}

TEST_F(PlayerPlayback, PauseKeepsThePositionAndStopReturnsToTheStart) {
    OpenWithMarks();
    session_.Start(1500);
    session_.Pause();
    EXPECT_TRUE(session_.is_paused());
    EXPECT_EQ(session_.playbackStatus(), remote::PlaybackStatus::Paused);
    const std::int64_t paused_at = session_.position_ms();
    EXPECT_GE(paused_at, 1500);
    session_.Start();  // from the current position
    ASSERT_TRUE(WaitForStop());
    wavefile::WaveData played;
    ASSERT_TRUE(wavefile::ReadWaveFile(played_path_, &played).ok());
    const std::size_t skipped_bytes = 1500 * 8 * 2;
    ASSERT_GE(played.samples.size(), samples_.size() - skipped_bytes);
    // What played after the resume is the wave's tail.
    EXPECT_TRUE(
        std::equal(played.samples.end() - 8000, played.samples.end(), samples_.end() - 8000));
    session_.Start(1000);
    session_.Stop();
    EXPECT_EQ(session_.position_ms(), 0);
    EXPECT_FALSE(session_.is_playing());
}

TEST_F(PlayerPlayback, NextAndPreviousMarkStepThroughTheSortedMarks) {
    OpenWithMarks();
    session_.NextMark();  // from none: the first
    EXPECT_EQ(session_.current_mark(), 0);
    EXPECT_TRUE(session_.is_playing());
    EXPECT_GE(session_.position_ms(), 1000);
    session_.NextMark();
    EXPECT_EQ(session_.current_mark(), 1);
    EXPECT_GE(session_.position_ms(), 2000);
    session_.NextMark();  // clamped at the last
    EXPECT_EQ(session_.current_mark(), 1);
    session_.PreviousMark();
    EXPECT_EQ(session_.current_mark(), 0);
    EXPECT_LT(session_.position_ms(), 2000);
    session_.command(1);  // rewind
    EXPECT_EQ(session_.current_mark(), -1);
    EXPECT_EQ(session_.position_ms(), 0);
    EXPECT_FALSE(session_.is_playing());
    session_.command(42);  // unknown: nothing happens
    EXPECT_FALSE(session_.is_playing());
}

TEST_F(PlayerPlayback, BackTwoSecondsStopsAtTheStart) {
    OpenWithMarks();
    session_.Start(2500);
    session_.command(2);
    EXPECT_TRUE(session_.is_playing());
    EXPECT_LT(session_.position_ms(), 1000);
    session_.command(2);
    EXPECT_GE(session_.position_ms(), 0);
    session_.command(5);
    EXPECT_FALSE(session_.is_playing());
}

TEST_F(PlayerPlayback, EffectsModePlaysToTheEnd) {
    OpenWithMarks();
    ASSERT_TRUE(session_.EnterEffectsMode());
    EXPECT_EQ(session_.SetEffect(audio::kEffectEcho, true, 99), 15);  // clamped
    session_.Start();
    ASSERT_TRUE(WaitForStop());
    session_.LeaveEffectsMode();
    EXPECT_FALSE(session_.effects_mode());
}

// org.kivo.Remote Command(i) on the session bus.
class PlayerRemote : public PlayerPlayback {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus (run under scripts/with-test-services.sh)";
        player_name_ = QStringLiteral("kvmptest%1").arg(QCoreApplication::applicationPid());
        remote_ = std::make_unique<dbus::RemoteControlService>(dbus::RemoteServiceSettings{
            player_name_, QStringLiteral("Kivo Message Player"), QStringLiteral("kvmp")});
        QString error;
        ASSERT_TRUE(remote_->start(&error)) << error.toStdString();
        remote_->setTarget(&session_, &session_);
    }
    void SendCommand(int code) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            remote_->serviceName(), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.kivo.Remote"), QStringLiteral("Command"));
        call << code;
        const QDBusMessage reply =
            QDBusConnection::sessionBus().call(call, QDBus::BlockWithGui, 5000);
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    QString player_name_;
    std::unique_ptr<dbus::RemoteControlService> remote_;
};

TEST_F(PlayerRemote, NextAndPreviousMarkCommandsMoveThePosition) {
    OpenWithMarks();
    // The fast clock may play to the end while the call is answered, so the
    // moves are read from the session's reports rather than its position.
    std::vector<qint64> jumps_ms;
    QObject::connect(&session_, &PlayerSession::positionJumped,
                     [&jumps_ms](qint64 ms) { jumps_ms.push_back(ms); });
    SendCommand(6);
    EXPECT_EQ(session_.current_mark(), 0);
    SendCommand(6);
    EXPECT_EQ(session_.current_mark(), 1);
    SendCommand(3);
    EXPECT_EQ(session_.current_mark(), 0);
    EXPECT_EQ(jumps_ms, (std::vector<qint64>{1000, 2000, 1000}));
    SendCommand(5);
    EXPECT_FALSE(session_.is_playing());
}

}  // namespace
}  // namespace kivo::test

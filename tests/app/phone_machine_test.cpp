// The answering machine's side of the window, as a user meets it on the
// demo line: the line tester run from Modem Selection, a dictation used as
// the greeting (kept by the store across a restart), the ring of the
// incoming-call window, and the notice of a new message with its Play.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSoundEffect>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <cstring>

#include "app_fixture.h"
#include "demo_line_party.h"
#include "file_bytes.h"
#include "incoming_call_dialog.h"
#include "kivo/core/user_messages.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "line_selection_dialog.h"
#include "line_tester_dialog.h"
#include "main_window.h"
#include "new_message_notice.h"
#include "phone_line.h"
#include "phone_machine_commands.h"
#include "ring_sound.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;
using core::ViewKind;

QPushButton* ButtonOf(QWidget* dialog, const QString& text) {
    for (auto* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

class RecordedNotices : public NewMessageNotice {
public:
    void Show(const NewMessage& message) override { shown.push_back(message); }
    std::vector<NewMessage> shown;
};

class PhoneMachineTest : public testing::Test {
protected:
    void SetUp() override {
        const fs::path config = home_.home() / "config";
        fs::create_directories(config / "kivo");
        test::WriteFileText((config / "kivo" / "telephony.conf").string(),
                            "[demo]\nring_period_ms = 100\n");
        socket_ = (home_.home() / "line.sock").string();
        if (const char* config_home = std::getenv("XDG_CONFIG_HOME"))
            saved_config_home_ = config_home;
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("KIVO_LINE_SOCKET", socket_.c_str(), 1);
        StartWindow();
    }
    void TearDown() override {
        window_.reset();
        if (saved_config_home_)
            ::setenv("XDG_CONFIG_HOME", saved_config_home_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("KIVO_LINE_SOCKET");
    }

    void StartWindow() {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
        QCoreApplication::processEvents();
        line_ = dynamic_cast<PhoneLine*>(window_->findChild<QObject*>("phoneLine"));
        ASSERT_NE(line_, nullptr);
        ReplaceNewMessageNotice(window_.get(), &notices_);
    }

    std::string Party(const std::string& command) {
        return test::SendToLineWhileRunning(socket_, command);
    }

    // Runs `in_selection` while "Kivo Modem Selection" is open, then closes it.
    void WithLineSelection(std::function<void(LineSelectionDialog*)> in_selection) {
        QTimer::singleShot(0, [in_selection] {
            auto* dialog = qobject_cast<LineSelectionDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            in_selection(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        ASSERT_TRUE(window_->commands().Trigger(Command::kModemSelection));
    }

    void ChooseDemoLine() {
        WithLineSelection([](LineSelectionDialog* dialog) {
            dialog->device_list()->setCurrentItem(dialog->device_list()->topLevelItem(0));
            ButtonOf(dialog, "&Select")->click();
        });
    }

    fs::path working() { return window_->session().store().working_folder(); }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    RecordedNotices notices_;
    std::unique_ptr<MainWindow> window_;
    PhoneLine* line_ = nullptr;
    std::string socket_;
    std::optional<std::string> saved_config_home_;
};

TEST_F(PhoneMachineTest, TheModemTesterCallsOnTheDemoLineAndLogsEveryStep) {
    std::string log;
    int no_selection_boxes = 0;
    // What the other end says once the greeting has played: two seconds.
    const std::string speech = (home_.home() / "far-end.wav").string();
    ASSERT_TRUE(wavefile::WritePcmWave(speech, telephony::CallAudioFormat(),
                                       std::vector<std::uint8_t>(32000, 0x11))
                    .ok());
    std::uint64_t recorded_bytes = 0;
    WithLineSelection([&](LineSelectionDialog* selection) {
        ASSERT_TRUE(selection->test_button()->isEnabled());
        // Without a selected row Test asks for one.
        selection->device_list()->clearSelection();
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                no_selection_boxes += box->text().startsWith("Please select a modem to test");
                box->accept();
            }
        });
        selection->test_button()->click();

        selection->device_list()->setCurrentItem(selection->device_list()->topLevelItem(0));
        QTimer::singleShot(0, [&] {
            auto* tester = qobject_cast<LineTesterDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(tester, nullptr);
            EXPECT_EQ(tester->windowTitle(), "Kivo Modem Tester");
            EXPECT_FALSE(tester->stop_button()->isEnabled());
            tester->number_edit()->setText("01632960777");
            tester->start_button()->click();
            EXPECT_TRUE(tester->stop_button()->isEnabled());
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return Party("status").find("dialling") != std::string::npos; }, 3000));
            EXPECT_EQ(Party("connect").rfind("ok", 0), 0u);
            EXPECT_EQ(Party("speak " + speech).rfind("ok", 0), 0u);
            // The store's greeting plays (3.6 s), then five seconds are recorded.
            EXPECT_TRUE(QTest::qWaitFor([tester] { return !tester->tester().running(); }, 20000));
            EXPECT_TRUE(tester->start_button()->isEnabled());
            log = tester->log_view()->toPlainText().toStdString();
            wavefile::WaveInfo recorded;
            EXPECT_TRUE(
                wavefile::ReadWaveFileInfo(tester->tester().recording_path().string(), &recorded)
                    .ok());
            recorded_bytes = recorded.data_bytes;
            // With KIVO_SCREENSHOTS set to a folder, keeps a picture of the log.
            const QString folder = qEnvironmentVariable("KIVO_SCREENSHOTS");
            if (!folder.isEmpty()) {
                EXPECT_TRUE(tester->grab().save(folder + "/phone-modem-tester.png"));
            }
            ButtonOf(tester, "Cancel")->click();
        });
        selection->test_button()->click();
    });
    EXPECT_EQ(no_selection_boxes, 1);
    EXPECT_EQ(recorded_bytes, 32000u);  // all the other end said
    EXPECT_EQ(log.rfind("Demo line selected for testing\n\n", 0), 0u) << log;
    for (const char* step :
         {"Line opened : Passed\n", "Dialing : Passed\n", "Connected : Passed\n",
          "Start Play sound : Passed\n", "End Play sound : Passed\n", "Recording...\n",
          "Record sound save : Passed\n", "Idle : Passed\n", "Line shutdown : Passed\n"}) {
        EXPECT_NE(log.find(step), std::string::npos) << step << " missing from\n" << log;
    }
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(PhoneMachineTest, ADictationBecomesTheGreetingAndStaysWithTheStore) {
    // A stored dictation recorded at 11025 Hz.
    const fs::path staging = home_.home() / "staging";
    fs::create_directories(staging);
    const wavefile::PcmFormat radio{1, 11025, 16};
    std::vector<std::uint8_t> samples;
    for (int frame = 0; frame < 11025 * 2; ++frame) {
        const auto value = static_cast<std::int16_t>(9000 * std::sin(frame * 0.25));
        samples.push_back(static_cast<std::uint8_t>(value & 0xff));
        samples.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
    }
    ASSERT_TRUE(
        wavefile::WritePcmWave((staging / "D20261208090000.xrw").string(), radio, samples).ok());
    test::WriteFileText((staging / "D20261208090000.xrs").string(), "");
    test::WriteFileText((staging / "D20261208090000.xrl").string(), "");
    ASSERT_EQ(
        recordstore::RecordingContainer("D20261208090000.xrz", recordstore::MediaKind::kAudio)
            .SaveIntoStore(staging.string(), window_->session().store().store_path().string(), 0),
        recordstore::ContainerResult::kDone);
    test::RecordFields dictation = test::Dictation(1, "Hello", "08/12/2026", "00:00:02");
    dictation.container = "D20261208090000.xrz";
    dictation.quality = "2";
    test::WriteWorkingLog(working(), "Voxwren.xrr", {dictation});
    window_->session().CommitStoreChanges();

    window_->ShowKind(ViewKind::kDictation);
    window_->record_view()->selectRow(0);
    ASSERT_TRUE(window_->commands().IsEnabled(Command::kUseAsGreeting));
    ASSERT_TRUE(window_->commands().Trigger(Command::kUseAsGreeting));
    EXPECT_TRUE(reporter_.reports().empty());

    // After a restart the store still holds it.
    window_.reset();
    StartWindow();
    wavefile::WaveData greeting;
    ASSERT_TRUE(wavefile::ReadWaveFile((working() / "xrgreet.wav").string(), &greeting).ok());
    EXPECT_EQ(greeting.info.format.sample_rate_hz, 8000u);
    EXPECT_EQ(greeting.info.format.channels, 1);
    EXPECT_NEAR(static_cast<double>(greeting.info.frames()), 16000.0, 160.0);
}

TEST_F(PhoneMachineTest, TheIncomingCallRingsUntilItsWindowCloses) {
    window_->session().profile().Write(window_->session().section(), "Rings", "5");
    ChooseDemoLine();
    ASSERT_TRUE(window_->commands().Trigger(Command::kStartMonitoring));
    EXPECT_EQ(Party("ring 5550199 Carol").rfind("ok", 0), 0u);
    IncomingCallDialog* incoming = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            incoming = window_->findChild<IncomingCallDialog*>("incomingCall");
            return incoming != nullptr && incoming->isVisible();
        },
        3000));
    auto* ring = incoming->findChild<RingSound*>("ringSound");
    ASSERT_NE(ring, nullptr);
    EXPECT_TRUE(ring->ringing());
    EXPECT_EQ(ring->effect()->loopCount(), QSoundEffect::Infinite);
    EXPECT_TRUE(ring->effect()->source().toLocalFile().endsWith("/3003.wav"));
    EXPECT_TRUE(fs::exists(ring->effect()->source().toLocalFile().toStdString()));

    QPointer<RingSound> watched = ring;
    EXPECT_EQ(Party("hangup").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watched.isNull() || !watched->ringing(); }, 3000));
}

TEST_F(PhoneMachineTest, ANewMessageIsAnnouncedAndItsPlayShowsAndPlaysIt) {
    window_->session().profile().Write(window_->session().section(), "Rings", "1");
    ChooseDemoLine();
    ASSERT_TRUE(window_->commands().Trigger(Command::kAnswerMachineOn));
    EXPECT_EQ(Party("ring 01632960123 Ann Smith").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return line_->machine().busy(); }, 3000));
    QTest::qWait(300);
    EXPECT_EQ(Party("hangup").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !notices_.shown.empty(); }, 5000));
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].caller, "Ann Smith (01632960123)");
    EXPECT_EQ(notices_.shown[0].record_number, 1);
    EXPECT_EQ(notices_.shown[0].time.size(), 19);  // "dd/mm/yyyy HH:MM:SS"

    auto open_players = [this] {
        int visible = 0;
        for (auto* dialog : window_->findChildren<QDialog*>())
            visible += dialog->isVisible() ? 1 : 0;
        return visible;
    };
    const int players_before = open_players();
    window_->ShowKind(ViewKind::kDictation);
    EXPECT_TRUE(PlayPhoneMessage(window_.get(), 1));
    EXPECT_EQ(window_->view(), ViewKind::kPhone);
    ASSERT_EQ(window_->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(open_players(), players_before + 1);  // the message's playback
    EXPECT_FALSE(PlayPhoneMessage(window_.get(), 99));
}

TEST(NewMessageCallerText, NamesTheCallerAsFarAsKnown) {
    EXPECT_EQ(CallerText("Ann", "123"), "Ann (123)");
    EXPECT_EQ(CallerText("", "123"), "123");
    EXPECT_EQ(CallerText("Ann", ""), "Ann");
    EXPECT_EQ(CallerText("", ""), "Unknown caller");
}

}  // namespace
}  // namespace kivo::app

// The Phone Recorder in the window on the demo line, as a user meets it: a
// ringing call is taken from "Kivo Incoming Call", recorded, paused,
// stopped, hung up and saved with its cost into the phone list; a number is
// dialled again from the list; dialling is refused while the answering
// machine is on; the window's File > Open and close ask the recorder first;
// a recording is played into a call; the time-limit alarm sounds until its
// notice is closed; a call left by a crash comes back in
// the Phone Recorder at the next start.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSoundEffect>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app_fixture.h"
#include "demo_line_window.h"
#include "file_bytes.h"
#include "incoming_call_dialog.h"
#include "kivo/core/record_list.h"
#include "kivo/core/user_messages.h"
#include "kivo/phone/call_take_journal.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_writer.h"
#include "main_window.h"
#include "phone_line.h"
#include "phone_recorder_commands.h"
#include "phone_recorder_dialog.h"
#include "play_over_line_dialog.h"
#include "ring_sound.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;
using core::ViewKind;

class PhoneRecorderTest : public DemoLineWindowTest {
protected:
    void SetUp() override {
        DemoLineWindowTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_NE(desk_, nullptr);
        // The demo line, chosen before ("CommID" 0), monitored.
        RestartWithTheDemoLineChosen();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(window_->commands().Trigger(Command::kStartMonitoring));
        ASSERT_TRUE(line_->line_open());
    }
    void WindowStarted() override {
        desk_ = dynamic_cast<PhoneRecorderDesk*>(window_->findChild<QObject*>("phoneRecorders"));
    }

    // A wave of speech in call format.
    std::string SpeechWave(const char* name, int ms) {
        const std::string path = (home_.home() / name).string();
        std::vector<std::uint8_t> speech;
        for (int i = 0; i < ms * 8; ++i) {
            const auto value = static_cast<std::uint16_t>(i * 13 + 5);
            speech.push_back(static_cast<std::uint8_t>(value & 0xFF));
            speech.push_back(static_cast<std::uint8_t>(value >> 8));
        }
        EXPECT_TRUE(wavefile::WritePcmWave(path, telephony::CallAudioFormat(), speech).ok());
        return path;
    }

    PhoneRecorderDialog* Recorder() {
        return window_->findChild<PhoneRecorderDialog*>("phoneRecorder");
    }

    bool WaitForStage(phone::CallStage stage) {
        return QTest::qWaitFor(
            [&] { return Recorder() != nullptr && Recorder()->recorder().stage() == stage; }, 4000);
    }

    void Click(const char* name) {
        ASSERT_TRUE(Recorder()->button(name)->isEnabled()) << name;
        Recorder()->button(name)->click();
    }

    // A call from Ann taken in the Phone Recorder, recorded for a second.
    void TakeAndRecordACall() {
        EXPECT_EQ(Party("ring 01632960123 Ann Smith").rfind("ok", 0), 0u);
        IncomingCallDialog* incoming = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                incoming = window_->findChild<IncomingCallDialog*>("incomingCall");
                return incoming != nullptr && incoming->isVisible();
            },
            3000));
        ASSERT_TRUE(incoming->take_button()->isEnabled());
        incoming->take_button()->click();
        ASSERT_NE(Recorder(), nullptr);
        EXPECT_TRUE(Recorder()->isVisible());
        EXPECT_FALSE(Recorder()->isModal());
        ASSERT_TRUE(WaitForStage(phone::CallStage::kConnected));
        EXPECT_EQ(Recorder()->caller_name_edit()->text(), "Ann Smith");
        EXPECT_EQ(Recorder()->number_edit()->text(), "01632960123");
        EXPECT_EQ(Party("speak " + SpeechWave("speech.wav", 1000)).rfind("ok", 0), 0u);
        Click("pickup");
        ASSERT_EQ(Recorder()->recorder().stage(), phone::CallStage::kRecording);
        EXPECT_TRUE(QTest::qWaitFor([this] { return Recorder()->level(9) > 0; }, 3000));
        QTest::qWait(1100);
    }

    PhoneRecorderDesk* desk_ = nullptr;
};

TEST_F(PhoneRecorderTest, ATakenCallIsRecordedPausedStoppedHungUpAndSavedWithItsCost) {
    window_->session().profile().Write(window_->session().section(), "PhoneCost", "6");
    window_->ShowKind(ViewKind::kPhone);
    TakeAndRecordACall();
    Recorder()->comment_edit()->setText("prices");
    Click("mark");
    ASSERT_EQ(Recorder()->mark_list()->topLevelItemCount(), 1);
    EXPECT_EQ(Recorder()->mark_list()->topLevelItem(0)->text(0), "prices");
    Recorder()->time_limit_edit()->setText("00:10");
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return Recorder()->time_left_text().startsWith("+00:09:5"); }, 1000));
    // With KIVO_SCREENSHOTS set to a folder, keeps a picture of the call.
    if (const QString folder = qEnvironmentVariable("KIVO_SCREENSHOTS"); !folder.isEmpty()) {
        EXPECT_TRUE(Recorder()->grab().save(folder + QStringLiteral("/phone-recorder.png")));
    }
    Click("pause");
    EXPECT_EQ(Recorder()->button("pause")->text(), "&RESUME");
    EXPECT_FALSE(Recorder()->button("stop")->isEnabled());
    Click("pause");
    Click("stop");
    EXPECT_FALSE(Recorder()->button("ok")->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([this] { return Recorder()->level(0) == 0; }, 1000));
    EXPECT_TRUE(Recorder()->cost_text().startsWith("\u00A3"));
    Click("hangup");
    EXPECT_EQ(Recorder()->recorder().stage(), phone::CallStage::kEnded);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Party("status").rfind("ok idle", 0) == 0; }, 3000));
    const QString cost = Recorder()->cost_text();
    EXPECT_FALSE(cost.isEmpty());
    Recorder()->keywords_edit()->setText("prices");
    Click("ok");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Recorder() == nullptr; }, 2000));
    EXPECT_TRUE(reporter_.reports().empty());

    // In the phone list at once, not as a new message.
    ASSERT_EQ(window_->records().list().rows().size(), 1u);
    const core::RecordRow& row = window_->records().list().rows().at(0);
    EXPECT_NE(row.image, core::kImageNewMessage);
    EXPECT_EQ(row.columns[1], "01632960123");
    EXPECT_EQ(row.columns[2], "Ann Smith");
    const std::string log =
        test::ReadFileText((window_->session().store().working_folder() / "Voxwren.xrp").string());
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401, 401), &line).ok());
    EXPECT_EQ(line.Fields().kind_code, "3");
    EXPECT_EQ(QString::fromStdString(line.Fields().text_b), cost);
}

TEST_F(PhoneRecorderTest, DiallingWithTheAnsweringMachineOnIsRefusedWithItsMessage) {
    ASSERT_TRUE(window_->commands().Trigger(Command::kAnswerMachineOn));
    window_->ShowKind(ViewKind::kPhone);
    ASSERT_TRUE(window_->commands().Trigger(Command::kNewRecording));
    ASSERT_NE(Recorder(), nullptr);
    Recorder()->number_edit()->setText("5550102");
    Click("dial");
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].code, 16);
    EXPECT_EQ(Recorder()->recorder().stage(), phone::CallStage::kIdle);
    EXPECT_EQ(Party("status").rfind("ok idle", 0), 0u);
}

TEST_F(PhoneRecorderTest, RedialCallsTheSelectedCallerAgain) {
    test::RecordFields bob;
    bob.number = 1;
    bob.kind = "2";
    bob.text_a = "Bob";
    bob.subject = "5550199";
    test::WriteWorkingLog(window_->session().store().working_folder(), "Voxwren.xrp", {bob});
    window_->ShowKind(ViewKind::kPhone);
    window_->record_view()->selectRow(0);
    ASSERT_TRUE(window_->commands().Trigger(Command::kRedial));
    ASSERT_NE(Recorder(), nullptr);
    EXPECT_EQ(Recorder()->caller_name_edit()->text(), "Bob");
    ASSERT_TRUE(WaitForStage(phone::CallStage::kPlacing));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return Party("status").find("5550199") != std::string::npos; }, 3000))
        << Party("status");
    EXPECT_EQ(Party("connect").rfind("ok", 0), 0u);
    ASSERT_TRUE(WaitForStage(phone::CallStage::kConnected));
    EXPECT_EQ(Party("hangup").rfind("ok", 0), 0u);
    ASSERT_TRUE(WaitForStage(phone::CallStage::kEnded));
    // Nothing was recorded: it closes without a question.
    Click("cancel");
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(PhoneRecorderTest, FileOpenAndClosingTheWindowAskTheRecorderAboutItsCallFirst) {
    TakeAndRecordACall();
    window_->OpenDataStore();  // Yes: the call is hung up and saved first
    ASSERT_FALSE(reporter_.reports().empty());
    EXPECT_EQ(reporter_.reports()[0].code, 1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Recorder() == nullptr; }, 2000));
    core::RecordList list;
    EXPECT_EQ(list.List(ViewKind::kPhone, window_->session().store().working_folder()), 1);

    TakeAndRecordACall();
    reporter_.set_answer(core::kAnswerNo);
    window_->close();
    EXPECT_EQ(reporter_.reports().back().code, 1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Recorder() == nullptr; }, 2000));
}

TEST_F(PhoneRecorderTest, ARecordingIsPlayedIntoTheConnectedCall) {
    TakeAndRecordACall();
    Click("stop");
    Click("hangup");
    Click("ok");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Party("status").rfind("ok idle", 0) == 0; }, 3000));
    QTest::qWait(100);  // the line reports the end
    window_->ShowKind(ViewKind::kPhone);
    ASSERT_EQ(window_->records().list().rows().size(), 1u);

    // Without a call there is nothing to play into.
    window_->record_view()->selectRow(0);
    ASSERT_TRUE(window_->commands().Trigger(Command::kPlayOverPhone));
    EXPECT_EQ(reporter_.reports().back().text, kNoCallConnectedText);

    window_->ShowKind(ViewKind::kPhone);
    window_->record_view()->selectRow(0);
    ASSERT_TRUE(window_->commands().Trigger(Command::kNewRecording));
    Recorder()->number_edit()->setText("5550123");
    Click("dial");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Party("connect").rfind("ok", 0) == 0; }, 3000));
    ASSERT_TRUE(WaitForStage(phone::CallStage::kConnected));
    const std::size_t reports = reporter_.reports().size();
    ASSERT_TRUE(window_->commands().Trigger(Command::kPlayOverPhone));
    auto* player = window_->findChild<PlayOverLineDialog*>("playOverLine");
    ASSERT_NE(player, nullptr);
    EXPECT_FALSE(player->play_button()->isEnabled());
    EXPECT_FALSE(player->close_button()->isEnabled());
    EXPECT_EQ(reporter_.reports().size(), reports);
    QTest::qWait(1200);  // a second of the stored call, then Stop
    player->stop_button()->click();
    EXPECT_TRUE(player->play_button()->isEnabled());
    player->close_button()->click();
    const std::string heard = (home_.home() / "heard.wav").string();
    EXPECT_EQ(Party("heard " + heard).rfind("ok", 0), 0u);
    EXPECT_GT(fs::file_size(heard), 44u + 8000u);
}

TEST_F(PhoneRecorderTest, ACallLeftByACrashIsOfferedAtStartAndSavedFromThePhoneRecorder) {
    window_->ShowKind(ViewKind::kPhone);
    const fs::path takes = window_->session().places().folders.takes_folder;
    const std::vector<std::uint8_t> said(16000, 0x21);  // a second of the line's audio
    {
        // The journal a recorder keeps of a call, let go as a killed
        // process lets it go.
        auto journal =
            phone::CallTakeJournal::Start(takes, "P20261208100000", "08/12/2026 10:00:00", said,
                                          [] { return std::chrono::steady_clock::now(); });
        ASSERT_NE(journal, nullptr);
        recorder::TakeDetails details;
        details.subject = phone::CallerSubject("01632960123", "Ann Smith");
        details.keywords = "prices";
        details.marks.push_back({500, "the offer"});
        ASSERT_TRUE(journal->WriteDetails(details));
    }
    window_->OfferTakeRecovery();
    ASSERT_NE(Recorder(), nullptr);
    EXPECT_TRUE(Recorder()->isVisible());
    EXPECT_EQ(Recorder()->recorder().stage(), phone::CallStage::kEnded);
    EXPECT_EQ(Recorder()->caller_name_edit()->text(), "Ann Smith");
    EXPECT_EQ(Recorder()->number_edit()->text(), "01632960123");
    EXPECT_EQ(Recorder()->keywords_edit()->text(), "prices");
    ASSERT_EQ(Recorder()->mark_list()->topLevelItemCount(), 1);
    EXPECT_EQ(Recorder()->duration_text(), "00:00:01");
    Click("ok");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Recorder() == nullptr; }, 2000));

    ASSERT_EQ(window_->records().list().rows().size(), 1u);
    const core::RecordRow& row = window_->records().list().rows().at(0);
    EXPECT_EQ(row.columns[1], "01632960123");
    EXPECT_EQ(row.columns[2], "Ann Smith");
    EXPECT_TRUE(fs::is_empty(takes));
}

TEST_F(PhoneRecorderTest, TheTimeLimitAlarmSoundsUntilItsNoticeIsClosedOverHighlightedFigures) {
    window_->session().profile().Write(window_->session().section(), "PhoneCost", "6");
    window_->session().profile().Write(window_->session().section(), "HighLight", "Y");
    TakeAndRecordACall();
    auto* cost = Recorder()->findChild<QLabel*>("cost");
    auto* time_left = Recorder()->findChild<QLabel*>("timeRemaining");
    ASSERT_NE(cost, nullptr);
    ASSERT_NE(time_left, nullptr);
    EXPECT_TRUE(cost->styleSheet().contains("background-color: black"));

    Recorder()->time_limit_edit()->setText("00:00");  // reached at once
    QMessageBox* notice = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            notice = Recorder()->findChild<QMessageBox*>("timeLimitAlarm");
            return notice != nullptr && notice->isVisible();
        },
        2000));
    EXPECT_TRUE(time_left->styleSheet().contains("color: red"));
    auto* sound = notice->findChild<RingSound*>("alarmSound");
    ASSERT_NE(sound, nullptr);
    EXPECT_TRUE(sound->ringing());
    EXPECT_EQ(sound->effect()->loopCount(), QSoundEffect::Infinite);
    EXPECT_TRUE(sound->effect()->source().toLocalFile().endsWith("/3002.wav"));
    EXPECT_TRUE(fs::exists(sound->effect()->source().toLocalFile().toStdString()));
    // The call goes on meanwhile; closing the notice silences it.
    EXPECT_EQ(Recorder()->recorder().stage(), phone::CallStage::kRecording);
    QPointer<RingSound> watched = sound;
    notice->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watched.isNull() || !watched->ringing(); }, 2000));
    Click("hangup");
}

}  // namespace
}  // namespace kivo::app

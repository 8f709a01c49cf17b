// The Phone Recorder's calls on the demo line, driven as the dialog drives
// them: the other party acts through the line's control commands (as
// kivo-line sends them), the library's messages reach the recorder only
// after the line has moved on, the in-call loop runs on a clock the test
// moves, and the call is stored in a real data store.
#include "kivo/phone/call_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/record_list.h"
#include "kivo/core/user_messages.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/telephony/line_control.h"
#include "kivo/telephony/simulated_line.h"
#include "telephony_test_support.h"
#include "temp_dir.h"
#include "zn2tapi.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRingPeriodMs = 100;

class PostedMessages : public telephony::Notifier {
public:
    void Post(void*, int message) override { pending.push_back(message); }
    std::vector<int> pending;
};

class CallRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work_);
        store_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        ASSERT_TRUE(built == 0 || built == 102) << built;  // 102: no sounds beside the test
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);

        auto directory = [this] {
            std::vector<std::unique_ptr<telephony::LineProvider>> lines;
            telephony::SimulatedLine::Options options;
            options.ring_period_ms = kRingPeriodMs;
            auto demo = std::make_unique<telephony::SimulatedLine>(options);
            line_ = demo.get();
            lines.push_back(std::move(demo));
            return lines;
        };
        library_ = std::make_unique<telephony::TapiLibrary>(status_, directory, posted_,
                                                            [](std::string_view) {});
    }

    void MakeRecorder() {
        recorder::RecorderTarget target{{}, {}, &profile_, "anna", 0, takes_};
        recorder::BindToSession(target, *store_);
        recorder_ =
            std::make_unique<CallRecorder>(*library_, target, reporter_, [this] { return now_; });
    }

    void OpenLine() {
        library_->InitVar();
        status_.deviceId = 0;
        status_.rings = 3;
        library_->Init();
        ASSERT_EQ(status_.status, 0);
        library_->Open(this);
        ASSERT_EQ(status_.lineOpen, 1);
    }

    void Party(const std::string& command) {
        const std::string reply = telephony::ExecuteLineCommand(*line_, command);
        ASSERT_EQ(reply.rfind("ok", 0), 0u) << command << ": " << reply;
    }

    // Moves the line and the recorder's clock on; the recorder handles what
    // was posted meanwhile and runs its loop, as the dialog's timer does.
    void Run(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 20) {
            line_->Advance(20);
            now_ += std::chrono::milliseconds(20);
            std::vector<int> messages;
            messages.swap(posted_.pending);
            for (int message : messages)
                recorder_->HandleMessage(message);
            figures_ = recorder_->Refresh();
            if (figures_.alarm)
                ++alarms_;
            max_level_ = std::max(max_level_, figures_.level);
        }
    }

    // A call from Ann that the user takes and that is connected.
    void TakeCallFromAnn() {
        OpenLine();
        MakeRecorder();
        Party("ring 01632960123 Ann Smith");
        Run(kRingPeriodMs);
        ASSERT_TRUE(recorder_->Dial(""));
        EXPECT_EQ(recorder_->stage(), CallStage::kPlacing);
        Run(100);
        ASSERT_EQ(recorder_->stage(), CallStage::kConnected);
    }

    recordstore::RecordFields StoredFields(std::size_t row) {
        const std::string log = test::ReadFileText((work_ / "Voxwren.xrp").string());
        recordstore::RecordLine line;
        EXPECT_TRUE(
            recordstore::RecordLine::Parse(log.substr((row + 1) * recordstore::kRecordLineBytes,
                                                      recordstore::kRecordLineBytes),
                                           &line)
                .ok());
        return line.Fields();
    }

    fs::path OpenStored(const std::string& container) {
        const fs::path opened = dir_.path() / "opened";
        fs::create_directories(opened);
        EXPECT_EQ(recordstore::RecordingContainer(container, recordstore::MediaKind::kAudio)
                      .OpenFromStore(opened.string(), store_->store_path().string(), 0),
                  recordstore::ContainerResult::kDone);
        return opened / container.substr(0, container.size() - 4);
    }

    std::vector<std::string> ReportedTexts() const {
        std::vector<std::string> texts;
        for (const auto& report : reporter_.reports())
            texts.push_back(report.text);
        return texts;
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    fs::path takes_;  // none: no take journal
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    TapiStatus status_{};
    PostedMessages posted_;
    std::unique_ptr<telephony::TapiLibrary> library_;
    telephony::SimulatedLine* line_ = nullptr;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    Clock::time_point now_ = Clock::time_point{} + std::chrono::hours(1);
    std::unique_ptr<CallRecorder> recorder_;
    CallFigures figures_;
    int alarms_ = 0;
    int max_level_ = 0;
};

TEST_F(CallRecorderTest, ATakenCallIsRecordedPausedStoppedHungUpAndSavedWithItsCost) {
    profile_.Write("anna", "PhoneCost", "6");  // per minute: 10p a second
    TakeCallFromAnn();
    EXPECT_EQ(recorder_->caller_name(), "Ann Smith");
    EXPECT_EQ(recorder_->caller_number(), "01632960123");
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.pickup = true, .hangup = true}));

    // Whole 200 ms buffers of speech, so that each span is kept exactly.
    const std::vector<std::uint8_t> first = test::CountingCallAudio(1000, 1);
    const std::vector<std::uint8_t> held = test::CountingCallAudio(600, 2);
    const std::vector<std::uint8_t> third = test::CountingCallAudio(1200, 3);
    test::WriteCallWave(dir_.file("first.wav"), first);
    test::WriteCallWave(dir_.file("held.wav"), held);
    test::WriteCallWave(dir_.file("third.wav"), third);
    Party("speak " + dir_.file("first.wav"));
    ASSERT_TRUE(recorder_->Pickup());
    EXPECT_EQ(recorder_->Buttons(),
              (PhoneRecorderButtons{.pause = true, .stop = true, .hangup = true, .mark = true}));
    Run(1000);
    ASSERT_TRUE(recorder_->AddMark("the offer"));
    recorder_->Pause();
    EXPECT_EQ(recorder_->stage(), CallStage::kPaused);
    EXPECT_EQ(recorder_->Buttons(),
              (PhoneRecorderButtons{.pause = true, .hangup = true, .mark = true}));
    Party("speak " + dir_.file("held.wav"));
    Run(600);  // held: what is said meanwhile is not kept
    recorder_->Pause();
    Party("speak " + dir_.file("third.wav"));
    Run(1200);
    ASSERT_TRUE(recorder_->AddMark("second half"));
    recorder_->Stop();
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.hangup = true}));
    EXPECT_GT(max_level_, 0);
    Run(20);
    EXPECT_EQ(figures_.level, 0);
    const std::string running_cost = figures_.cost_text;
    recorder_->HangUp();
    Run(100);
    EXPECT_EQ(line_->StateName(), "idle");
    EXPECT_EQ(recorder_->stage(), CallStage::kEnded);
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.ok = true, .dial = true}));
    // 10p for each whole second of the call, kept after the call for the record.
    const CallFigures ended = recorder_->Refresh();
    const int seconds = std::stoi(ended.duration_text.substr(6));
    EXPECT_GE(seconds, 2);
    EXPECT_EQ(ended.duration_text.substr(0, 6), "00:00:");
    char expected_cost[32];
    std::snprintf(expected_cost, sizeof expected_cost, "\xC2\xA3%.2f", seconds * 0.10);
    EXPECT_EQ(ended.cost_text, expected_cost);
    EXPECT_EQ(running_cost, expected_cost);

    recorder_->set_keywords("contract renewal");
    ASSERT_EQ(recorder_->Save(), 0);
    EXPECT_TRUE(reporter_.reports().empty());
    EXPECT_EQ(recorder_->record_number(), 1);

    const recordstore::RecordFields fields = StoredFields(0);
    EXPECT_EQ(fields.kind_code, "3");
    EXPECT_EQ(fields.text_a, "Ann Smith");
    EXPECT_EQ(fields.text_b, expected_cost);
    EXPECT_EQ(fields.subject, "01632960123");
    EXPECT_EQ(fields.duration, ended.duration_text);
    EXPECT_EQ(fields.kind_number, "");
    EXPECT_EQ(fields.recording_quality, "0");

    // The audio is the two spans, the held part left out; the marks point
    // into the recording, not into the call.
    const fs::path opened = OpenStored(fields.container_name);
    std::vector<std::uint8_t> expected_audio = first;
    expected_audio.insert(expected_audio.end(), third.begin(), third.end());
    EXPECT_EQ(test::ReadWaveSamples(opened.string() + ".xrw"), expected_audio);
    recordstore::IndexMarkRead marks;
    ASSERT_TRUE(recordstore::ReadIndexMarkFile(opened.string() + ".xrs", &marks).ok());
    ASSERT_EQ(marks.marks.size(), 2u);
    EXPECT_EQ(marks.marks[0].time_stamp, "00:00:01");
    EXPECT_EQ(marks.marks[0].comment, "the offer");
    EXPECT_EQ(marks.marks[1].time_stamp, "00:00:02");
    EXPECT_EQ(marks.marks[1].comment, "second half");

    core::RecordList list;
    ASSERT_EQ(list.List(core::ViewKind::kPhone, work_), 1);
    EXPECT_NE(list.rows()[0].image, core::kImageNewMessage);
    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_EQ(entry.kind_code, "3");
    EXPECT_NE(entry.keywords.find("contract renewal"), std::string::npos);
    EXPECT_FALSE(fs::exists(work_ / "buffer.wav"));
    EXPECT_FALSE(fs::exists(work_ / "data.wav"));
}

TEST_F(CallRecorderTest, DiallingIsRefusedWithoutAMonitoredLineAndWhileTheMachineIsOn) {
    MakeRecorder();
    EXPECT_FALSE(recorder_->Dial("5550102"));
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].code, 17);

    OpenLine();
    status_.autoAnswer = 1;
    EXPECT_FALSE(recorder_->Dial("5550102"));
    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_EQ(reporter_.reports()[1].code, 16);
    Run(100);
    EXPECT_EQ(line_->StateName(), "idle");
    EXPECT_EQ(recorder_->stage(), CallStage::kIdle);
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.dial = true}));
}

TEST_F(CallRecorderTest, ADialledCallIsRecordedUntilTheOtherPartyHangsUp) {
    OpenLine();
    MakeRecorder();
    ASSERT_TRUE(recorder_->Dial("016329609990123456789999"));
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.hangup = true}));
    Run(100);
    EXPECT_EQ(line_->StateName(), "dialling");
    EXPECT_EQ(line_->dialled_number(), "01632960999012345678");  // 20 characters
    EXPECT_EQ(recorder_->stage(), CallStage::kPlacing);
    Party("connect");
    Run(100);
    ASSERT_EQ(recorder_->stage(), CallStage::kConnected);

    const std::vector<std::uint8_t> speech = test::CountingCallAudio(700, 4);
    test::WriteCallWave(dir_.file("speech.wav"), speech);
    Party("speak " + dir_.file("speech.wav"));
    ASSERT_TRUE(recorder_->Pickup());
    Run(800);
    Party("hangup");  // in the middle of the recording
    Run(100);
    EXPECT_EQ(recorder_->stage(), CallStage::kEnded);
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.ok = true, .dial = true}));
    ASSERT_EQ(recorder_->Save(), 0);
    EXPECT_TRUE(reporter_.reports().empty());
    const recordstore::RecordFields fields = StoredFields(0);
    EXPECT_EQ(fields.subject, "01632960999012345678");
    EXPECT_EQ(fields.text_b, "");  // no cost per minute: no cost
    EXPECT_EQ(test::ReadWaveSamples(OpenStored(fields.container_name).string() + ".xrw"), speech);
    EXPECT_EQ(recorder_->last_number(), "01632960999012345678");
}

TEST_F(CallRecorderTest, ABusyNumberOrNoDialToneEndsTheCallWithNothingToSave) {
    OpenLine();
    MakeRecorder();
    ASSERT_TRUE(recorder_->Dial("5550102"));
    Run(100);
    Party("busy");
    Run(100);
    EXPECT_EQ(recorder_->stage(), CallStage::kEnded);
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.dial = true}));

    Party("nodialtone on");
    ASSERT_TRUE(recorder_->Dial("5550102"));  // the line says so later
    Run(100);
    EXPECT_EQ(recorder_->stage(), CallStage::kEnded);
    EXPECT_EQ(recorder_->Save(), 0);
    EXPECT_EQ(fs::file_size(work_ / "Voxwren.xrp"), recordstore::kRecordLineBytes);
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(CallRecorderTest, TheTimeLimitAlarmSoundsOnceAndTheTimeLeftThenRunsNegative) {
    TakeCallFromAnn();
    recorder_->set_time_limit("00:01");
    Run(20);
    EXPECT_EQ(figures_.time_left_text, "+00:01:00 ");
    EXPECT_EQ(figures_.cost_text, "");  // no "PhoneCost"
    Run(58000);
    EXPECT_EQ(alarms_, 0);
    EXPECT_FALSE(figures_.over_limit);
    Run(4000);
    EXPECT_EQ(alarms_, 1);
    EXPECT_TRUE(figures_.over_limit);
    EXPECT_EQ(figures_.time_left_text.substr(0, 8), "-00:00:0");

    // A later limit arms it again; with "Alarm On" cleared it stays silent.
    recorder_->set_time_limit("00:02");
    recorder_->set_alarm_on(false);
    Run(62000);
    EXPECT_EQ(alarms_, 1);
    EXPECT_TRUE(figures_.over_limit);
}

TEST_F(CallRecorderTest, TheCallersIdentityArrivingDuringACallIsWrittenOnce) {
    OpenLine();
    MakeRecorder();
    ASSERT_TRUE(recorder_->Dial("5550102"));
    Run(100);
    Party("connect");
    Run(100);
    // As the library fills it when the line sends the identity.
    std::snprintf(status_.callerNumber, sizeof status_.callerNumber, "%s", "01632960555");
    std::snprintf(status_.callerName, sizeof status_.callerName, "%s", "Cleo");
    status_.callerIdValid = 1;
    Run(20);
    EXPECT_TRUE(figures_.caller_arrived);
    EXPECT_EQ(recorder_->caller_number(), "01632960555");
    EXPECT_EQ(recorder_->caller_name(), "Cleo");

    recorder_->set_caller_number("01632 960 555");  // the user tidies it
    Run(20);
    EXPECT_FALSE(figures_.caller_arrived);
    EXPECT_EQ(recorder_->caller_number(), "01632 960 555");
}

TEST_F(CallRecorderTest, ClosingDuringARecordedCallHangsUpAndAsksBeforeDiscarding) {
    TakeCallFromAnn();
    const std::vector<std::uint8_t> speech = test::CountingCallAudio(400, 5);
    test::WriteCallWave(dir_.file("speech.wav"), speech);
    Party("speak " + dir_.file("speech.wav"));
    ASSERT_TRUE(recorder_->Pickup());
    Run(400);
    reporter_.set_answer(core::kAnswerNo);
    EXPECT_EQ(recorder_->Close(), recorder::CloseOutcome::kDiscarded);
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].code, 1);
    Run(100);
    EXPECT_EQ(line_->StateName(), "idle");
    EXPECT_EQ(fs::file_size(work_ / "Voxwren.xrp"), recordstore::kRecordLineBytes);
    for (const auto& entry : fs::directory_iterator(work_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name == "buffer.wav" || name == "data.wav" || name.ends_with(".xrw")) << name;
    }
}

TEST_F(CallRecorderTest, DiallingAgainOffersToSaveTheLastCallFirst) {
    TakeCallFromAnn();
    const std::vector<std::uint8_t> speech = test::CountingCallAudio(400, 6);
    test::WriteCallWave(dir_.file("speech.wav"), speech);
    Party("speak " + dir_.file("speech.wav"));
    ASSERT_TRUE(recorder_->Pickup());
    Run(400);
    recorder_->HangUp();
    Run(100);
    ASSERT_TRUE(recorder_->Dial("5550103"));  // Yes: saved first
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].code, 1);
    EXPECT_EQ(StoredFields(0).text_a, "Ann Smith");
    EXPECT_FALSE(recorder_->has_unsaved_recording());
}

}  // namespace
}  // namespace kivo::phone

namespace kivo::phone {
namespace {

// The process is killed (as by kill -9) while the user records a call: the
// next start offers the call, and saving it keeps what was said up to then,
// the caller and the mark.
TEST_F(CallRecorderTest, ACallKilledWhileRecordingIsOfferedAtTheNextStartAndSavedWhole) {
    takes_ = dir_.path() / "Takes";
    const std::vector<std::uint8_t> said = test::CountingCallAudio(1000, 1);
    test::WriteCallWave(dir_.file("said.wav"), said);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TakeCallFromAnn();
        if (recorder_ == nullptr || recorder_->stage() != CallStage::kConnected)
            ::_exit(2);
        Party("speak " + dir_.file("said.wav"));
        if (!recorder_->Pickup() || !recorder_->journal_kept())
            ::_exit(3);
        Run(1400);
        if (!recorder_->AddMark("the offer"))
            ::_exit(4);
        ::kill(::getpid(), SIGKILL);
        ::_exit(5);
    }
    int wait_status = 0;
    ASSERT_EQ(::waitpid(child, &wait_status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(wait_status)) << "child ended with " << WEXITSTATUS(wait_status);
    ASSERT_EQ(WTERMSIG(wait_status), SIGKILL);

    const recorder::TakeRecovery recovery(takes_);
    const std::vector<recorder::LeftoverTake> left = recovery.Find();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].info.kind, recorder::RecorderKind::kPhone);
    EXPECT_EQ(left[0].data_bytes, said.size());
    ASSERT_EQ(left[0].info.details.marks.size(), 1u);
    EXPECT_EQ(left[0].info.details.marks[0].comment, "the offer");

    MakeRecorder();
    const int opened = recorder::OfferLeftoverTakes(
        recovery, reporter_, work_,
        [this](const recorder::RecoveredTake& take, const std::function<void()>& release_take) {
            if (!recorder_->StartRecovered(take))
                return false;
            release_take();
            return true;
        });
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(recorder_->stage(), CallStage::kEnded);
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.ok = true, .dial = true}));
    EXPECT_EQ(recorder_->caller_name(), "Ann Smith");
    EXPECT_EQ(recorder_->caller_number(), "01632960123");
    // Until it is saved, the recovered call is kept in a journal of its own
    // (held, so passed over by a search).
    EXPECT_TRUE(recorder_->journal_kept());
    EXPECT_FALSE(fs::is_empty(takes_));
    EXPECT_TRUE(recovery.Find().empty());

    ASSERT_EQ(recorder_->Save(), 0);
    EXPECT_TRUE(fs::is_empty(takes_));
    const recordstore::RecordFields fields = StoredFields(0);
    EXPECT_EQ(fields.kind_code, "3");
    EXPECT_EQ(fields.text_a, "Ann Smith");
    EXPECT_EQ(fields.subject, "01632960123");
    EXPECT_EQ(fields.duration, "00:00:01");
    const fs::path stored = OpenStored(fields.container_name);
    EXPECT_EQ(test::ReadWaveSamples(stored.string() + ".xrw"), said);
    recordstore::IndexMarkRead marks;
    ASSERT_TRUE(recordstore::ReadIndexMarkFile(stored.string() + ".xrs", &marks).ok());
    ASSERT_EQ(marks.marks.size(), 1u);
    EXPECT_EQ(marks.marks[0].comment, "the offer");
}

// A call the user saves, and one the user declines to save, leave nothing
// for the next start; while the call is held its journal follows the takes.
TEST_F(CallRecorderTest, ASavedOrDiscardedCallLeavesNoTakeBehind) {
    takes_ = dir_.path() / "Takes";
    const std::vector<std::uint8_t> said = test::CountingCallAudio(600, 2);
    test::WriteCallWave(dir_.file("said.wav"), said);
    const recorder::TakeRecovery recovery(takes_);

    TakeCallFromAnn();
    Party("speak " + dir_.file("said.wav"));
    ASSERT_TRUE(recorder_->Pickup());
    Run(800);
    recorder_->HangUp();
    Run(100);
    std::vector<recorder::LeftoverTake> held = recovery.Find();
    ASSERT_EQ(held.size(), 0u);  // held by this recorder: passed over
    ASSERT_EQ(recorder_->Save(), 0);
    EXPECT_TRUE(fs::is_empty(takes_));

    Party("ring 01632960123 Ann Smith");
    Run(kRingPeriodMs);
    ASSERT_TRUE(recorder_->Dial(""));
    Run(100);
    Party("speak " + dir_.file("said.wav"));
    ASSERT_TRUE(recorder_->Pickup());
    Run(800);
    EXPECT_FALSE(fs::is_empty(takes_));
    recorder_.reset();  // the user closed it without saving: discarded
    EXPECT_TRUE(fs::is_empty(takes_));
}

// "PhWarn" on: the caller of a call the user takes hears the store's
// warning message once the call is connected; a call the user dials, or any
// call with "PhWarn" off, hears nothing.
TEST_F(CallRecorderTest, TheWarningMessageIsPlayedToACallerTheUserTakesOnlyWithPhWarnOn) {
    const std::vector<std::uint8_t> warning = test::CountingCallAudio(600, 4);
    test::WriteCallWave((work_ / "xrwarn.wav").string(), warning);
    const auto heard = [this] {
        Party("heard " + dir_.file("heard.wav"));
        return test::ReadWaveSamples(dir_.file("heard.wav"));
    };

    profile_.Write("anna", "PhWarn", "Y");
    TakeCallFromAnn();
    Run(1000);
    EXPECT_EQ(heard(), warning);
    EXPECT_TRUE(reporter_.reports().empty());
    recorder_->HangUp();
    Run(100);

    Party("nodialtone off");
    ASSERT_TRUE(recorder_->Dial("01632960999"));
    Run(100);
    Party("connect");
    Run(1000);
    ASSERT_EQ(recorder_->stage(), CallStage::kConnected);
    EXPECT_EQ(heard(), warning);  // nothing more was played
    recorder_->HangUp();
    Run(100);

    profile_.Write("anna", "PhWarn", "N");
    Party("ring 01632960123 Ann Smith");
    Run(kRingPeriodMs);
    ASSERT_TRUE(recorder_->Dial(""));
    Run(1000);
    ASSERT_EQ(recorder_->stage(), CallStage::kConnected);
    EXPECT_EQ(heard(), warning);  // nothing more was played
}

// PICKUP and at once HANGUP, before the line delivered any sound: there is
// no recording, so nothing is offered for saving and no error is shown.
TEST_F(CallRecorderTest, ACallHungUpBeforeAnySoundWasRecordedHasNothingToSave) {
    takes_ = dir_.path() / "Takes";
    TakeCallFromAnn();
    ASSERT_TRUE(recorder_->Pickup());
    recorder_->HangUp();
    Run(100);
    EXPECT_EQ(recorder_->stage(), CallStage::kEnded);
    EXPECT_FALSE(recorder_->has_unsaved_recording());
    EXPECT_EQ(recorder_->Buttons(), (PhoneRecorderButtons{.dial = true}));
    EXPECT_EQ(recorder_->Save(), 0);
    EXPECT_TRUE(reporter_.reports().empty());
    EXPECT_FALSE(fs::exists(work_ / "Voxwren.xrp") &&
                 fs::file_size(work_ / "Voxwren.xrp") > recordstore::kRecordLineBytes);
    EXPECT_TRUE(fs::is_empty(takes_));
}

}  // namespace
}  // namespace kivo::phone

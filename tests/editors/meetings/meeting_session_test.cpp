// The meeting recorder over the virtual microphone (manual clock) and a
// settable local clock: spans summed into the duration, the running cost,
// the time left and its alarm, marks from agenda items, and the saved
// meeting record with its marks file and agenda.
#include "kivo/meeting/meeting_session.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "kivo/recordstore/index_mark_file.h"
#include "span_store_fixture.h"

namespace kivo::meeting {
namespace {

namespace fs = std::filesystem;
using recorder::SpanState;

const char* const kPound = "\xC2\xA3";

class MeetingSessionTest : public test::SpanStoreTest {
protected:
    void OpenMeeting(format::Agenda agenda = {}) {
        session_ = std::make_unique<MeetingSession>(*backend_, target_, reporter_);
        ASSERT_EQ(session_->Open(std::move(agenda)), 0);
    }

    // Lets audio and the local clock run together, refreshing the figures
    // every second as the dialog's timer does.
    void Run(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            test::AdvanceAndPump(*backend_, 1000, 100);
            AdvanceClock(1);
            session_->Refresh();
        }
    }

    static format::Agenda BoardAgenda() {
        return {"Board meeting", {{1, "Budget"}, {2, "Travel costs"}, {1, "Any other business"}}};
    }

    std::unique_ptr<MeetingSession> session_;
};

TEST_F(MeetingSessionTest, ThreeSpansAreSummedIntoTheDurationAndTheCost) {
    profile_.Write("anna", "MeetCost", "60.00");
    OpenMeeting();
    EXPECT_EQ(session_->cost_text(), std::string(kPound) + "0.00");
    EXPECT_EQ(profile_.Read("anna", "Currency"), kPound);  // written when missing
    EXPECT_EQ(profile_.Read("anna", "HighLight"), "N");

    ASSERT_EQ(session_->Pickup(), 0);
    Run(60);
    session_->Pause();
    EXPECT_EQ(session_->recording().state(), SpanState::kPaused);
    Run(30);  // not recorded, not charged
    EXPECT_EQ(session_->duration_text(), "00:01:00");
    session_->Pause();
    Run(45);
    session_->Stop();
    EXPECT_EQ(session_->duration_text(), "00:01:45");
    ASSERT_EQ(session_->Pickup(), 0);
    Run(75);
    session_->Stop();

    EXPECT_EQ(session_->duration_text(), "00:03:00");
    EXPECT_EQ(session_->cost_text(), std::string(kPound) + "3.00");
    // The recording is the microphone's input of the recorded spans only.
    EXPECT_EQ(session_->recording().document().length_ms(), 180000);
}

TEST_F(MeetingSessionTest, ButtonsFollowTheStateTable) {
    OpenMeeting();
    recorder::SpanButtons opened = session_->recording().Buttons();
    EXPECT_TRUE(opened.pickup && opened.cancel);
    EXPECT_FALSE(opened.pause || opened.stop || opened.mark || opened.ok);
    ASSERT_EQ(session_->Pickup(), 0);
    recorder::SpanButtons recording = session_->recording().Buttons();
    EXPECT_TRUE(recording.pause && recording.stop && recording.mark);
    EXPECT_FALSE(recording.pickup || recording.ok || recording.cancel);
    Run(1);
    session_->Stop();
    recorder::SpanButtons stopped = session_->recording().Buttons();
    EXPECT_TRUE(stopped.pickup && stopped.ok && stopped.cancel);
    EXPECT_FALSE(stopped.pause || stopped.stop || stopped.mark);
}

TEST_F(MeetingSessionTest, TimeLeftTurnsNegativeAndTheAlarmIsRaisedOnceAtThePlannedEnd) {
    SetTimeOfDay(10, 0, 0);
    OpenMeeting();
    session_->ApplyTimesAndCosts({"10:00", "10:02", std::nullopt, kPound});
    QSignalSpy alarms(session_.get(), &MeetingSession::overRun);
    ASSERT_EQ(session_->Pickup(), 0);
    Run(60);
    EXPECT_EQ(session_->time_left_text(), "+00:01:00 ");
    EXPECT_EQ(alarms.count(), 0);
    Run(90);
    EXPECT_EQ(session_->time_left_text(), "-00:00:30 ");
    EXPECT_TRUE(session_->over_run());
    EXPECT_EQ(alarms.count(), 1);

    // Remind me in 1 minute: one more alarm at 10:03, then no more.
    session_->RemindIn(1);
    Run(120);
    EXPECT_EQ(alarms.count(), 2);
    session_->Stop();
}

TEST_F(MeetingSessionTest, AlarmOffRaisesNothing) {
    SetTimeOfDay(10, 0, 0);
    OpenMeeting();
    session_->ApplyTimesAndCosts({"10:00", "10:01", std::nullopt, kPound});
    session_->set_alarm_on(false);
    QSignalSpy alarms(session_.get(), &MeetingSession::overRun);
    ASSERT_EQ(session_->Pickup(), 0);
    Run(90);
    EXPECT_TRUE(session_->over_run());
    EXPECT_EQ(alarms.count(), 0);
    session_->Stop();
}

TEST_F(MeetingSessionTest, AgendaItemsMarkTheRecordingOnlyWhileRecording) {
    OpenMeeting(BoardAgenda());
    EXPECT_EQ(session_->recording().subject(), "Board meeting");
    EXPECT_FALSE(session_->MarkAgendaItem(0));  // not recording yet
    ASSERT_EQ(session_->Pickup(), 0);
    Run(5);
    ASSERT_TRUE(session_->MarkAgendaItem(1));
    Run(3);
    ASSERT_TRUE(session_->AddMark("typed remark"));
    EXPECT_FALSE(session_->MarkAgendaItem(7));  // no such item
    session_->Stop();
    EXPECT_FALSE(session_->MarkAgendaItem(2));  // stopped

    const std::vector<recorder::RecorderMark>& marks = session_->recording().marks();
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].comment, "Travel costs");
    EXPECT_EQ(marks[0].time_ms, 5000);
    EXPECT_EQ(marks[1].comment, "typed remark");
    EXPECT_EQ(marks[1].time_ms, 8000);
}

TEST_F(MeetingSessionTest, ItemsTypedIntoTheAgendaAreCutToTheItemLengthAtACharacter) {
    OpenMeeting();
    EXPECT_FALSE(session_->AddAgendaItem("   "));
    ASSERT_TRUE(session_->AddAgendaItem("  Budget"));
    // 254 bytes, then a two-byte character that does not fit.
    ASSERT_TRUE(session_->AddAgendaItem(std::string(254, 'x') + "\xC3\xA9tail"));
    ASSERT_EQ(session_->agenda().items.size(), 2u);
    EXPECT_EQ(session_->agenda().items[0].text, "Budget");
    EXPECT_EQ(session_->agenda().items[1].text, std::string(254, 'x'));
    ASSERT_EQ(session_->Pickup(), 0);
    Run(1);
    EXPECT_TRUE(session_->MarkAgendaItem(0));
    session_->Stop();
}

TEST_F(MeetingSessionTest, SavedMeetingIsKindOneInTheMeetingLogWithCostMarksAndAgenda) {
    profile_.Write("anna", "MeetCost", "120");
    profile_.Write("anna", "Currency", "EUR");
    OpenMeeting(BoardAgenda());
    ASSERT_EQ(session_->Pickup(), 0);
    Run(10);
    ASSERT_TRUE(session_->MarkAgendaItem(0));
    Run(20);
    session_->Stop();
    session_->recording().set_keywords("budget travel");

    ASSERT_EQ(session_->Save(), 0) << reporter_.codes().size();
    EXPECT_TRUE(session_->recording().saved());
    const std::vector<recordstore::RecordLine> lines = LogLines("Voxwren.xrm");
    ASSERT_EQ(lines.size(), 1u);
    const recordstore::RecordFields fields = lines[0].Fields();
    EXPECT_EQ(fields.kind_code, "1");
    EXPECT_EQ(fields.text_a, "EUR1.00");  // 30 s at 120 an hour
    EXPECT_EQ(fields.subject, "Board meeting");
    EXPECT_EQ(fields.duration, "00:00:30");
    EXPECT_EQ(fields.container_name, session_->recording().files().container_name());
    EXPECT_TRUE(LogLines("Voxwren.xrr").empty());

    const fs::path opened = OpenContainer(fields.container_name, XR_OPEN_DEFAULT);
    const std::string base = session_->recording().files().base_name();
    // The meeting's marks file: time stamp, space, comment, no type.
    const std::string marks = test::ReadFileText((opened / (base + ".xrs")).string());
    ASSERT_EQ(marks.size(), recordstore::kIndexMarkEntryBytes);
    EXPECT_EQ(marks,
              recordstore::EncodeIndexMarkEntry(recordstore::MakeIndexMark("00:00:10", "Budget"),
                                                recordstore::IndexMarkStyle::kWithoutType));
    EXPECT_EQ(marks.find_first_not_of(' ', std::string("00:00:10 Budget").size()),
              std::string::npos);
    // The agenda travels after the record line.
    format::Agenda agenda;
    ASSERT_TRUE(format::LoadAgenda((opened / (base + ".xrl")).string(), &agenda).ok());
    EXPECT_EQ(agenda.title, "Board meeting");
    ASSERT_EQ(agenda.items.size(), 3u);
    EXPECT_EQ(agenda.items[1].text, "Travel costs");
    EXPECT_EQ(agenda.items[1].depth, 2);
}

TEST_F(MeetingSessionTest, NoCostPerHourLeavesTheCostFieldEmpty) {
    OpenMeeting();
    ASSERT_EQ(session_->Pickup(), 0);
    Run(2);
    session_->Stop();
    ASSERT_EQ(session_->Save(), 0);
    const std::vector<recordstore::RecordLine> lines = LogLines("Voxwren.xrm");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Fields().text_a, "");
}

TEST_F(MeetingSessionTest, TheTakeGoesToTheJournalWhileRecordingAndNoAtCloseDiscardsIt) {
    OpenMeeting();
    ASSERT_EQ(session_->Pickup(), 0);
    Run(3);
    const fs::path journal = session_->recording().JournalPath();
    ASSERT_FALSE(journal.empty());
    EXPECT_TRUE(fs::exists(journal));
    session_->Stop();
    EXPECT_EQ(session_->Close(), recorder::CloseOutcome::kDiscarded);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_TRUE(LogLines("Voxwren.xrm").empty());
}

// A full disk refuses the store and leaves no room for the take either:
// the meeting stays in the recorder, and OK saves it whole once there is
// room.
TEST_F(MeetingSessionTest, ARefusedSaveThatCannotKeepTheTakeKeepsTheMeetingInTheRecorder) {
    fs::create_directories(takes_.parent_path());
    test::WriteFileText(takes_.string(), "in the way");
    OpenMeeting();
    ASSERT_EQ(session_->Pickup(), 0);
    Run(3);
    session_->Stop();
    const fs::path away = dir_.path() / "away.xrt";
    fs::rename(store_->store_path(), away);
    fs::create_directory(store_->store_path());  // the store refuses the container

    EXPECT_NE(session_->Save(), 0);
    EXPECT_FALSE(session_->recording().saved());
    EXPECT_TRUE(session_->recording().recording_open());
    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_EQ(reporter_.reports()[1].style, core::kStyleExclamation);

    fs::remove(store_->store_path());
    fs::rename(away, store_->store_path());
    ASSERT_EQ(session_->Save(), 0);
    const std::vector<recordstore::RecordLine> lines = LogLines("Voxwren.xrm");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Fields().duration, "00:00:03");
}

TEST_F(MeetingSessionTest, TimesAndCostsGoToTheProfile) {
    OpenMeeting();
    session_->ApplyTimesAndCosts({"09:00", "10:30", 45.5, "$"});
    EXPECT_EQ(profile_.Read("anna", "MeetCost"), "45.50");
    EXPECT_EQ(profile_.Read("anna", "Currency"), "$");
    EXPECT_EQ(session_->times_and_costs().planned_end, "10:30");
}

}  // namespace
}  // namespace kivo::meeting

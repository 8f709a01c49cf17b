// The dictation session over the virtual microphone (manual clock): the
// transport state table, Cut enabling, marks kept on their words through an
// insert, and saving into a real data store (record log, container, index,
// report) or discarding at the close prompt.
#include "kivo/dictation/dictation_session.h"

#include <gtest/gtest.h>

#include "dictation_store_fixture.h"
#include "file_bytes.h"
#include "kivo/format/zn2fmt.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "zn2index.h"

namespace kivo::dictation {
namespace {

using DictationSessionTest = DictationStoreTest;

TEST_F(DictationSessionTest, ButtonsFollowTheStateTable) {
    ButtonStates idle = session_->Buttons();
    EXPECT_TRUE(idle.record && idle.cancel);
    EXPECT_FALSE(idle.ok || idle.play || idle.stop || idle.mark || idle.cut || idle.positions);

    ASSERT_EQ(session_->Record(), 0);
    ButtonStates recording = session_->Buttons();
    EXPECT_TRUE(recording.stop && recording.mark);
    EXPECT_FALSE(recording.ok || recording.cancel || recording.record || recording.play);

    test::AdvanceAndPump(*backend_, 1000);
    session_->Stop();
    ButtonStates stopped = session_->Buttons();
    EXPECT_TRUE(stopped.ok && stopped.cancel && stopped.play && stopped.record && stopped.rewind &&
                stopped.fast_forward && stopped.positions);
    EXPECT_FALSE(stopped.stop || stopped.mark);

    session_->Rewind();
    ASSERT_EQ(session_->Play(), 0);
    EXPECT_EQ(session_->state(), TransportState::kPlaying);
    ButtonStates playing = session_->Buttons();
    EXPECT_TRUE(playing.stop && playing.mark && playing.rewind && playing.fast_forward);
    EXPECT_FALSE(playing.play || playing.ok || playing.cancel || playing.record);
    test::AdvanceAndPump(*backend_, 1200);
    EXPECT_EQ(session_->state(), TransportState::kStopped);  // the play reached cut-to
}

TEST_F(DictationSessionTest, CutIsEnabledOnlyWhileCutFromIsBeforeCutTo) {
    RecordFor(3000);
    ASSERT_EQ(session_->cut_to_ms(), 3000);  // a recording ends with cut-to at the end
    session_->SetCutFrom(2000);
    session_->SetCutTo(1000);
    EXPECT_FALSE(session_->CanCut());
    EXPECT_FALSE(session_->Cut());
    session_->SetCutTo(2000);
    EXPECT_FALSE(session_->Buttons().cut);
    session_->SetCutFrom(500);
    EXPECT_TRUE(session_->Buttons().cut);
    ASSERT_TRUE(session_->Cut());
    EXPECT_EQ(session_->length_ms(), 1500);
    EXPECT_FALSE(session_->Buttons().cut);   // disabled after a cut until a position changes
    EXPECT_EQ(session_->cut_to_ms(), 1500);  // cut-to kept within the new length
}

TEST_F(DictationSessionTest, InsertRecordingMovesTheLaterMarks) {
    ASSERT_EQ(session_->Record(), 0);
    test::AdvanceAndPump(*backend_, 1000);
    ASSERT_TRUE(session_->AddMark("one second"));
    test::AdvanceAndPump(*backend_, 1000);
    session_->Stop();

    session_->SetCutTo(500);  // recording starts at cut-to
    session_->set_record_insert(true);
    ASSERT_EQ(session_->Record(), 0);
    test::AdvanceAndPump(*backend_, 200);
    ASSERT_TRUE(session_->AddMark("inside the insert"));
    test::AdvanceAndPump(*backend_, 800);
    session_->Stop();

    EXPECT_EQ(session_->length_ms(), 3000);
    const std::vector<recorder::RecorderMark> marks = session_->Marks();
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].comment, "inside the insert");
    EXPECT_EQ(marks[0].time_ms, 700);
    EXPECT_EQ(marks[1].comment, "one second");
    EXPECT_EQ(marks[1].time_ms, 2000);
}

TEST_F(DictationSessionTest, SavedDictationIsInTheLogContainerIndexAndReport) {
    ASSERT_EQ(session_->Record(), 0);
    test::AdvanceAndPump(*backend_, 500);
    ASSERT_TRUE(session_->AddMark("opening words"));
    test::AdvanceAndPump(*backend_, 1000);
    ASSERT_TRUE(session_->AddMark("the main point"));
    test::AdvanceAndPump(*backend_, 500);
    session_->Stop();
    session_->set_subject("Letter to the bank");
    session_->set_keywords("loan\r\nrates");

    ASSERT_EQ(session_->Save(), 0) << reporter_.codes().size();
    EXPECT_TRUE(session_->saved());
    EXPECT_EQ(session_->record_number(), 1);
    EXPECT_EQ(profile_.Read("anna", "RecID"), "00000001");
    EXPECT_TRUE(LeftOverFiles().empty());

    // The record log, as the lists read it, in a fresh load of the store.
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    ASSERT_EQ(log.size(), 2 * recordstore::kRecordLineBytes);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    const recordstore::RecordFields fields = line.Fields();
    EXPECT_EQ(fields.record_number, 1);
    EXPECT_EQ(fields.kind_code, "0");
    EXPECT_EQ(fields.subject, "Letter to the bank");
    EXPECT_EQ(fields.container_name, session_->ContainerName());
    EXPECT_EQ(fields.duration, "00:00:02");
    EXPECT_EQ(fields.recording_quality, "0");

    // The wave in the container is the microphone's input, sample for sample.
    const fs::path opened = OpenContainer(XR_OPEN_DEFAULT);
    const std::string base = "D" + session_->stamp();
    EXPECT_EQ(test::ReadWaveSamples((opened / (base + ".xrw")).string()), Tape(0, 2000));

    // Keywords went to the index with line breaks as spaces.
    const std::string index_path = (work_ / "Voxwren.xri").string();
    std::string keywords(ZN2INDEX_KEYWORDS_BUFFER_BYTES, '\0');
    ASSERT_NE(Zn2IndexRead(1, index_path.c_str(), keywords.data()), 0);
    EXPECT_EQ(std::string(keywords.c_str()), "loan  rates");

    // The report lists the marks in time order.
    const std::string report =
        Zn2FmtMessage(store_->store_path().string().c_str(), opened.string().c_str(),
                      session_->ContainerName().c_str(), index_path.c_str());
    const std::size_t first = report.find("opening words");
    const std::size_t second = report.find("the main point");
    ASSERT_NE(first, std::string::npos) << report;
    ASSERT_NE(second, std::string::npos) << report;
    EXPECT_LT(first, second);
    EXPECT_NE(report.find("Letter to the bank"), std::string::npos);
}

TEST_F(DictationSessionTest, NoMarksGiveAnEmptyIndexMarkFile) {
    RecordFor(1000);
    ASSERT_EQ(session_->Save(), 0);
    const fs::path opened = OpenContainer(XR_OPEN_MARKS);
    const fs::path marks = opened / ("D" + session_->stamp() + ".xrs");
    ASSERT_TRUE(fs::exists(marks));
    EXPECT_EQ(fs::file_size(marks), 0u);
}

TEST_F(DictationSessionTest, NoAtTheClosePromptLeavesTheStoreUnchanged) {
    const std::string store_before = test::ReadFileText(store_->store_path().string());
    const std::string log_before = test::ReadFileText((work_ / "Voxwren.xrr").string());
    RecordFor(1000);
    ASSERT_TRUE(session_->has_unsaved_recording());

    EXPECT_EQ(session_->Close(), CloseOutcome::kDiscarded);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_EQ(test::ReadFileText(store_->store_path().string()), store_before);
    EXPECT_EQ(test::ReadFileText((work_ / "Voxwren.xrr").string()), log_before);
    EXPECT_EQ(profile_.Find("anna", "RecID"), std::nullopt);  // no number used up
    EXPECT_TRUE(LeftOverFiles().empty());
}

TEST_F(DictationSessionTest, YesAtTheClosePromptSaves) {
    RecordFor(1000);
    reporter_.set_answer(core::kAnswerYes);
    EXPECT_EQ(session_->Close(), CloseOutcome::kSaved);
    EXPECT_EQ(session_->record_number(), 1);
    EXPECT_TRUE(LeftOverFiles().empty());
}

TEST_F(DictationSessionTest, ClosingWithNothingRecordedAsksNothing) {
    EXPECT_EQ(session_->Close(), CloseOutcome::kDiscarded);
    EXPECT_TRUE(reporter_.codes().empty());
}

}  // namespace
}  // namespace kivo::dictation

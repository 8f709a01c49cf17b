// The cut positions by slider, spin and transport: the session's slider
// rules over the virtual microphone (manual clock), and the dialog on the
// offscreen platform keeping its spins, sliders, "hh:mm:ss" texts, "Cut"
// and status icon in step; and the predefined index comments it offers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <chrono>

#include "dictation_store_fixture.h"
#include "kivo/dictation/dictation_recorder_dialog.h"

namespace kivo::dictation {
namespace {

using DictationSliderSessionTest = DictationStoreTest;

TEST(SliderSecondsTest, WholeSecondsAndNeverAnEmptyRange) {
    EXPECT_EQ(SliderSeconds(0), 1);
    EXPECT_EQ(SliderSeconds(999), 1);
    EXPECT_EQ(SliderSeconds(2500), 2);
    EXPECT_EQ(SliderSeconds(60000), 60);
}

TEST_F(DictationSliderSessionTest, ReleasingTheStartSliderSeeksClampedToTheLength) {
    RecordFor(3500);
    session_->ReleaseStartSlider(2);
    EXPECT_EQ(session_->position_ms(), 2000);
    EXPECT_EQ(session_->cut_from_ms(), 2000);
    EXPECT_TRUE(session_->CanCut());  // 2000 < 3500

    // Past the end: the seek stops at the end, and cut-from is where it stopped.
    session_->ReleaseStartSlider(9);
    EXPECT_EQ(session_->position_ms(), 3500);
    EXPECT_EQ(session_->cut_from_ms(), 3500);
    EXPECT_FALSE(session_->CanCut());

    session_->ReleaseEndSlider(1);
    EXPECT_EQ(session_->cut_to_ms(), 1000);
    session_->ReleaseEndSlider(60);
    EXPECT_EQ(session_->cut_to_ms(), 3500);
}

TEST_F(DictationSliderSessionTest, DraggingMarksTheUserDraggingOnlyWhileRunning) {
    RecordFor(4000);
    session_->DragEndSlider(3);
    EXPECT_EQ(session_->cut_to_ms(), 3000);
    EXPECT_FALSE(session_->user_dragging());
    session_->DragStartSlider(1);
    EXPECT_EQ(session_->cut_from_ms(), 1000);
    EXPECT_FALSE(session_->user_dragging());

    // Playing [1 s, 3 s): a drag holds the position text, a release frees
    // it and leaves the playback where it is.
    ASSERT_EQ(session_->Play(), 0);
    test::AdvanceAndPump(*backend_, 500);
    session_->DragStartSlider(0);
    EXPECT_TRUE(session_->user_dragging());
    EXPECT_EQ(session_->cut_from_ms(), 0);
    session_->ReleaseStartSlider(0);
    EXPECT_FALSE(session_->user_dragging());
    EXPECT_EQ(session_->cut_from_ms(), 0);
    EXPECT_EQ(session_->position_ms(), 1500);
    EXPECT_EQ(session_->state(), TransportState::kPlaying);

    // A drag still held when the transport stops does not outlive it.
    session_->DragEndSlider(2);
    EXPECT_TRUE(session_->user_dragging());
    session_->Stop();
    EXPECT_FALSE(session_->user_dragging());
}

class DictationSliderDialogTest : public DictationStoreTest {
protected:
    void SetUp() override {
        DictationStoreTest::SetUp();
        dialog_ = std::make_unique<DictationRecorderDialog>(*backend_, target_, reporter_);
        ASSERT_TRUE(dialog_->Start());
        dialog_->show();
    }

    void RecordByClicks(int ms) {
        QTest::mouseClick(dialog_->record_button(), Qt::LeftButton);
        test::AdvanceAndPump(*backend_, ms);
        QTest::mouseClick(dialog_->stop_button(), Qt::LeftButton);
    }

    // A drag with the mouse held to `seconds`, then let go.
    static void Drag(QSlider* slider, int seconds, bool release = true) {
        slider->setSliderDown(true);
        slider->setSliderPosition(seconds);
        if (release)
            slider->setSliderDown(false);
    }

    DictationSession& session() { return dialog_->session(); }

    std::unique_ptr<DictationRecorderDialog> dialog_;
};

TEST_F(DictationSliderDialogTest, SlidersFollowTheRecordingInWholeSeconds) {
    QSlider* start = dialog_->start_slider();
    QSlider* end = dialog_->end_slider();
    EXPECT_EQ(end->maximum(), 1);  // nothing recorded yet
    EXPECT_FALSE(start->isEnabled());

    RecordByClicks(12000);
    EXPECT_TRUE(start->isEnabled() && end->isEnabled());
    EXPECT_EQ(start->maximum(), 12);
    EXPECT_EQ(end->maximum(), 12);
    EXPECT_EQ(end->pageStep(), 2);  // a sixth of the range
    EXPECT_EQ(start->value(), 0);
    EXPECT_EQ(end->value(), 12);  // the recording ended: cut-to at the end
    EXPECT_EQ(dialog_->cut_to_time_label()->text(), QStringLiteral("00:00:12"));
    EXPECT_EQ(dialog_->cut_from_time_label()->text(), QStringLiteral("00:00:00"));
}

TEST_F(DictationSliderDialogTest, DraggingShowsTheSliderAndReleasingSeeks) {
    RecordByClicks(12000);
    QSlider* start = dialog_->start_slider();
    Drag(start, 5, false);
    EXPECT_EQ(dialog_->position_label()->text(), QStringLiteral("00:00:05"));
    EXPECT_EQ(session().cut_from_ms(), 5000);
    EXPECT_EQ(dialog_->cut_from_spin()->value(), 5000);
    EXPECT_EQ(dialog_->cut_from_time_label()->text(), QStringLiteral("00:00:05"));
    start->setSliderDown(false);
    EXPECT_EQ(session().position_ms(), 5000);
    EXPECT_EQ(dialog_->position_label()->text(), QStringLiteral("00:00:05"));
    EXPECT_EQ(dialog_->cut_from_spin()->value(), 5000);

    Drag(dialog_->end_slider(), 8);
    EXPECT_EQ(session().cut_to_ms(), 8000);
    EXPECT_EQ(dialog_->cut_to_spin()->value(), 8000);
    EXPECT_EQ(dialog_->cut_to_time_label()->text(), QStringLiteral("00:00:08"));
    EXPECT_TRUE(dialog_->cut_button()->isEnabled());

    // Cut only while cut-from is before cut-to.
    Drag(dialog_->end_slider(), 5);
    EXPECT_FALSE(dialog_->cut_button()->isEnabled());
    Drag(dialog_->end_slider(), 4);
    EXPECT_FALSE(dialog_->cut_button()->isEnabled());
    dialog_->cut_from_spin()->setValue(3999);
    EXPECT_TRUE(dialog_->cut_button()->isEnabled());
}

TEST_F(DictationSliderDialogTest, ReleasingPastAShortRecordingStopsAtItsEnd) {
    RecordByClicks(500);
    QSlider* start = dialog_->start_slider();
    ASSERT_EQ(start->maximum(), 1);
    Drag(start, 1);
    EXPECT_EQ(session().position_ms(), 500);
    EXPECT_EQ(session().cut_from_ms(), 500);
    EXPECT_EQ(dialog_->cut_from_spin()->value(), 500);
    EXPECT_EQ(start->value(), 0);  // 500 ms is second 0
    EXPECT_FALSE(dialog_->cut_button()->isEnabled());
}

TEST_F(DictationSliderDialogTest, SpinsAndSlidersStayInStep) {
    RecordByClicks(12000);
    dialog_->cut_from_spin()->setValue(7300);
    EXPECT_EQ(dialog_->start_slider()->value(), 7);
    EXPECT_EQ(dialog_->cut_from_time_label()->text(), QStringLiteral("00:00:07"));
    dialog_->cut_to_spin()->setValue(9999);
    EXPECT_EQ(dialog_->end_slider()->value(), 9);
    EXPECT_EQ(dialog_->cut_to_time_label()->text(), QStringLiteral("00:00:09"));
    EXPECT_TRUE(dialog_->cut_button()->isEnabled());
    // A key step on a slider is a drag and a release at once.
    dialog_->end_slider()->setFocus();
    QTest::keyClick(dialog_->end_slider(), Qt::Key_Left);
    EXPECT_EQ(session().cut_to_ms(), 8000);
    EXPECT_EQ(dialog_->cut_to_spin()->value(), 8000);
}

TEST_F(DictationSliderDialogTest, TransportMovesTheSliders) {
    RecordByClicks(12000);
    dialog_->cut_from_spin()->setValue(5000);
    dialog_->cut_to_spin()->setValue(4000);
    ASSERT_EQ(dialog_->start_slider()->value(), 5);
    ASSERT_EQ(dialog_->end_slider()->value(), 4);

    QTest::mouseClick(dialog_->rewind_button(), Qt::LeftButton);
    EXPECT_EQ(dialog_->start_slider()->value(), 0);
    EXPECT_EQ(dialog_->cut_from_spin()->value(), 0);
    EXPECT_EQ(session().position_ms(), 0);
    EXPECT_EQ(dialog_->findChild<QProgressBar*>()->value(), 0);

    QTest::mouseClick(dialog_->fast_forward_button(), Qt::LeftButton);
    EXPECT_EQ(dialog_->end_slider()->value(), 12);
    EXPECT_EQ(dialog_->cut_to_spin()->value(), 12000);
    EXPECT_EQ(dialog_->cut_to_time_label()->text(), QStringLiteral("00:00:12"));

    // An insert at 1 s: Stop after recording puts the end slider at the new end.
    Drag(dialog_->end_slider(), 1);
    dialog_->record_insert_box()->setChecked(true);
    RecordByClicks(2000);
    EXPECT_EQ(session().length_ms(), 14000);
    EXPECT_EQ(dialog_->end_slider()->maximum(), 14);
    EXPECT_EQ(dialog_->end_slider()->value(), 14);
    EXPECT_EQ(dialog_->cut_to_spin()->value(), 14000);
}

TEST_F(DictationSliderDialogTest, CutAndResetResetTheRangesAndSliders) {
    RecordByClicks(12000);
    Drag(dialog_->start_slider(), 2);
    Drag(dialog_->end_slider(), 5);
    QTest::mouseClick(dialog_->cut_button(), Qt::LeftButton);
    EXPECT_EQ(session().length_ms(), 9000);
    EXPECT_EQ(dialog_->start_slider()->maximum(), 9);
    EXPECT_EQ(dialog_->end_slider()->maximum(), 9);
    EXPECT_EQ(dialog_->cut_to_spin()->maximum(), 9000);
    EXPECT_EQ(dialog_->length_label()->text(), QStringLiteral("00:00:09"));
    EXPECT_FALSE(dialog_->cut_button()->isEnabled());

    QTest::mouseClick(dialog_->reset_button(), Qt::LeftButton);
    EXPECT_EQ(dialog_->start_slider()->value(), 0);
    EXPECT_EQ(dialog_->end_slider()->value(), 9);
    EXPECT_EQ(dialog_->cut_from_spin()->value(), 0);
    EXPECT_EQ(dialog_->cut_to_spin()->value(), 9000);
    EXPECT_EQ(dialog_->cut_to_time_label()->text(), QStringLiteral("00:00:09"));
    EXPECT_FALSE(dialog_->cut_button()->isEnabled());
}

TEST_F(DictationSliderDialogTest, StatusIconTakesTurnsWhileRecordingAndPlaying) {
    using namespace std::chrono_literals;
    EXPECT_EQ(dialog_->status_icon(), recorder::StatusIcon::kIdle);
    ASSERT_FALSE(dialog_->status_icon_label()->pixmap().isNull());
    QTest::mouseClick(dialog_->record_button(), Qt::LeftButton);
    EXPECT_EQ(dialog_->status_icon(), recorder::StatusIcon::kRecording1);
    test::AdvanceAndPump(*backend_, 1000);
    ASSERT_TRUE(test::PumpUntil(
        [this] { return dialog_->status_icon() == recorder::StatusIcon::kRecording2; }, 5s));
    EXPECT_EQ(dialog_->position_label()->text(), QStringLiteral("00:00:01"));
    EXPECT_EQ(dialog_->length_label()->text(), QStringLiteral("00:00:01"));
    // Less than 900 ms later nothing changes.
    test::AdvanceAndPump(*backend_, 500);
    QTest::qWait(250);
    EXPECT_EQ(dialog_->status_icon(), recorder::StatusIcon::kRecording2);
    EXPECT_EQ(dialog_->position_label()->text(), QStringLiteral("00:00:01"));
    test::AdvanceAndPump(*backend_, 500);
    ASSERT_TRUE(test::PumpUntil(
        [this] { return dialog_->status_icon() == recorder::StatusIcon::kRecording1; }, 5s));
    EXPECT_EQ(dialog_->position_label()->text(), QStringLiteral("00:00:02"));
    // The ranges widen as the recording grows.
    EXPECT_EQ(dialog_->end_slider()->maximum(), 2);

    QTest::mouseClick(dialog_->stop_button(), Qt::LeftButton);
    EXPECT_EQ(dialog_->status_icon(), recorder::StatusIcon::kIdle);
    QTest::mouseClick(dialog_->rewind_button(), Qt::LeftButton);
    QTest::mouseClick(dialog_->play_button(), Qt::LeftButton);
    EXPECT_EQ(dialog_->status_icon(), recorder::StatusIcon::kPlaying1);
    test::AdvanceAndPump(*backend_, 1000);
    ASSERT_TRUE(test::PumpUntil(
        [this] { return dialog_->status_icon() == recorder::StatusIcon::kPlaying2; }, 5s));
    EXPECT_EQ(dialog_->status_icon_label()->toolTip(), QStringLiteral("Playing"));
}

TEST_F(DictationSliderDialogTest, PredefinedCommentsAreOfferedInOrderAndUsedOnce) {
    std::string shared =
        "Greeting Budget\xAC"
        "figures Farewell";
    dialog_->TakePredefinedComments(shared);
    EXPECT_TRUE(shared.empty());
    QComboBox* comments = dialog_->index_comment_box();
    ASSERT_EQ(comments->count(), 3);
    EXPECT_EQ(comments->itemText(0), QStringLiteral("Greeting"));
    EXPECT_EQ(comments->itemText(1), QStringLiteral("Budget figures"));
    EXPECT_EQ(comments->itemText(2), QStringLiteral("Farewell"));

    QTest::mouseClick(dialog_->record_button(), Qt::LeftButton);
    EXPECT_EQ(comments->currentText(), QStringLiteral("Greeting"));
    test::AdvanceAndPump(*backend_, 1000);
    QTest::mouseClick(dialog_->mark_button(), Qt::LeftButton);
    EXPECT_EQ(comments->count(), 2);
    EXPECT_EQ(comments->currentText(), QStringLiteral("Budget figures"));
    // A comment of the user's own leaves the list as it is.
    comments->setEditText(QStringLiteral("typed"));
    QTest::mouseClick(dialog_->mark_button(), Qt::LeftButton);
    EXPECT_EQ(comments->count(), 2);
    comments->setEditText(comments->itemText(0));
    QTest::mouseClick(dialog_->mark_button(), Qt::LeftButton);
    QTest::mouseClick(dialog_->stop_button(), Qt::LeftButton);
    ASSERT_EQ(session().Marks().size(), 3u);
    EXPECT_EQ(session().Marks()[0].comment, "Greeting");
    EXPECT_EQ(session().Marks()[2].comment, "Budget figures");
    EXPECT_EQ(comments->count(), 1);
    EXPECT_EQ(comments->currentText(), QStringLiteral("Farewell"));
}

}  // namespace
}  // namespace kivo::dictation

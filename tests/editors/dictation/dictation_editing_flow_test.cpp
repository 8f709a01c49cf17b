// The Dictation Recorder as a new user works it: each MARK starts with an
// empty comment, a cut leaves the whole recording as the range so Play plays
// all of it, a cut can be made by keyboard alone, and the position bar sets
// the position with the mouse while "Position" shows where Record will record.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cmath>

#include "audio_test_support.h"
#include "dictation_store_fixture.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/recorder/position_bar.h"

namespace kivo::dictation {
namespace {

class DictationEditingFlowTest : public DictationStoreTest {
protected:
    void SetUp() override {
        DictationStoreTest::SetUp();
        dialog_ = std::make_unique<DictationRecorderDialog>(*backend_, target_, reporter_);
        ASSERT_TRUE(dialog_->Start());
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    }

    void RecordByClicks(int ms) {
        QTest::mouseClick(dialog_->record_button(), Qt::LeftButton);
        test::AdvanceAndPump(*backend_, ms);
        QTest::mouseClick(dialog_->stop_button(), Qt::LeftButton);
    }

    // Types a number of milliseconds into a spin box the way a user does:
    // its Alt+letter, the digits over the selected text, then Tab.
    void TypeInto(Qt::Key mnemonic, QSpinBox* spin, int ms) {
        QTest::keyClick(dialog_.get(), mnemonic, Qt::AltModifier);
        ASSERT_TRUE(spin->hasFocus());
        spin->selectAll();
        QTest::keyClicks(spin, QString::number(ms));
        QTest::keyClick(spin, Qt::Key_Tab);
    }

    // Alt+letter of a button: the button flashes pressed, then clicks.
    void PressByLetter(Qt::Key letter) {
        QTest::keyClick(dialog_.get(), letter, Qt::AltModifier);
        QTest::qWait(300);
    }

    DictationSession& session() { return dialog_->session(); }
    std::unique_ptr<DictationRecorderDialog> dialog_;
};

TEST_F(DictationEditingFlowTest, EachMarkStartsWithAnEmptyComment) {
    QComboBox* comment = dialog_->index_comment_box();
    QTest::mouseClick(dialog_->record_button(), Qt::LeftButton);
    test::AdvanceAndPump(*backend_, 1000);
    QTest::keyClicks(comment->lineEdit(), QStringLiteral("budget"));
    QTest::mouseClick(dialog_->mark_button(), Qt::LeftButton);
    EXPECT_EQ(comment->currentText(), QString());
    test::AdvanceAndPump(*backend_, 1000);
    QTest::keyClicks(comment->lineEdit(), QStringLiteral("staff"));
    PressByLetter(Qt::Key_M);
    QTest::mouseClick(dialog_->stop_button(), Qt::LeftButton);

    ASSERT_EQ(session().Marks().size(), 2u);
    EXPECT_EQ(session().Marks()[0].comment, "budget");
    EXPECT_EQ(session().Marks()[1].comment, "staff");
    EXPECT_EQ(comment->currentText(), QString());
}

TEST_F(DictationEditingFlowTest, AfterACutTheWholeRecordingIsTheRangeAndPlayPlaysAllOfIt) {
    RecordByClicks(6000);
    session().SetCutFrom(1000);
    session().SetCutTo(2000);
    ASSERT_TRUE(dialog_->cut_button()->isEnabled());
    QTest::mouseClick(dialog_->cut_button(), Qt::LeftButton);
    ASSERT_EQ(session().length_ms(), 5000);
    EXPECT_EQ(session().cut_from_ms(), 0);
    EXPECT_EQ(session().cut_to_ms(), 5000);
    EXPECT_EQ(dialog_->cut_from_spin()->value(), 0);
    EXPECT_EQ(dialog_->cut_to_spin()->value(), 5000);
    EXPECT_FALSE(dialog_->cut_button()->isEnabled());

    QTest::mouseClick(dialog_->play_button(), Qt::LeftButton);
    test::AdvanceAndPump(*backend_, 3000);
    EXPECT_EQ(session().state(), TransportState::kPlaying);  // not stopped after a second
    test::AdvanceAndPump(*backend_, 2500);
    EXPECT_EQ(session().state(), TransportState::kStopped);
}

TEST_F(DictationEditingFlowTest, KeyboardAloneCutsTheRangeTypedAndOkSavesIt) {
    RecordByClicks(6000);
    TypeInto(Qt::Key_F, dialog_->cut_from_spin(), 1000);
    TypeInto(Qt::Key_T, dialog_->cut_to_spin(), 3000);
    EXPECT_EQ(dialog_->cut_from_spin()->value(), 1000);
    EXPECT_EQ(dialog_->cut_to_spin()->value(), 3000);
    ASSERT_TRUE(dialog_->cut_button()->isEnabled());
    // Tab from Cut To reaches Cut, and Enter presses it.
    EXPECT_TRUE(dialog_->cut_button()->hasFocus());
    QTest::keyClick(dialog_->cut_button(), Qt::Key_Return);
    EXPECT_EQ(session().length_ms(), 4000);

    // Alt+O is OK (not a field), and Enter on a focused button presses it.
    dialog_->cancel_button()->setFocus();
    PressByLetter(Qt::Key_O);
    ASSERT_TRUE(session().saved());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    std::vector<std::uint8_t> kept = Tape(0, 1000);
    const std::vector<std::uint8_t> rest = Tape(3000, 3000);
    kept.insert(kept.end(), rest.begin(), rest.end());
    const fs::path opened = OpenContainer(session(), XR_OPEN_MEDIA);
    EXPECT_EQ(test::ReadWaveSamples((opened / ("D" + session().stamp() + ".xrw")).string()), kept);
}

TEST_F(DictationEditingFlowTest, EnterOnAFocusedButtonPressesIt) {
    dialog_->record_button()->setFocus();
    QTest::keyClick(dialog_->record_button(), Qt::Key_Return);
    EXPECT_EQ(session().state(), TransportState::kRecording);
    test::AdvanceAndPump(*backend_, 500);
    dialog_->stop_button()->setFocus();
    QTest::keyClick(dialog_->stop_button(), Qt::Key_Enter);
    EXPECT_EQ(session().state(), TransportState::kStopped);
    EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(DictationEditingFlowTest, ClickingThePositionBarMovesThePositionAndTheInsertPoint) {
    RecordByClicks(8000);
    recorder::PositionBar* bar = dialog_->position_bar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(0, bar->height() / 2));
    EXPECT_EQ(session().position_ms(), 0);
    const int x = static_cast<int>(std::lround((bar->width() - 1) * 0.25));
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 2));
    const std::int64_t picked_ms = std::llround(bar->ShareAt(x) * 8000);
    EXPECT_NEAR(static_cast<double>(session().position_ms()), static_cast<double>(picked_ms), 1.0);
    EXPECT_EQ(dialog_->position_label()->text(), QStringLiteral("00:00:02"));
    QMouseEvent drag(QEvent::MouseMove, QPointF(bar->width() - 1, bar->height() / 2),
                     bar->mapToGlobal(QPointF(bar->width() - 1, bar->height() / 2)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &drag);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() - 1, bar->height() / 2));
    EXPECT_EQ(session().position_ms(), 8000);

    // Record inserts where the bar was clicked.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 2));
    const std::int64_t insert_ms = session().position_ms();
    EXPECT_EQ(session().cut_to_ms(), insert_ms);
    dialog_->record_insert_box()->setChecked(true);
    RecordByClicks(1000);
    EXPECT_EQ(session().length_ms(), 9000);
    EXPECT_EQ(session().position_ms(), insert_ms + 1000);

    // Setting Cut To moves "Position" to it: it is where Record records.
    session().SetCutTo(5000);
    EXPECT_EQ(dialog_->position_label()->text(), QStringLiteral("00:00:05"));
}

}  // namespace
}  // namespace kivo::dictation

// The "Dictation Recorder" dialog on the offscreen platform: clicks on its
// buttons record from the virtual microphone, mark and save into the data
// store; Cancel with an unsaved recording asks message 1.
#include "kivo/dictation/dictation_recorder_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "dictation_store_fixture.h"
#include "file_bytes.h"

namespace kivo::dictation {
namespace {

using DictationRecorderDialogTest = DictationStoreTest;

TEST_F(DictationRecorderDialogTest, RecordMarkAndOkSaveTheDictation) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    dialog.show();
    EXPECT_FALSE(dialog.ok_button()->isEnabled());
    EXPECT_FALSE(dialog.stop_button()->isEnabled());

    QTest::mouseClick(dialog.record_button(), Qt::LeftButton);
    EXPECT_TRUE(dialog.stop_button()->isEnabled());
    EXPECT_FALSE(dialog.record_button()->isEnabled());
    test::AdvanceAndPump(*backend_, 1000);
    QTest::mouseClick(dialog.mark_button(), Qt::LeftButton);
    test::AdvanceAndPump(*backend_, 1000);
    QTest::mouseClick(dialog.stop_button(), Qt::LeftButton);
    EXPECT_TRUE(dialog.ok_button()->isEnabled());
    ASSERT_EQ(dialog.session().Marks().size(), 1u);
    EXPECT_EQ(dialog.session().Marks()[0].time_ms, 1000);

    dialog.subject_edit()->setText(QStringLiteral("Minutes"));
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    EXPECT_TRUE(dialog.saved());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(reporter_.codes().empty());

    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    ASSERT_EQ(log.size(), 802u);
    EXPECT_NE(log.find("Minutes"), std::string::npos);
    const fs::path opened = OpenContainer(dialog.session(), XR_OPEN_MEDIA);
    EXPECT_EQ(test::ReadWaveSamples((opened / ("D" + dialog.session().stamp() + ".xrw")).string()),
              Tape(0, 2000));
}

TEST_F(DictationRecorderDialogTest, EnterInTheSubjectDoesNotCloseTheDialog) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    dialog.show();
    dialog.subject_edit()->setFocus();
    QTest::keyClick(dialog.subject_edit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(DictationRecorderDialogTest, CancelWithAnUnsavedRecordingAsksAndNoDiscards) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    dialog.show();
    QTest::mouseClick(dialog.record_button(), Qt::LeftButton);
    test::AdvanceAndPump(*backend_, 500);
    QTest::mouseClick(dialog.stop_button(), Qt::LeftButton);
    dialog.reject();
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_FALSE(dialog.saved());
    EXPECT_EQ(test::ReadFileText((work_ / "Voxwren.xrr").string()).size(), 401u);
}

}  // namespace
}  // namespace kivo::dictation

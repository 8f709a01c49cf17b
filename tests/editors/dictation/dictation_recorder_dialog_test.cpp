// The "Dictation Recorder" dialog on the offscreen platform: clicks on its
// buttons record from the virtual microphone, mark and save into the data
// store; Cancel with an unsaved recording asks message 1.
#include "kivo/dictation/dictation_recorder_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <set>

#include "dictation_store_fixture.h"
#include "file_bytes.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/recordstore/index_mark_file.h"

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

// Every button and check box has its own mnemonic letter.
TEST_F(DictationRecorderDialogTest, EveryButtonHasAMnemonicOfItsOwn) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    std::set<QChar> letters;
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        const QString text = button->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        ASSERT_GE(amp, 0) << text.toStdString();
        ASSERT_LT(amp + 1, text.size()) << text.toStdString();
        EXPECT_TRUE(letters.insert(text.at(amp + 1).toLower()).second) << text.toStdString();
    }
    EXPECT_GE(letters.size(), 14u);
}

TEST_F(DictationRecorderDialogTest, F1AndHelpAskForTopic300) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    dialog.show();
    QSignalSpy help(&dialog, &DictationRecorderDialog::helpRequested);
    QTest::keyClick(&dialog, Qt::Key_F1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toString(), QStringLiteral("300.htm"));
}

TEST_F(DictationRecorderDialogTest, UserMarkCommentsAreEditedInPlaceOthersAreNot) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    dialog.show();
    QTest::mouseClick(dialog.record_button(), Qt::LeftButton);
    test::AdvanceAndPump(*backend_, 1000);
    QTest::mouseClick(dialog.mark_button(), Qt::LeftButton);
    test::AdvanceAndPump(*backend_, 1000);
    QTest::mouseClick(dialog.stop_button(), Qt::LeftButton);

    QTreeWidget* marks = dialog.marks_list();
    ASSERT_EQ(marks->topLevelItemCount(), 1);
    QTreeWidgetItem* item = marks->topLevelItem(0);
    EXPECT_TRUE(item->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(item->text(1), QStringLiteral("00:00:01"));
    EXPECT_EQ(item->text(2), QStringLiteral("0"));  // the hidden type column
    EXPECT_TRUE(marks->header()->isSectionHidden(2));

    item->setText(0, QStringLiteral("edited in place"));
    ASSERT_EQ(dialog.session().Marks().size(), 1u);
    EXPECT_EQ(dialog.session().Marks()[0].comment, "edited in place");
    item->setText(0, QString());  // an empty comment is kept as one space
    EXPECT_EQ(dialog.session().Marks()[0].comment, " ");
    EXPECT_EQ(marks->topLevelItem(0)->text(0), QStringLiteral(" "));

    // The time stamp is not edited in place; the comment editor takes at
    // most 50 characters.
    marks->editItem(marks->topLevelItem(0), 1);
    EXPECT_EQ(marks->findChild<QLineEdit*>(), nullptr);
    marks->editItem(marks->topLevelItem(0), 0);
    auto* editor = marks->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->maxLength(), 50);
}

TEST_F(DictationRecorderDialogTest, StoredInsertMarksAreNotEditableAndTheHeaderSortsByTime) {
    // A stored dictation with a user's mark and the two marks of an insert,
    // written out of order.
    ASSERT_EQ(session_->Record(), 0);
    test::AdvanceAndPump(*backend_, 3000);
    session_->Stop();
    ASSERT_EQ(session_->Save(), 0);
    const std::string container = session_->ContainerName();
    const std::string base = container.substr(0, container.size() - 4);
    ASSERT_EQ(XRopenXRZ(container.c_str(), work_.string().c_str(),
                        store_->store_path().string().c_str(), XR_OPEN_DEFAULT),
              0);
    const std::vector<recordstore::IndexMark> stored = {
        recordstore::MakeIndexMark("00:00:02", "said later"),
        recordstore::MakeIndexMark("00:00:00", "insert start",
                                   recordstore::IndexMarkType::kInsertStart),
        recordstore::MakeIndexMark("00:00:01", "insert end",
                                   recordstore::IndexMarkType::kInsertEnd)};
    ASSERT_TRUE(recordstore::WriteIndexMarkFile((work_ / (base + ".xrs")).string(), stored).ok());
    ASSERT_EQ(XRsaveXRZ(container.c_str(), work_.string().c_str(),
                        store_->store_path().string().c_str(), XR_PICTURE_NONE),
              0);
    for (const char* extension : {".xrw", ".xrl", ".xrs", ".xrz"})
        fs::remove(work_ / (base + extension));

    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.StartEdit(container, *store_));
    dialog.show();
    EXPECT_EQ(dialog.record_id_label()->text(), QStringLiteral("00000001"));
    EXPECT_TRUE(dialog.ok_button()->isEnabled());
    QTreeWidget* marks = dialog.marks_list();
    ASSERT_EQ(marks->topLevelItemCount(), 3);
    EXPECT_EQ(marks->topLevelItem(0)->text(0), QStringLiteral("insert start"));
    EXPECT_FALSE(marks->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(marks->topLevelItem(1)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(marks->topLevelItem(2)->flags() & Qt::ItemIsEditable);
    marks->topLevelItem(0)->setText(0, QStringLiteral("not taken"));
    EXPECT_EQ(dialog.session().Marks()[0].comment, "insert start");

    QSignalSpy resorted(&dialog.session(), &DictationSession::marksChanged);
    QTest::mouseClick(marks->header()->viewport(), Qt::LeftButton, {},
                      QPoint(marks->header()->sectionPosition(1) + 5, 5));
    EXPECT_EQ(resorted.count(), 1);
    EXPECT_EQ(marks->topLevelItem(2)->text(1), QStringLiteral("00:00:02"));
}

TEST_F(DictationRecorderDialogTest, WaveOpensInReviewWithRecordInsertChecked) {
    test::WriteWave(dir_.file("review.wav"), kMono8k, Tape(0, 2000));
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.StartFromWave(dir_.path() / "review.wav"));
    dialog.show();
    EXPECT_TRUE(dialog.record_insert_box()->isChecked());
    EXPECT_TRUE(dialog.ok_button()->isEnabled());
    EXPECT_TRUE(dialog.play_button()->isEnabled());
    EXPECT_TRUE(dialog.mark_button()->isEnabled());
    EXPECT_EQ(dialog.cut_to_spin()->value(), 2000);
    EXPECT_EQ(dialog.cut_to_spin()->maximum(), 2000);
    // The recording source can still be chosen before the first take.
    EXPECT_TRUE(dialog.device_box()->isEnabled());
    QTest::mouseClick(dialog.record_button(), Qt::LeftButton);
    EXPECT_FALSE(dialog.device_box()->isEnabled());
    test::AdvanceAndPump(*backend_, 500);
    QTest::mouseClick(dialog.stop_button(), Qt::LeftButton);
    EXPECT_FALSE(dialog.device_box()->isEnabled());
}

TEST_F(DictationRecorderDialogTest, PrimedTextsAreShownAndSaved) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    dialog.SetPrimedTexts(QStringLiteral("Weekly report"), QStringLiteral("sales figures"));
    dialog.show();
    EXPECT_EQ(dialog.subject_edit()->text(), QStringLiteral("Weekly report"));
    EXPECT_EQ(dialog.keywords_edit()->toPlainText(), QStringLiteral("sales figures"));
}

TEST_F(DictationRecorderDialogTest, PictureMenuOffersRemoveOnlyWithAPicture) {
    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    auto texts = [&dialog] {
        QStringList names;
        const std::unique_ptr<QMenu> menu = dialog.BuildPictureMenu();
        for (QAction* action : menu->actions())
            names << action->text();
        return names;
    };
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Add/Change Picture")});
    dialog.session().set_picture_path(dir_.path() / "face.gif");
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("&Remove Picture"),
                                    QStringLiteral("Add/Change Picture")}));
    const std::unique_ptr<QMenu> menu = dialog.BuildPictureMenu();
    menu->actions().at(0)->trigger();
    EXPECT_TRUE(dialog.session().picture_path().empty());
}

TEST_F(DictationRecorderDialogTest, RecoveredTakeShowsWhatItsRecorderKept) {
    recorder::RecoveredTake take;
    take.wave = dir_.path() / "recovered.wav";
    test::WriteWave(take.wave.string(), kMono8k, Tape(0, 3000));
    take.picture = dir_.path() / "recovered.jpg";
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(QString::fromStdString(take.picture.string()), "JPG"));
    take.info.format = kMono8k;
    take.info.start_log_date = "08/12/2026 09:41:07";
    take.info.details.subject = "Letter to the bank";
    take.info.details.keywords = "loan rates";
    take.info.details.marks = {{500, "opening", recordstore::IndexMarkType::kUser},
                               {2500, "the point", recordstore::IndexMarkType::kUser},
                               {9000, "past the end", recordstore::IndexMarkType::kUser}};
    take.end_log_date = "08/12/2026 09:41:10";

    DictationRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.StartRecovered(take));
    EXPECT_EQ(dialog.subject_edit()->text(), QStringLiteral("Letter to the bank"));
    EXPECT_EQ(dialog.keywords_edit()->toPlainText(), QStringLiteral("loan rates"));
    EXPECT_EQ(dialog.start_time_label()->text(), QStringLiteral("08/12/2026 09:41:07"));
    EXPECT_EQ(dialog.end_time_label()->text(), QStringLiteral("08/12/2026 09:41:10"));
    EXPECT_FALSE(dialog.picture_frame()->pixmap().isNull());
    // A mark past the end of the audio that was kept has nothing to mark.
    ASSERT_EQ(dialog.marks_list()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.marks_list()->topLevelItem(1)->text(0), QStringLiteral("the point"));
    EXPECT_EQ(dialog.marks_list()->topLevelItem(1)->text(1), QStringLiteral("00:00:02"));
    EXPECT_EQ(dialog.session().state(), TransportState::kReview);
    EXPECT_EQ(dialog.session().length_ms(), 3000);
}

}  // namespace
}  // namespace kivo::dictation

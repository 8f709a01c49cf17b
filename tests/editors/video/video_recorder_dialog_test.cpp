// The "Kivo Video Recorder" and its conversion box driven through their
// controls, on the virtual camera and microphone.
#include "kivo/video/video_recorder_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <thread>

#include "kivo/video/conversion_box.h"
#include "video_store_fixture.h"

namespace kivo::video {
namespace {

class VideoRecorderDialogTest : public test::VideoStoreTest {};

// With KIVO_SCREENSHOTS set to a folder, keeps a picture of the widget
// there (docs/screenshots are taken this way).
void KeepScreenshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("KIVO_SCREENSHOTS");
    if (!folder.isEmpty())
        widget.grab().save(folder + QLatin1Char('/') + QLatin1String(name));
}

TEST_F(VideoRecorderDialogTest, RecordMarkStopAndOkSaveTheRecordThroughTheConversionBox) {
    VideoRecorderDialog dialog(*backend_, virtual_camera_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    EXPECT_EQ(dialog.video_devices()->currentText(), kVirtualCameraName);
    EXPECT_TRUE(dialog.record_button()->isEnabled());
    EXPECT_FALSE(dialog.ok_button()->isEnabled());
    EXPECT_FALSE(dialog.mark_button()->isEnabled());

    dialog.record_button()->click();
    EXPECT_TRUE(dialog.mark_button()->isEnabled());
    EXPECT_FALSE(dialog.record_button()->isEnabled());
    ASSERT_TRUE(test::PumpUntil([&] { return dialog.session().duration_ms() >= 1200; }));
    dialog.comment_edit()->setText(QStringLiteral("Front door"));
    dialog.mark_button()->click();
    ASSERT_TRUE(test::PumpUntil([&] { return dialog.session().duration_ms() >= 2000; }));
    EXPECT_FALSE(dialog.preview()->picture().isNull());  // the live picture
    KeepScreenshot(dialog, "video-recorder.png");
    dialog.stop_button()->click();
    EXPECT_FALSE(dialog.record_button()->isEnabled());  // one capture a record
    EXPECT_TRUE(dialog.ok_button()->isEnabled());
    ASSERT_EQ(dialog.marks_list()->topLevelItemCount(), 1);
    EXPECT_EQ(dialog.marks_list()->topLevelItem(0)->text(0), QStringLiteral("Front door"));
    EXPECT_EQ(dialog.marks_list()->topLevelItem(0)->text(1), QStringLiteral("00:00:01"));

    dialog.subject_edit()->setText(QStringLiteral("Front door"));
    EXPECT_EQ(dialog.Save(), 0);
    EXPECT_TRUE(dialog.saved());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(VideoRecorderDialogTest, TheBoxStopButtonAbortsTheConversionAndClosesTheBox) {
    std::atomic<bool> aborted{false};
    ConversionBox box(
        [&](encoding::ConversionControl* control, const encoding::ConversionProgress& progress) {
            progress(10);
            while (!control->abort_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            aborted = true;
            encoding::VideoConversionResult result;
            result.outcome = encoding::ConversionOutcome::kAborted;
            return result;
        });
    QTimer::singleShot(100, &box, [&box] {
        KeepScreenshot(box, "video-conversion.png");
        box.stop_button()->click();
    });
    EXPECT_EQ(box.exec(), QDialog::Rejected);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(box.result().outcome, encoding::ConversionOutcome::kAborted);
    EXPECT_EQ(box.progress_bar()->value(), 10);
}

TEST_F(VideoRecorderDialogTest, WithoutACameraTheRecorderDoesNotOpen) {
    test::NoCameras none;
    VideoRecorderDialog dialog(*backend_, none, target_, reporter_);
    EXPECT_FALSE(dialog.Start());
    ASSERT_FALSE(reporter_.reports().empty());
    EXPECT_EQ(reporter_.reports().back().code, 28);
}

}  // namespace
}  // namespace kivo::video

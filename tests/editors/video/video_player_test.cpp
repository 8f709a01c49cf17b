// A saved video record opened again for playing: its media, line and marks
// unpacked into the working folder and removed afterwards; the "Kivo Video
// Player" listing the marks; hostile container names refused.
#include "kivo/video/video_player_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "file_bytes.h"
#include "kivo/recorder/video_frame_view.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"

#include "kivo/video/video_session.h"
#include "video_store_fixture.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;

// The share of a widget's pixels, as it draws itself, that are not near black.
double LitShare(QWidget& widget) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return 0.0;
    std::int64_t lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 32)
                ++lit;
    return static_cast<double>(lit) / (static_cast<double>(image.width()) * image.height());
}

class VideoPlayerTest : public test::VideoStoreTest {
protected:
    // Records and saves a two-second video with a mark at one second; its
    // container name.
    std::string SaveVideo() {
        VideoSession session(*backend_, virtual_camera_, target_, reporter_);
        EXPECT_EQ(session.Open(), 0);
        EXPECT_EQ(session.Record(), 0);
        EXPECT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= 1100; }));
        session.AddMark("Doorbell");
        EXPECT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= 2000; }));
        session.Stop();
        EXPECT_TRUE(session.Convert().kept_target());
        EXPECT_EQ(session.SaveRecord(), 0);
        return session.files().Name(".xrv");
    }
};

TEST_F(VideoPlayerTest, ASavedVideoOpensWithItsMarksAndLeavesNoFilesBehind) {
    const std::string container = SaveVideo();
    int message = -1;
    {
        auto opened = OpenVideoRecord(work_, store_->store_path(), container, &message);
        ASSERT_TRUE(opened.has_value());
        EXPECT_EQ(message, 0);
        EXPECT_TRUE(fs::exists(opened->media_path()));
        EXPECT_EQ(opened->fields().kind_code, "9");
        ASSERT_EQ(opened->marks().size(), 1u);
        EXPECT_EQ(opened->marks()[0].comment, "Doorbell");

        VideoPlayerDialog player(std::move(*opened), false);
        ASSERT_EQ(player.marks_list()->topLevelItemCount(), 1);
        EXPECT_EQ(player.marks_list()->topLevelItem(0)->text(1), QStringLiteral("00:00:01"));
        EXPECT_EQ(player.title_line()->text(), QStringLiteral("00:00:00 / 00:00:02"));

        // A double-click on the mark plays from its second.
        player.PlayFromMark(0);
        EXPECT_TRUE(test::PumpUntil([&] { return player.playback().position_ms() >= 1000; },
                                    std::chrono::seconds(15)));
        // The camera's test picture is drawn in the frame, not a black box.
        EXPECT_TRUE(test::PumpUntil([&] { return !player.frame()->picture().isNull(); }));
        EXPECT_GT(LitShare(*player.frame()), 0.5);
        const QString screenshots = qEnvironmentVariable("KIVO_SCREENSHOTS");
        if (!screenshots.isEmpty())
            player.grab().save(screenshots + QStringLiteral("/video-player.png"));
    }
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_NE(entry.path().filename().string().rfind('D', 0), 0u) << entry.path();
}

// A player on the saved video that may save into the store, playing until
// the position passes `at_ms`.
class MarkingVideoPlayerTest : public VideoPlayerTest {
protected:
    void SetUp() override {
        VideoPlayerTest::SetUp();
        container_ = SaveVideo();
        int message = 0;
        auto opened = OpenVideoRecord(work_, store_->store_path(), container_, &message);
        ASSERT_TRUE(opened.has_value());
        record_number_ = opened->fields().record_number;
        player_ = std::make_unique<VideoPlayerDialog>(std::move(*opened), false);
        player_->AllowSaving(VideoMarksSaver(*store_), reporter_);
    }
    void PlayUntil(std::int64_t at_ms) {
        player_->PlayFrom(0);
        ASSERT_TRUE(test::PumpUntil([&] { return player_->playback().position_ms() >= at_ms; },
                                    std::chrono::seconds(15)));
    }
    // The marks stored now, as a new opening of the record reads them.
    std::vector<recordstore::IndexMark> StoredMarks() {
        int message = 0;
        auto opened = OpenVideoRecord(work_, store_->store_path(), container_, &message);
        EXPECT_TRUE(opened.has_value());
        return opened ? opened->marks() : std::vector<recordstore::IndexMark>{};
    }
    std::string IndexedComments() const {
        recordstore::RecordIndex index((work_ / recordstore::kIndexName).string());
        recordstore::IndexRecord entry;
        EXPECT_TRUE(index.Get(record_number_, &entry).ok());
        return entry.mark_comments;
    }

    // With KIVO_SCREENSHOTS set: the player as the screen shows it, as
    // video-player-marks.png there (run on X for the picture to show).
    void SaveScreenshot() {
        const QString folder = qEnvironmentVariable("KIVO_SCREENSHOTS");
        if (folder.isEmpty())
            return;
        player_->comment_edit()->setText(QStringLiteral("Gate closes"));
        player_->show();
        player_->PlayFrom(1000);
        test::PumpUntil([] { return false; }, std::chrono::milliseconds(500));
        player_->grab().save(folder + QStringLiteral("/video-player-marks.png"));
    }

    std::string container_;
    std::int32_t record_number_ = 0;
    std::unique_ptr<VideoPlayerDialog> player_;
};

TEST_F(MarkingVideoPlayerTest, AMarkMadeWhilePlayingIsSavedIntoTheRecordAndItsIndexEntry) {
    EXPECT_FALSE(player_->save_button()->isEnabled());
    PlayUntil(1000);
    EXPECT_EQ(player_->AddMark("Gate opens"), 1);  // after "Doorbell" at 00:00:01
    EXPECT_TRUE(player_->save_button()->isEnabled());
    ASSERT_EQ(player_->marks_list()->topLevelItemCount(), 2);
    EXPECT_EQ(player_->marks_list()->topLevelItem(1)->text(0), QStringLiteral("Gate opens"));
    SaveScreenshot();

    EXPECT_EQ(player_->SaveMarks(), 0);
    EXPECT_EQ(player_->result(), QDialog::Accepted);
    EXPECT_TRUE(reporter_.codes().empty());
    player_.reset();

    const std::vector<recordstore::IndexMark> stored = StoredMarks();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].comment, "Doorbell");
    EXPECT_EQ(stored[1].comment, "Gate opens");
    EXPECT_EQ(stored[1].time_stamp.substr(0, 6), "00:00:");
    EXPECT_NE(IndexedComments().find("Gate opens"), std::string::npos);
}

TEST_F(MarkingVideoPlayerTest, ClosingWithNewMarksAsksAndNoDropsThem) {
    PlayUntil(500);
    player_->AddMark("Dropped");
    reporter_.set_answer(core::kAnswerNo);
    player_->reject();
    EXPECT_EQ(reporter_.codes(), std::vector<int>{2});
    EXPECT_EQ(player_->result(), QDialog::Rejected);
    player_.reset();
    ASSERT_EQ(StoredMarks().size(), 1u);
}

TEST_F(MarkingVideoPlayerTest, ClosingWithNewMarksAndYesSavesThem) {
    PlayUntil(500);
    player_->AddMark("Kept");
    reporter_.set_answer(core::kAnswerYes);
    player_->reject();
    EXPECT_EQ(reporter_.codes(), std::vector<int>{2});
    EXPECT_EQ(player_->result(), QDialog::Accepted);
    player_.reset();
    const std::vector<recordstore::IndexMark> stored = StoredMarks();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].comment, "Kept");
}

TEST_F(MarkingVideoPlayerTest, AfterAnotherStoreWasLoadedSaveWritesNothingAndKeepsTheMarks) {
    PlayUntil(500);
    player_->AddMark("Too late");
    ASSERT_EQ(store_->LoadDataStore(), 0);  // the store the player was opened on is gone
    const std::string store_before = test::ReadFileText(store_->store_path().string());
    EXPECT_EQ(player_->SaveMarks(), 109);
    EXPECT_TRUE(player_->marks_changed());
    EXPECT_EQ(player_->marks().size(), 2u);
    EXPECT_EQ(test::ReadFileText(store_->store_path().string()), store_before);
    // Closing still asks; No lets the window go.
    reporter_.set_answer(core::kAnswerNo);
    player_->reject();
    EXPECT_EQ(reporter_.codes(), (std::vector<int>{109, 2}));
}

TEST_F(VideoPlayerTest, NamesThatAreNoVideoContainerOfTheStoreGiveMessage113) {
    int message = 0;
    for (const char* name : {"../D1.xrv", "D1.xrz", "", "/tmp/D1.xrv", "D404.xrv"}) {
        EXPECT_FALSE(OpenVideoRecord(work_, store_->store_path(), name, &message)) << name;
        EXPECT_EQ(message, kMessageRecordMissing) << name;
    }
}

TEST(TimeStampTest, MarkTimesReadAsMillisecondsAndOddTextsAsMinusOne) {
    EXPECT_EQ(TimeStampMs("00:00:03"), 3000);
    EXPECT_EQ(TimeStampMs("01:02:03"), 3723000);
    EXPECT_EQ(TimeStampMs("00:61:00"), -1);
    EXPECT_EQ(TimeStampMs("3 sec"), -1);
    EXPECT_EQ(TimeStampMs(""), -1);
}

}  // namespace
}  // namespace kivo::video

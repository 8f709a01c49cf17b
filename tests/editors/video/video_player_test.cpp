// A saved video record opened again for playing: its media, line and marks
// unpacked into the working folder and removed afterwards; the "Kivo Video
// Player" listing the marks; hostile container names refused.
#include "kivo/video/video_player_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTreeWidget>

#include "kivo/video/video_session.h"
#include "video_store_fixture.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;

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
        const QString screenshots = qEnvironmentVariable("KIVO_SCREENSHOTS");
        if (!screenshots.isEmpty())
            player.grab().save(screenshots + QStringLiteral("/video-player.png"));
    }
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_NE(entry.path().filename().string().rfind('D', 0), 0u) << entry.path();
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

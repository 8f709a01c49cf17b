// The "Video Editor" on a saved video record: subject, keywords and a picture
// change, the video and its marks stay as they were; a locked video record is
// not opened.
#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/records/record_edit_session.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/video/video_record_opening.h"
#include "kivo/video/video_session.h"
#include "video_store_fixture.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;

class VideoEditTest : public test::VideoStoreTest {
protected:
    void SetUp() override {
        VideoStoreTest::SetUp();
        VideoSession session(*backend_, virtual_camera_, target_, reporter_);
        ASSERT_EQ(session.Open(), 0);
        session.set_subject("Site visit");
        ASSERT_EQ(session.Record(), 0);
        ASSERT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= 600; }));
        session.AddMark("North wall");
        ASSERT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= 1200; }));
        session.Stop();
        ASSERT_TRUE(session.Convert().kept_target());
        ASSERT_EQ(session.SaveRecord(), 0);
        container_ = session.files().Name(".xrv");
        record_number_ = session.record_number();
    }

    std::string StoredMedia() {
        int message = 0;
        auto opened = OpenVideoRecord(work_, store_->store_path(), container_, &message);
        EXPECT_TRUE(opened.has_value());
        return opened ? test::ReadFileText(opened->media_path().string()) : std::string();
    }

    std::string container_;
    std::int32_t record_number_ = 0;
};

TEST_F(VideoEditTest, SubjectKeywordsAndPictureChangeWhileTheVideoAndMarksStay) {
    const std::string media_before = StoredMedia();
    ASSERT_FALSE(media_before.empty());
    const fs::path picture = dir_.path() / "porch.jpg";
    test::WriteFileText(picture.string(), "\xFF\xD8\xFF\xE0 not much of a picture");

    records::RecordEditSession editor(*store_, reporter_);
    ASSERT_EQ(editor.Open(container_), 0);
    EXPECT_EQ(editor.kind(), records::EditorKind::kVideo);
    EXPECT_EQ(editor.subject(), "Site visit");
    EXPECT_EQ(editor.DurationText(), "00:00:01");
    editor.set_subject("Site visit, north side");
    editor.set_keywords("roof\ngutter");
    ASSERT_TRUE(editor.ChoosePicture(picture));
    EXPECT_EQ(editor.Save(), 0);
    EXPECT_TRUE(reporter_.codes().empty());

    int message = 0;
    auto opened = OpenVideoRecord(work_, store_->store_path(), container_, &message);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->fields().subject, "Site visit, north side");
    EXPECT_EQ(opened->fields().kind_code, "9");
    ASSERT_EQ(opened->marks().size(), 1u);
    EXPECT_EQ(opened->marks()[0].comment, "North wall");
    EXPECT_EQ(test::ReadFileText(opened->media_path().string()), media_before);

    recordstore::RecordIndex index((work_ / recordstore::kIndexName).string());
    recordstore::IndexRecord entry;
    ASSERT_TRUE(index.Get(record_number_, &entry).ok());
    EXPECT_EQ(entry.keywords, "roof gutter");
    EXPECT_EQ(entry.mark_comments, "North wall");

    const recordstore::DataStore stored((work_ / container_).string());
    const std::string stem = container_.substr(0, container_.size() - 4);
    EXPECT_EQ(stored.FindMember(stem + ".JPG"), recordstore::MemberLookup::kPresent);
}

TEST_F(VideoEditTest, CancelOnAnEditedVideoAsksAndNoLeavesTheRecordAndNoFiles) {
    records::RecordEditSession editor(*store_, reporter_);
    ASSERT_EQ(editor.Open(container_), 0);
    editor.set_subject("Never stored");
    EXPECT_EQ(editor.Cancel(), records::CloseOutcome::kDiscarded);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{2});
    const std::string stem = container_.substr(0, container_.size() - 4);
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_NE(entry.path().filename().string().rfind(stem, 0), 0u) << entry.path();
    int message = 0;
    auto opened = OpenVideoRecord(work_, store_->store_path(), container_, &message);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->fields().subject, "Site visit");
}

}  // namespace
}  // namespace kivo::video

// Recording files from strangers: hostile member names, too many members,
// damaged and missing files. Each gives the corrupt-file error, an empty
// player, and nothing written outside the player's temporary folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <set>

#include "container_check.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "player_session.h"
#include "player_test_recording.h"
#include "player_texts.h"

namespace kivo::test {
namespace {

namespace fs = std::filesystem;
using player::OpenResult;
using player::PlayerSession;

// The kvmp folders in the temporary folder (to see that none is left).
std::set<std::string> KvmpFolders() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(QDir::tempPath().toStdString())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("kvmp-", 0) == 0)
            names.insert(name);
    }
    return names;
}

class PlayerHostile : public ::testing::Test {
protected:
    // The player unpacks into the temporary folder, where the check looks
    // for what it leaves: a folder of this test's own, so that other tests
    // running beside it cannot make or remove "kvmp-" folders there.
    void SetUp() override {
        ASSERT_TRUE(private_temp_.isValid());
        saved_temp_ = qgetenv("TMPDIR");
        had_temp_ = qEnvironmentVariableIsSet("TMPDIR");
        qputenv("TMPDIR", private_temp_.path().toLocal8Bit());
        ASSERT_EQ(QDir::tempPath(), private_temp_.path());
    }
    void TearDown() override {
        if (had_temp_)
            qputenv("TMPDIR", saved_temp_);
        else
            qunsetenv("TMPDIR");
    }

    QTemporaryDir private_temp_;
    QByteArray saved_temp_;
    bool had_temp_ = false;
    sound::VirtualAudioBackend backend_{
        {QString(), QString(), sound::VirtualAudioBackend::Clock::kFast, 20}};
    PlayerTestFiles files_;
    PlayerSession session_{backend_};

    void ExpectRefused(const std::string& path) {
        const std::set<std::string> before = KvmpFolders();
        EXPECT_EQ(session_.Open(QString::fromStdString(path)), OpenResult::kCorrupt);
        EXPECT_EQ(session_.status_text(), QString::fromLatin1(player::kCorruptOrInUse));
        EXPECT_FALSE(session_.is_open());
        EXPECT_TRUE(session_.marks().empty());
        EXPECT_EQ(session_.length_ms(), 0);
        EXPECT_EQ(KvmpFolders(), before);
    }

    // Stores the placeholders, then rewrites each to a hostile name of the
    // same length in the file's bytes (the format keeps no checksum).
    std::string HostileContainer(const std::vector<std::pair<std::string, std::string>>& renames,
                                 bool video = false) {
        std::vector<std::string> members = PlainMembers(video);
        for (const auto& [placeholder, hostile] : renames) {
            WriteFileText(files_.work_file(placeholder), "hostile content");
            members.push_back(placeholder);
        }
        const std::string path =
            files_.PutContainer(video ? "Stranger.xrv" : "Stranger.xrz", members);
        Bytes bytes = ReadFileBytes(path);
        for (const auto& [placeholder, hostile] : renames) {
            EXPECT_EQ(placeholder.size(), hostile.size());
            for (auto at = std::search(bytes.begin(), bytes.end(), placeholder.begin(),
                                       placeholder.end());
                 at != bytes.end();
                 at = std::search(at, bytes.end(), placeholder.begin(), placeholder.end()))
                at = std::copy(hostile.begin(), hostile.end(), at);
        }
        WriteFileBytes(path, bytes);
        return path;
    }

    // Writes the media, marks and record line of a plain recording into the
    // working folder; returns their names.
    std::vector<std::string> PlainMembers(bool video) {
        if (video) {
            files_.MakeVideoRecordingWithMedia("Plain.xrv", RecordingRecipe{}, Bytes(512, 0x11));
            return {"D7.wmv", "D7.xrs", "D7.xrl"};
        }
        files_.MakeRecording("Plain.xrz", RecordingRecipe{});
        return {"D7.xrw", "D7.xrs", "D7.xrl"};
    }
};

TEST_F(PlayerHostile, DotDotMemberNamesAreRefusedAndNothingIsWrittenOutside) {
    const fs::path out = files_.output().path();
    const std::string path = HostileContainer(
        {{"zzzevil.xrl", "../evil.xrl"}, {"zzzzzzzzzzzzzz.txt", "/tmp/kvmp-evil.txt"}});
    ExpectRefused(path);
    EXPECT_FALSE(fs::exists(out.parent_path() / "evil.xrl"));
    EXPECT_FALSE(fs::exists(QDir::tempPath().toStdString() + "/evil.xrl"));
    EXPECT_FALSE(fs::exists("/tmp/kvmp-evil.txt"));
}

TEST_F(PlayerHostile, VideoWithADotDotMemberIsRefused) {
    const fs::path out = files_.output().path();
    // A name nothing else on the machine uses, so its absence means something.
    const std::string hostile = "../kvmp-hostile-video.x";
    const std::string placeholder(hostile.size() - 2, 'z');
    ExpectRefused(HostileContainer({{placeholder + ".x", hostile}}, true));
    EXPECT_FALSE(fs::exists(out.parent_path() / "kvmp-hostile-video.x"));
    EXPECT_FALSE(fs::exists(QDir::tempPath().toStdString() + "/kvmp-hostile-video.x"));
}

TEST_F(PlayerHostile, VideoWithMoreThanTenMembersIsRefused) {
    std::vector<std::string> members = PlainMembers(true);
    for (int i = 1; i <= 8; ++i) {
        members.push_back("frame" + std::to_string(i) + ".txt");
        WriteFileText(files_.work_file(members.back()), "frame");
    }
    ExpectRefused(files_.PutContainer("Many.xrv", members));
}

TEST_F(PlayerHostile, MoreThanTenMembersAreRefused) {
    std::vector<std::string> members = PlainMembers(false);
    for (int i = 1; i <= 8; ++i) {
        members.push_back("note" + std::to_string(i) + ".txt");
        WriteFileText(files_.work_file(members.back()), "note");
    }
    ExpectRefused(files_.PutContainer("Many.xrz", members));
    members.pop_back();  // ten members open
    EXPECT_EQ(session_.Open(QString::fromStdString(files_.PutContainer("Ten.xrz", members))),
              OpenResult::kOpened);
}

TEST_F(PlayerHostile, MissingDamagedAndForeignFilesAreRefused) {
    ExpectRefused(files_.out_file("Missing.xrz"));
    WriteFileText(files_.out_file("Text.xrz"), "just some text, not a recording");
    ExpectRefused(files_.out_file("Text.xrz"));
    const std::string good = files_.MakeRecording("Good.xrz", RecordingRecipe{});
    TruncateBy(good, ReadFileBytes(good).size() / 2);
    ExpectRefused(good);
    ExpectRefused(files_.output().path().string());  // a folder
}

// The refusal keeps its one message and says on a second line what is wrong.
TEST_F(PlayerHostile, EachRefusalNamesItsReason) {
    auto reason_of = [this](const std::string& path) {
        EXPECT_EQ(session_.Open(QString::fromStdString(path)), OpenResult::kCorrupt);
        EXPECT_EQ(session_.status_text(), QString::fromLatin1(player::kCorruptOrInUse));
        return session_.failure_reason().toStdString();
    };
    EXPECT_EQ(reason_of(files_.out_file("Missing.xrz")), "The file was not found.");
    WriteFileText(files_.out_file("Empty.xrz"), "");
    EXPECT_EQ(reason_of(files_.out_file("Empty.xrz")), "The file is empty.");
    WriteFileText(files_.out_file("Notes.xrz"), "Shopping list: milk, bread");
    EXPECT_EQ(reason_of(files_.out_file("Notes.xrz")), "The file is not a Kivo recording.");
    const std::string cut = files_.MakeRecording("Cut.xrz", RecordingRecipe{});
    TruncateBy(cut, ReadFileBytes(cut).size() / 2);
    EXPECT_EQ(reason_of(cut), "The recording is damaged.");

    // A good file opens and forgets the last reason.
    const std::string good = files_.MakeRecording("Good.xrz", RecordingRecipe{});
    EXPECT_EQ(session_.Open(QString::fromStdString(good)), OpenResult::kOpened);
    EXPECT_TRUE(session_.failure_reason().isEmpty());
}

TEST_F(PlayerHostile, ARecordingBeingWrittenIsReportedInUse) {
    const std::string good = files_.MakeRecording("Busy.xrz", RecordingRecipe{});
    session_.Close();
    // What a writer holds while it changes the file's content.
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    auto opened = filesystem::DefaultFileSystem().Open(good, options);
    ASSERT_TRUE(opened.ok());
    ASSERT_TRUE(
        opened.value->TryLock(filesystem::FileLock::kAccess, filesystem::LockMode::kExclusive)
            .ok());
    EXPECT_EQ(player::CheckContainer(good), player::ContainerProblem::kInUse);
    opened.value->Unlock(filesystem::FileLock::kAccess);
    EXPECT_EQ(player::CheckContainer(good), player::ContainerProblem::kNone);
}

TEST(PlayerMemberName, OnlyPlainFileNamesPass) {
    EXPECT_TRUE(player::IsPlainMemberName("D7.xrw"));
    EXPECT_TRUE(player::IsPlainMemberName("Message for Ann.GIF"));
    for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "/etc/passwd", "tab\there"})
        EXPECT_FALSE(player::IsPlainMemberName(bad)) << bad;
}

}  // namespace
}  // namespace kivo::test

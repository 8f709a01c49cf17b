// Opening recording files made by the record store library: length, marks,
// the record kind's status text and the stored sound effects.
#include <gtest/gtest.h>

#include <filesystem>

#include "kivo/encoding/audio_transcode.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "player_session.h"
#include "player_test_recording.h"
#include "player_texts.h"

namespace kivo::test {
namespace {

using player::OpenResult;
using player::PlayerSession;

class PlayerOpen : public ::testing::Test {
protected:
    sound::VirtualAudioBackend backend_{
        {QString(), QString(), sound::VirtualAudioBackend::Clock::kFast, 20}};
    PlayerTestFiles files_;
    PlayerSession session_{backend_};

    OpenResult Open(const RecordingRecipe& recipe) {
        return session_.Open(QString::fromStdString(files_.MakeRecording("Message.xrz", recipe)));
    }
};

TEST_F(PlayerOpen, RecordingOpensWithItsLengthAndNoStatus) {
    RecordingRecipe recipe;
    ASSERT_EQ(Open(recipe), OpenResult::kOpened);
    EXPECT_TRUE(session_.can_play());
    EXPECT_EQ(session_.length_ms(), 3000);
    EXPECT_EQ(session_.PositionText(), QStringLiteral("00:00:00 / 00:00:03"));
    EXPECT_EQ(session_.kind_code(), QStringLiteral("0"));
    EXPECT_TRUE(session_.status_text().isEmpty()) << session_.status_text().toStdString();
    EXPECT_EQ(session_.metadata().record_number, QStringLiteral("00000007"));
    EXPECT_EQ(session_.metadata().title, QStringLiteral("Message for Ann"));
}

TEST_F(PlayerOpen, MarksAreListedInTimeOrderWithSpacesRestored) {
    RecordingRecipe recipe;
    recipe.marks = {recordstore::MakeIndexMark("00:00:02", "second point"),
                    recordstore::MakeIndexMark("00:00:00", "opening"),
                    recordstore::MakeIndexMark("00:00:01", "first point here")};
    ASSERT_EQ(Open(recipe), OpenResult::kOpened);
    const auto& marks = session_.marks();
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].comment, QStringLiteral("opening"));
    EXPECT_EQ(marks[1].comment, QStringLiteral("first point here"));
    EXPECT_EQ(marks[1].time_stamp, QStringLiteral("00:00:01"));
    EXPECT_EQ(marks[1].time_ms, 1000);
    EXPECT_EQ(marks[2].comment, QStringLiteral("second point"));
}

TEST_F(PlayerOpen, RecordingWithoutMarksFileHasAnEmptyList) {
    RecordingRecipe recipe;
    recipe.with_marks = false;
    ASSERT_EQ(Open(recipe), OpenResult::kOpened);
    EXPECT_TRUE(session_.marks().empty());
    EXPECT_FALSE(session_.capabilities().can_go_next);
}

TEST_F(PlayerOpen, KindCodeChoosesTheStatusText) {
    const std::vector<std::pair<std::string, QString>> cases = {
        {"0", QString()},
        {"3", QString()},
        {"5", QString::fromLatin1(player::kNotOriginal)},
        {"77", QString::fromLatin1(player::kUnknownType)},
        {"999", QString::fromLatin1(player::kUnknownType)},
    };
    for (const auto& [kind, text] : cases) {
        SCOPED_TRACE(kind);
        RecordingRecipe recipe;
        recipe.kind = kind;
        ASSERT_EQ(Open(recipe), OpenResult::kOpened);
        EXPECT_EQ(session_.status_text(), text);
        EXPECT_TRUE(session_.can_play());
    }
}

TEST_F(PlayerOpen, RecordingWithoutRecordLineStillPlaysWithUndeterminedType) {
    RecordingRecipe recipe;
    recipe.with_record_line = false;
    ASSERT_EQ(Open(recipe), OpenResult::kOpened);
    EXPECT_EQ(session_.status_text(), QString::fromLatin1(player::kUnknownType));
    EXPECT_TRUE(session_.can_play());
    EXPECT_EQ(session_.length_ms(), 3000);
}

TEST_F(PlayerOpen, StoredHundredIsOffExceptForSpeed) {
    RecordingRecipe recipe;
    recipe.effect_fields = {"100", "100", "7", "100", "100", "100", "-3", "100", "", ""};
    ASSERT_EQ(Open(recipe), OpenResult::kOpened);
    const audio::EffectSet& effects = session_.effects();
    EXPECT_EQ(effects[audio::kEffectSpeed].on, 1);
    EXPECT_EQ(effects[audio::kEffectSpeed].value, 100);
    EXPECT_EQ(effects[audio::kEffectEcho].on, 0);
    EXPECT_EQ(effects[audio::kEffectChorus].on, 1);
    EXPECT_EQ(effects[audio::kEffectChorus].value, 7);
    EXPECT_EQ(effects[audio::kEffectEqualizer].on, 1);
    EXPECT_EQ(effects[audio::kEffectEqualizer].value, -3);
    EXPECT_EQ(effects[audio::kEffectReverb].on, 0);
    EXPECT_FALSE(session_.reverse());
    EXPECT_EQ(session_.status_text(), QString::fromLatin1(player::kSavedEffects));
}

TEST_F(PlayerOpen, StoredReverseMakesTheReversedWave) {
    RecordingRecipe recipe;
    recipe.effect_fields = {"", "", "", "", "", "", "", "", "1", ""};
    ASSERT_EQ(Open(recipe), OpenResult::kOpened);
    EXPECT_TRUE(session_.reverse());
    EXPECT_TRUE(std::filesystem::exists(session_.temp_folder().toStdString() + "/Message.wbc"));
}

TEST_F(PlayerOpen, TemporaryFolderIsPrivateAndRemovedOnClose) {
    ASSERT_EQ(Open(RecordingRecipe{}), OpenResult::kOpened);
    const std::filesystem::path folder = session_.temp_folder().toStdString();
    ASSERT_TRUE(std::filesystem::exists(folder / "Message.xrw"));
    const auto permissions = std::filesystem::status(folder).permissions();
    EXPECT_EQ(
        permissions & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
        std::filesystem::perms::none);
    // Opening another file removes the first folder too.
    ASSERT_EQ(Open(RecordingRecipe{}), OpenResult::kOpened);
    EXPECT_FALSE(std::filesystem::exists(folder));
    const std::filesystem::path second = session_.temp_folder().toStdString();
    session_.Close();
    EXPECT_FALSE(std::filesystem::exists(second));
    EXPECT_FALSE(session_.is_open());
}

TEST_F(PlayerOpen, WaveThatIsNotPlainPcmIsReportedUnplayable) {
    WriteFileText(files_.work_file("Odd.xrw"), "OggS not a wave at all");
    recordstore::IndexMark none[1];
    ASSERT_TRUE(
        recordstore::WriteIndexMarkFile(files_.work_file("Odd.xrs"), std::span(none, 0)).ok());
    const std::string path = files_.PutContainer("Odd.xrz", {"Odd.xrw", "Odd.xrs"});
    EXPECT_EQ(session_.Open(QString::fromStdString(path)), OpenResult::kUnplayable);
    EXPECT_EQ(session_.status_text(), QString::fromLatin1(player::kUnableToPlay));
    EXPECT_FALSE(session_.is_open());
    EXPECT_TRUE(session_.temp_folder().isEmpty());
}

TEST_F(PlayerOpen, RecordingCompressedForTheMailPlaysAtItsLength) {
    RecordingRecipe recipe;
    const std::string plain = files_.MakeRecording("Plain.xrz", recipe);
    TempDir unpacked;
    ASSERT_EQ(recordstore::RecordingContainer::OpenStandAlone(plain, unpacked.path().string(),
                                                              recordstore::MediaKind::kAudio),
              recordstore::ContainerResult::kDone);
    // The compressor's form: an Ogg Vorbis stream under the wave's name.
    encoding::EncodeSettings ogg;
    ogg.format = encoding::AudioFormat::kOgg;
    ASSERT_TRUE(
        encoding::TranscodeAudio(unpacked.file("Plain.xrw"), files_.work_file("Small.xrw"), ogg)
            .ok);
    std::filesystem::copy_file(unpacked.file("Plain.xrs"), files_.work_file("Small.xrs"));
    std::filesystem::copy_file(unpacked.file("Plain.xrl"), files_.work_file("Small.xrl"));
    const std::string path =
        files_.PutContainer("Small.xrz", {"Small.xrw", "Small.xrs", "Small.xrl"});
    ASSERT_EQ(session_.Open(QString::fromStdString(path)), OpenResult::kOpened)
        << session_.status_text().toStdString();
    EXPECT_TRUE(session_.can_play());
    EXPECT_NEAR(session_.length_ms(), 3000, 1);
}

}  // namespace
}  // namespace kivo::test

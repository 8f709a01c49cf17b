// Editing stored records: what reaches the record log, the container and the
// index, what is refused, and that nothing is left behind.
#include "kivo/records/record_edit_session.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "kivo/recordstore/record_index.h"
#include "record_store_fixture.h"

// Records are described with designated initializers that name only the
// fields a test cares about; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kivo::records {
namespace {

namespace field = recordstore::record_field;
using RecordEditSessionTest = RecordStoreTest;

TEST(RecordEditKinds, EachKindCodeOpensItsDialog) {
    EXPECT_EQ(EditorKindForCode("0"), EditorKind::kDictation);
    EXPECT_EQ(EditorKindForCode("5"), EditorKind::kDictation);
    EXPECT_EQ(EditorKindForCode("13"), EditorKind::kDictation);
    EXPECT_EQ(EditorKindForCode("1"), EditorKind::kMeeting);
    EXPECT_EQ(EditorKindForCode("2"), EditorKind::kPhone);
    EXPECT_EQ(EditorKindForCode("3"), EditorKind::kPhone);
    EXPECT_EQ(EditorKindForCode("4"), EditorKind::kDiary);
    EXPECT_EQ(EditorKindForCode("9"), EditorKind::kVideo);
    EXPECT_EQ(EditorKindForCode("17"), std::nullopt);
    EXPECT_STREQ(EditorTitle(EditorKind::kPhone), "Phone Editor");
    EXPECT_STREQ(EditorTitle(EditorKind::kDiary), "Diary Editor");
    EXPECT_STREQ(EditorTitle(EditorKind::kVideo), "Video Editor");
}

TEST(RecordEditKinds, NagMeAloneGivesNoReminder) {
    EXPECT_EQ(ReminderSetting(false, false), 0);
    EXPECT_EQ(ReminderSetting(false, true), 0);
    EXPECT_EQ(ReminderSetting(true, false), 1);
    EXPECT_EQ(ReminderSetting(true, true), 2);
}

TEST_F(RecordEditSessionTest, SubjectWithSpacesIsStoredWithStoredSpacesAndShownBack) {
    AddRecord({.number = 1});
    const std::string container = AddRecord({.number = 2, .subject = "before"});
    const std::string log_before = StoredMember("Voxwren.xrr");
    {
        RecordEditSession session(target(), reporter_);
        ASSERT_EQ(session.Open(container), 0);
        EXPECT_EQ(session.kind(), EditorKind::kDictation);
        EXPECT_EQ(session.subject(), "before");
        EXPECT_EQ(session.KivoId(), "00000002");
        EXPECT_EQ(session.StartText(), "07/12/2026 09:00:00");
        EXPECT_EQ(session.EndText(), "07/12/2026 09:00:05");
        EXPECT_EQ(session.DurationText(), "00:00:05");
        session.set_subject("a new subject");
        ASSERT_EQ(session.Save(), 0);
        EXPECT_TRUE(session.saved());
    }
    const std::string log_after = StoredMember("Voxwren.xrr");
    ASSERT_EQ(log_after.size(), log_before.size());
    EXPECT_EQ(log_after.substr(0, 802), log_before.substr(0, 802));
    const recordstore::RecordLine line = LineOf(log_after, 2);
    EXPECT_EQ(line.StoredField(field::kSubject),
              "a\xAC"
              "new\xAC"
              "subject");
    EXPECT_EQ(line.StoredField(field::kContainerName), container);
    EXPECT_EQ(line.StoredField(field::kStartTime), "09:00:00");
    // The working log (what the lists read) and the container's copy agree.
    EXPECT_EQ(test::ReadFileText((work_ / "Voxwren.xrr").string()), log_after);
    EXPECT_EQ(ContainerMember(container, container.substr(0, container.size() - 4) + ".xrl"),
              line.bytes());
    EXPECT_TRUE(LeftOverFiles(container).empty());

    RecordEditSession again(target(), reporter_);
    ASSERT_EQ(again.Open(container), 0);
    EXPECT_EQ(again.subject(), "a new subject");
    EXPECT_TRUE(reporter_.codes().empty());
}

TEST_F(RecordEditSessionTest, LockedRecordIsRefusedWithInfo006AndTheStoreUnchanged) {
    const std::string container = AddRecord({.number = 3, .lock = "L"});
    const std::string before = StoreBytes();

    RecordEditSession session(target(), reporter_);
    EXPECT_EQ(session.Open(container), kMessageRecordLocked);
    EXPECT_FALSE(session.is_open());
    EXPECT_EQ(reporter_.codes(), std::vector<int>{6});
    EXPECT_EQ(core::MessageText(6), "The record is locked and cannot be edited : Info 006");
    EXPECT_EQ(session.Close(), CloseOutcome::kDiscarded);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{6});
    EXPECT_EQ(StoreBytes(), before);
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditSessionTest, CancelOnAnUnchangedRecordAsksInfo002AndNoLeavesTheStore) {
    const std::string container = AddRecord({.number = 4});
    const std::string before = StoreBytes();

    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    EXPECT_EQ(session.Cancel(), CloseOutcome::kDiscarded);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{2});
    EXPECT_EQ(StoreBytes(), before);
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditSessionTest, YesToTheCloseQuestionSavesTheChanges) {
    const std::string container = AddRecord({.number = 4, .kind = "1", .text_a = "12.50 EUR"});
    reporter_.set_answer(core::kAnswerYes);

    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    EXPECT_EQ(session.kind(), EditorKind::kMeeting);
    EXPECT_EQ(session.CostText(), "12.50 EUR");
    session.set_subject("board meeting");
    EXPECT_EQ(session.Close(), CloseOutcome::kSaved);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{2});

    const recordstore::RecordLine line = LineOf(StoredMember("Voxwren.xrm"), 4);
    EXPECT_EQ(line.FieldText(field::kSubject), "board meeting");
    EXPECT_EQ(line.FieldText(field::kTextA), "12.50 EUR");
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditSessionTest, IndexEntryGetsTheNewKeywordsAndKeepsTheMarkComments) {
    const std::string container =
        AddRecord({.number = 5, .keywords = "old", .mark_comments = {"first mark", "second"}});
    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    EXPECT_EQ(session.keywords(), "old");
    session.set_keywords("alpha\r\nbeta gamma");
    ASSERT_EQ(session.Save(), 0);

    char keywords[ZN2INDEX_KEYWORDS_BUFFER_BYTES] = {};
    ASSERT_NE(Zn2IndexRead(5, (work_ / "Voxwren.xri").c_str(), keywords), 0);
    EXPECT_STREQ(keywords, "alpha  beta gamma");
    recordstore::RecordIndex index((work_ / "Voxwren.xri").string());
    recordstore::IndexRecord entry;
    ASSERT_TRUE(index.Get(5, &entry).ok());
    EXPECT_EQ(entry.mark_comments, "first mark second");
    EXPECT_EQ(entry.kind_code, "0");
    EXPECT_EQ(entry.line_position, 401);
}

TEST_F(RecordEditSessionTest, PhoneNameAndNumberGoToTheirFieldsAndTheCostStays) {
    const std::string container = AddRecord(
        {.number = 6, .kind = "3", .text_a = "Ann Smith", .text_b = "0.42", .subject = "0123"});
    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    EXPECT_EQ(session.kind(), EditorKind::kPhone);
    EXPECT_EQ(session.party_name(), "Ann Smith");
    EXPECT_EQ(session.phone_number(), "0123");
    EXPECT_EQ(session.CostText(), "0.42");
    session.set_party_name("Ann Jones");
    session.set_phone_number("0987 654");
    ASSERT_EQ(session.Save(), 0);

    const recordstore::RecordLine line = LineOf(StoredMember("Voxwren.xrp"), 6);
    EXPECT_EQ(line.StoredField(field::kTextA),
              "Ann\xAC"
              "Jones");
    EXPECT_EQ(line.StoredField(field::kTextB), "0.42");
    EXPECT_EQ(line.StoredField(field::kSubject),
              "0987\xAC"
              "654");
    EXPECT_EQ(line.StoredField(field::kKindCode), "3");
}

TEST_F(RecordEditSessionTest, RemovingAPhoneRecordsPictureLeavesAContainerOfThreeMembers) {
    const std::string container =
        AddRecord({.number = 7, .kind = "2", .kind_number = "7", .picture_extension = ".GIF"});
    ASSERT_EQ(ContainerMembers(container).size(), 4u);

    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    ASSERT_TRUE(session.has_picture());
    EXPECT_EQ(session.stored_picture_type(), PictureType::kGif);
    EXPECT_EQ(test::ReadFileText(session.PictureToShow().string()), "picture D20261207.GIF");
    session.RemovePicture();
    EXPECT_FALSE(session.has_picture());
    ASSERT_EQ(session.Save(), 0);

    const auto members = ContainerMembers(container);
    EXPECT_EQ(members,
              (std::vector<std::string>{"D20261207.xrw", "D20261207.xrs", "D20261207.xrl"}));
    // The answering machine's mark in field 13 travels unchanged.
    EXPECT_EQ(LineOf(StoredMember("Voxwren.xrp"), 7).StoredField(field::kKindNumber), "7");
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditSessionTest, APictureOfTheOtherTypeReplacesTheStoredOne) {
    const std::string container =
        AddRecord({.number = 8, .kind = "1", .picture_extension = ".GIF"});
    const fs::path chosen = dir_.path() / "portrait.jpg";
    test::WriteFileText(chosen.string(), "jpeg bytes");

    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    EXPECT_FALSE(session.ChoosePicture(dir_.path() / "missing.jpg"));
    ASSERT_TRUE(session.ChoosePicture(chosen));
    EXPECT_EQ(session.picture_type(), PictureType::kJpg);
    EXPECT_EQ(session.PictureToShow(), chosen);
    ASSERT_EQ(session.Save(), 0);

    const auto members = ContainerMembers(container);
    EXPECT_EQ(members.size(), 4u);
    EXPECT_EQ(std::count(members.begin(), members.end(), "D20261208.GIF"), 0);
    EXPECT_EQ(ContainerMember(container, "D20261208.JPG"), "jpeg bytes");
}

TEST_F(RecordEditSessionTest, APictureAddedToARecordWithoutOneIsStored) {
    const std::string container = AddRecord(
        {.number = 9, .kind = "4", .text_a = "7/12/2026", .text_b = "09:30", .kind_number = "0"});
    const fs::path chosen = dir_.path() / "map.GIF";
    test::WriteFileText(chosen.string(), "gif bytes");
    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    EXPECT_FALSE(session.has_picture());
    ASSERT_TRUE(session.ChoosePicture(chosen));
    ASSERT_EQ(session.Save(), 0);
    EXPECT_EQ(ContainerMember(container, "D20261209.GIF"), "gif bytes");
}

TEST_F(RecordEditSessionTest, DiaryDayTimeAndReminderRoundTrip) {
    const std::string container = AddRecord(
        {.number = 10, .kind = "4", .text_a = "7/12/2026", .text_b = "09:30", .kind_number = "1"});
    {
        RecordEditSession session(target(), reporter_);
        ASSERT_EQ(session.Open(container), 0);
        EXPECT_EQ(session.kind(), EditorKind::kDiary);
        EXPECT_EQ(session.diary_date(), (DiaryDate{7, 12, 2026}));
        EXPECT_EQ(session.diary_time(), (DiaryTime{9, 30}));
        EXPECT_TRUE(session.auto_reminder());
        EXPECT_FALSE(session.nag_me());
        session.set_diary_date({1, 3, 2026});
        session.set_diary_time({18, 5});
        session.set_reminder(true, true);
        ASSERT_EQ(session.Save(), 0);
    }
    const recordstore::RecordLine line = LineOf(StoredMember("Voxwren.xrd"), 10);
    EXPECT_EQ(line.StoredField(field::kTextA), "1/3/2026");
    EXPECT_EQ(line.StoredField(field::kTextB), "18:05");
    EXPECT_EQ(line.StoredField(field::kKindNumber), "2");
    {
        RecordEditSession session(target(), reporter_);
        ASSERT_EQ(session.Open(container), 0);
        EXPECT_EQ(session.diary_date(), (DiaryDate{1, 3, 2026}));
        EXPECT_EQ(session.diary_time(), (DiaryTime{18, 5}));
        EXPECT_TRUE(session.auto_reminder());
        EXPECT_TRUE(session.nag_me());
        session.set_reminder(false, true);
        ASSERT_EQ(session.Save(), 0);
    }
    EXPECT_EQ(LineOf(StoredMember("Voxwren.xrd"), 10).StoredField(field::kKindNumber), "0");
}

TEST_F(RecordEditSessionTest, TheRecordingIsUnchangedByteForByte) {
    const std::string container = AddRecord({.number = 11, .picture_extension = ".JPG"});
    const std::string stored_media = ContainerMember(container, "D202612011.xrw");
    ASSERT_FALSE(stored_media.empty());

    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    session.set_subject("changed");
    ASSERT_EQ(session.Save(), 0);

    EXPECT_EQ(ContainerMember(container, "D202612011.xrw"), stored_media);
    // Decoded, it is still the wave that was recorded.
    test::TempDir opened;
    ASSERT_EQ(XRopenXRZ(container.c_str(), opened.path().c_str(), store_path().c_str(), 0), 0);
    const auto wave = MakeWave(4000, 11);
    EXPECT_EQ(test::ReadFileBytes(opened.file("D202612011.xrw")), wave);
    // A dictation's picture, which its editor does not show, stays.
    const auto members = ContainerMembers(container);
    EXPECT_EQ(std::count(members.begin(), members.end(), "D202612011.JPG"), 1);
}

TEST_F(RecordEditSessionTest, RecordsThatCannotBeOpenedLeaveNothingBehind) {
    AddRecord({.number = 12});
    struct Case {
        const char* name;
        int expected;
    };
    const Case cases[] = {
        {"D20269999.xrz", kMessageMissingFile},        // not in the store
        {"../D202612012.xrz", kMessageCorruptRecord},  // a path, not a name
        {"Voxwren.xrz", kMessageCorruptRecord},        // names a component's stem
        {"D202612012.xrv", kMessageMissingFile},       // a video container the store lacks
        {"D.xrv", kMessageCorruptRecord},              // no stem
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordEditSession session(target(), reporter_);
        EXPECT_EQ(session.Open(c.name), c.expected);
        EXPECT_FALSE(session.is_open());
    }
    EXPECT_TRUE(LeftOverFiles("D20269999.xrz").empty());
    EXPECT_TRUE(fs::exists(work_ / "Voxwren.xrl"));
}

TEST_F(RecordEditSessionTest, ARecordOfAnUnknownKindIsNotEditedHere) {
    const std::string container = AddRecord({.number = 13, .kind = "17"});
    RecordEditSession session(target(), reporter_);
    EXPECT_EQ(session.Open(container), kOpenUnsupportedKind);
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].text, kUnsupportedKindText);
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditSessionTest, AFailedReplaceReportsError109AndDeletesTheFiles) {
    const std::string container = AddRecord({.number = 14});
    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    // The record has gone from its log meanwhile (deleted from the list).
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    test::WriteFileText((work_ / "Voxwren.xrr").string(), log.substr(0, 401));
    session.set_subject("lost");
    EXPECT_EQ(session.Save(), kMessageCannotSave);
    EXPECT_FALSE(session.saved());
    EXPECT_EQ(reporter_.codes(), std::vector<int>{109});
    EXPECT_EQ(test::ReadFileText((work_ / "Voxwren.xrr").string()), log.substr(0, 401));
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditSessionTest, ARecordOpenedBeforeAnotherStoreWasOpenedIsSavedNowhere) {
    const std::string container = AddRecord({.number = 15, .subject = "kept"});
    RecordEditSession session(target(), reporter_);
    ASSERT_EQ(session.Open(container), 0);
    session.set_subject("written into the wrong store");

    // File > New while the dialog stays open; the switch saves the first store.
    const fs::path first = store_->store_path();
    ASSERT_EQ(store_->New(dir_.path() / "Other.xrt"), 0);
    const std::string first_bytes = test::ReadFileText(first.string());
    const std::string other_bytes = StoreBytes();
    EXPECT_EQ(session.Save(), kMessageCannotSave);
    EXPECT_FALSE(session.saved());
    EXPECT_EQ(reporter_.codes(), std::vector<int>{109});
    EXPECT_TRUE(test::ReadFileText(first.string()) == first_bytes);
    EXPECT_TRUE(StoreBytes() == other_bytes);
}

}  // namespace
}  // namespace kivo::records

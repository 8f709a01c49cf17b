// The recorder's other two ways of opening: a finished wave reviewed as a
// new dictation, and a stored dictation edited and saved back in its place
// (container, record line in the log, index entry), with its picture.
#include <gtest/gtest.h>

#include "dictation_store_fixture.h"
#include "file_bytes.h"
#include "kivo/dictation/dictation_session.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "zn2index.h"

namespace kivo::dictation {
namespace {

class DictationEditTest : public DictationStoreTest {
protected:
    std::unique_ptr<DictationSession> NewSession() {
        return std::make_unique<DictationSession>(*backend_, target_, reporter_);
    }

    // Saves a two-second dictation with two marks; returns its container.
    std::string SaveOriginal(const fs::path& picture = {}) {
        EXPECT_EQ(session_->Record(), 0);
        test::AdvanceAndPump(*backend_, 500);
        EXPECT_TRUE(session_->AddMark("opening"));
        test::AdvanceAndPump(*backend_, 1000);
        EXPECT_TRUE(session_->AddMark("the point"));
        test::AdvanceAndPump(*backend_, 500);
        session_->Stop();
        session_->set_subject("Letter to the bank");
        session_->set_keywords("loan rates");
        session_->set_picture_path(picture);
        EXPECT_EQ(session_->Save(), 0);
        return session_->ContainerName();
    }

    std::string Keywords(std::int32_t record) const {
        std::string keywords(ZN2INDEX_KEYWORDS_BUFFER_BYTES, '\0');
        Zn2IndexRead(record, (work_ / "Voxwren.xri").string().c_str(), keywords.data());
        return keywords.c_str();
    }

    // The record log as stored in the data store, loaded afresh.
    std::string StoredLog() {
        const fs::path fresh = dir_.path() / "fresh";
        fs::create_directories(fresh);
        core::DataStoreSession loaded(fresh, &profile_, "anna");
        loaded.set_location(core::StoreLocation{dir_.path(), "KIVO"});
        EXPECT_EQ(loaded.LoadDataStore(), 0);
        return test::ReadFileText((fresh / "Voxwren.xrr").string());
    }

    // The members of a stored container, extracted into a fresh folder.
    fs::path Extract(const std::string& container) {
        const fs::path folder = dir_.path() / ("x" + std::to_string(++extractions_));
        fs::create_directories(folder);
        EXPECT_EQ(XRopenXRZ(container.c_str(), folder.string().c_str(),
                            store_->store_path().string().c_str(), XR_OPEN_DEFAULT),
                  0);
        return folder;
    }

    int extractions_ = 0;
};

TEST_F(DictationEditTest, WaveOpensForReviewWithItsLengthAndRecordInsert) {
    const std::vector<std::uint8_t> samples = Tape(3000, 3000);
    test::WriteWave(dir_.file("finished.wav"), kMono8k, samples);
    auto review = NewSession();
    ASSERT_EQ(review->OpenFromWave(dir_.path() / "finished.wav"), 0);

    EXPECT_EQ(review->mode(), DictationMode::kNewFromWave);
    EXPECT_EQ(review->state(), TransportState::kReview);
    EXPECT_EQ(review->length_ms(), 3000);
    EXPECT_EQ(review->cut_from_ms(), 0);
    EXPECT_EQ(review->cut_to_ms(), 3000);
    EXPECT_TRUE(review->record_insert());
    EXPECT_FALSE(review->start_text().empty());
    EXPECT_EQ(review->start_text(), review->end_text());
    const ButtonStates buttons = review->Buttons();
    EXPECT_TRUE(buttons.ok && buttons.cancel && buttons.mark && buttons.play && buttons.stop &&
                buttons.fast_forward && buttons.record && buttons.positions && buttons.rewind);
    EXPECT_FALSE(buttons.cut);
    // An empty index-mark file waits beside the copied wave.
    const fs::path marks = work_ / ("D" + review->stamp() + ".xrs");
    ASSERT_TRUE(fs::exists(marks));
    EXPECT_EQ(fs::file_size(marks), 0u);
    EXPECT_TRUE(review->has_unsaved_recording());

    review->set_subject("Imported thoughts");
    ASSERT_EQ(review->Save(), 0);
    recordstore::RecordLine line;
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    EXPECT_EQ(line.Fields().duration, "00:00:03");
    EXPECT_EQ(line.Fields().subject, "Imported thoughts");
    const fs::path opened = Extract(review->ContainerName());
    EXPECT_EQ(test::ReadWaveSamples((opened / ("D" + review->stamp() + ".xrw")).string()), samples);
}

TEST_F(DictationEditTest, WaveThatCannotBeReadShowsMessage200) {
    test::WriteFileText(dir_.file("broken.wav"), "not a wave");
    auto review = NewSession();
    EXPECT_EQ(review->OpenFromWave(dir_.path() / "broken.wav"), 200);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{200});
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_FALSE(entry.path().filename().string().starts_with("D" + review->stamp()));
}

TEST_F(DictationEditTest, EditedSubjectAndMarkCommentAreSavedInPlace) {
    const std::string container = SaveOriginal();
    const std::int32_t record = session_->record_number();

    auto edit = NewSession();
    ASSERT_EQ(edit->OpenStored(container, *store_), 0);
    EXPECT_EQ(edit->mode(), DictationMode::kEdit);
    EXPECT_EQ(edit->state(), TransportState::kStopped);
    EXPECT_EQ(edit->record_number(), record);
    EXPECT_EQ(edit->subject(), "Letter to the bank");
    EXPECT_EQ(edit->keywords(), "loan rates");
    EXPECT_EQ(edit->length_ms(), 2000);
    ASSERT_EQ(edit->Marks().size(), 2u);
    EXPECT_EQ(edit->Marks()[0].comment, "opening");
    EXPECT_EQ(edit->Marks()[1].time_ms, 1000);  // stored as whole seconds
    EXPECT_FALSE(edit->has_unsaved_recording());
    // The marks are in memory now; their file is not left lying about.
    EXPECT_FALSE(fs::exists(work_ / ("D" + edit->stamp() + ".xrs")));

    edit->set_subject("Letter to the building society");
    edit->set_keywords("mortgage");
    ASSERT_TRUE(edit->EditMarkComment(0, "greeting"));
    EXPECT_TRUE(edit->has_unsaved_recording());
    ASSERT_EQ(edit->Save(), 0) << reporter_.codes().size();
    EXPECT_TRUE(reporter_.codes().empty());
    EXPECT_EQ(profile_.Read("anna", "RecID"), "00000001");  // no new number

    auto again = NewSession();
    ASSERT_EQ(again->OpenStored(container, *store_), 0);
    EXPECT_EQ(again->subject(), "Letter to the building society");
    EXPECT_EQ(again->keywords(), "mortgage");
    ASSERT_EQ(again->Marks().size(), 2u);
    EXPECT_EQ(again->Marks()[0].comment, "greeting");
    EXPECT_EQ(again->Marks()[1].comment, "the point");
    again.reset();

    // The recording is untouched, sample for sample.
    const fs::path opened = Extract(container);
    const std::string base = container.substr(0, container.size() - 4);
    EXPECT_EQ(test::ReadWaveSamples((opened / (base + ".xrw")).string()), Tape(0, 2000));

    // One line for the record, in its place, in the stored log.
    const std::string log = StoredLog();
    ASSERT_EQ(log.size(), 2 * recordstore::kRecordLineBytes);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    const recordstore::RecordFields fields = line.Fields();
    EXPECT_EQ(fields.record_number, record);
    EXPECT_EQ(fields.subject, "Letter to the building society");
    EXPECT_EQ(fields.container_name, container);
    EXPECT_EQ(fields.duration, "00:00:02");
    EXPECT_EQ(fields.lock, "");
    EXPECT_TRUE(LeftOverFiles().empty());
}

TEST_F(DictationEditTest, InsertedAudioInAnEditMovesTheLaterStoredMarks) {
    const std::string container = SaveOriginal();
    auto edit = NewSession();
    ASSERT_EQ(edit->OpenStored(container, *store_), 0);
    edit->SetCutTo(0);
    edit->set_record_insert(true);
    ASSERT_EQ(edit->Record(), 0);
    test::AdvanceAndPump(*backend_, 1000);
    edit->Stop();
    EXPECT_EQ(edit->length_ms(), 3000);
    ASSERT_EQ(edit->Save(), 0);

    auto again = NewSession();
    ASSERT_EQ(again->OpenStored(container, *store_), 0);
    EXPECT_EQ(again->length_ms(), 3000);
    ASSERT_EQ(again->Marks().size(), 2u);
    EXPECT_EQ(again->Marks()[0].time_ms, 1000);
    EXPECT_EQ(again->Marks()[1].time_ms, 2000);
}

TEST_F(DictationEditTest, LockedRecordShowsInfo6AndChangesNothing) {
    // A dictation whose line carries a lock word, saved as the store would
    // hold it.
    const std::string base = "D20240101120000000";
    test::WriteWave((work_ / (base + ".xrw")).string(), kMono8k, Tape(0, 1000));
    ASSERT_TRUE(recordstore::WriteIndexMarkFile((work_ / (base + ".xrs")).string(), {}).ok());
    recordstore::RecordFields fields;
    fields.record_number = 42;
    fields.kind_code = "0";
    fields.text_a = "0";
    fields.subject = "Sealed";
    fields.lock = "L";
    fields.container_name = base + ".xrz";
    fields.start_date = fields.end_date = "01/01/2024";
    fields.start_time = fields.end_time = "12:00:00";
    fields.duration = "00:00:01";
    const auto built = recordstore::RecordLine::Build(fields);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(built.bytes, &line).ok());
    ASSERT_TRUE(line.WriteFile((work_ / (base + ".xrl")).string()).ok());
    ASSERT_GT(XRsaveR((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(), "",
                      work_.string().c_str(), store_->store_path().string().c_str(),
                      "20240101120000000", 0),
              0);
    for (const char* extension : {".xrw", ".xrl", ".xrs", ".xrz"})
        fs::remove(work_ / (base + extension));

    const std::string store_before = test::ReadFileText(store_->store_path().string());
    const std::string log_before = test::ReadFileText((work_ / "Voxwren.xrr").string());
    auto edit = NewSession();
    EXPECT_EQ(edit->OpenStored(base + ".xrz", *store_), 6);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{6});
    EXPECT_EQ(core::MessageText(6), "The record is locked and cannot be edited : Info 006");
    EXPECT_EQ(edit->Close(), CloseOutcome::kDiscarded);
    edit.reset();
    EXPECT_EQ(test::ReadFileText(store_->store_path().string()), store_before);
    EXPECT_EQ(test::ReadFileText((work_ / "Voxwren.xrr").string()), log_before);
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_FALSE(entry.path().filename().string().starts_with(base)) << entry.path();
}

TEST_F(DictationEditTest, UnreadableRecordLineShowsMessage113AndLeavesNothing) {
    const std::string container = SaveOriginal();
    const std::string base = container.substr(0, container.size() - 4);
    // The container in the store gets a record line that is cut short.
    ASSERT_EQ(XRopenXRZ(container.c_str(), work_.string().c_str(),
                        store_->store_path().string().c_str(), XR_OPEN_DEFAULT),
              0);
    test::WriteFileText((work_ / (base + ".xrl")).string(), std::string(300, 'x'));
    ASSERT_EQ(XRsaveXRZ(container.c_str(), work_.string().c_str(),
                        store_->store_path().string().c_str(), XR_PICTURE_NONE),
              0);
    for (const char* extension : {".xrw", ".xrl", ".xrs", ".xrz"})
        fs::remove(work_ / (base + extension));

    auto edit = NewSession();
    EXPECT_EQ(edit->OpenStored(container, *store_), 113);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{113});
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_FALSE(entry.path().filename().string().starts_with(base)) << entry.path();
}

TEST_F(DictationEditTest, ContainerThatIsNotStoredOrNotAPlainNameIsRefused) {
    auto missing = NewSession();
    EXPECT_EQ(missing->OpenStored("D99999999999999999.xrz", *store_), 108);
    auto escaping = NewSession();
    EXPECT_EQ(escaping->OpenStored("../D1.xrz", *store_), 108);
    EXPECT_EQ(reporter_.codes(), (std::vector<int>{108, 108}));
}

TEST_F(DictationEditTest, PictureIsRemovedOrChangedInTheStoredRecord) {
    test::WriteFileText(dir_.file("face.gif"), "GIF89a first picture");
    const std::string container = SaveOriginal(dir_.path() / "face.gif");
    const std::string base = container.substr(0, container.size() - 4);

    auto edit = NewSession();
    ASSERT_EQ(edit->OpenStored(container, *store_), 0);
    ASSERT_EQ(edit->picture_path(), work_ / (base + ".GIF"));
    EXPECT_EQ(test::ReadFileText(edit->picture_path().string()), "GIF89a first picture");
    test::WriteFileText(dir_.file("view.jpg"), "JPEG second picture");
    edit->set_picture_path(dir_.path() / "view.jpg");
    ASSERT_EQ(edit->Save(), 0);

    auto changed = NewSession();
    ASSERT_EQ(changed->OpenStored(container, *store_), 0);
    ASSERT_EQ(changed->picture_path(), work_ / (base + ".JPG"));
    EXPECT_EQ(test::ReadFileText(changed->picture_path().string()), "JPEG second picture");
    changed->set_picture_path({});
    ASSERT_EQ(changed->Save(), 0);

    auto removed = NewSession();
    ASSERT_EQ(removed->OpenStored(container, *store_), 0);
    EXPECT_TRUE(removed->picture_path().empty());
    removed.reset();
    const fs::path opened = Extract(container);
    const std::string stored_container = (opened / container).string();
    EXPECT_NE(CheckForFile(stored_container.c_str(), (base + ".GIF").c_str()), 0);
    EXPECT_NE(CheckForFile(stored_container.c_str(), (base + ".JPG").c_str()), 0);
}

TEST_F(DictationEditTest, AnEditOpenedBeforeAnotherStoreWasOpenedIsSavedNowhere) {
    const std::string container = SaveOriginal();
    auto edit = NewSession();
    ASSERT_EQ(edit->OpenStored(container, *store_), 0);
    edit->set_subject("written into the wrong store");

    // File > New while the recorder stays open; the switch saves the first store.
    const fs::path first = store_->store_path();
    ASSERT_EQ(store_->New(dir_.path() / "Other.xrt"), 0);
    const std::string first_bytes = test::ReadFileText(first.string());
    const std::string other_bytes = test::ReadFileText(store_->store_path().string());
    EXPECT_EQ(edit->Save(), 109);
    EXPECT_FALSE(edit->saved());
    EXPECT_EQ(reporter_.codes(), std::vector<int>{109});
    EXPECT_TRUE(test::ReadFileText(first.string()) == first_bytes);
    EXPECT_TRUE(test::ReadFileText(store_->store_path().string()) == other_bytes);
    // Nothing of the record was left in the working folder of the other store.
    EXPECT_TRUE(LeftOverFiles().empty());
}

TEST_F(DictationEditTest, ClosingAnUnchangedRecordAsksNothing) {
    const std::string container = SaveOriginal();
    auto edit = NewSession();
    ASSERT_EQ(edit->OpenStored(container, *store_), 0);
    edit->set_subject("Letter to the bank");
    edit->set_keywords("loan rates");
    EXPECT_EQ(edit->Close(), CloseOutcome::kDiscarded);
    EXPECT_TRUE(reporter_.codes().empty());
}

}  // namespace
}  // namespace kivo::dictation

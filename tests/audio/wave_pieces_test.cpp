// The editable recording's piece list: edits that split, cross and run past
// pieces, a long fixed-seed sequence of random edits checked against a plain
// byte vector, and the document over its files (only the data chunk is read,
// no scratch file is left with a name, a wave cut behind the document's back
// neither crashes nor saves a wrong file).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/audio/wave_document.h"
#include "piece_store.h"
#include "piece_table.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using Bytes = std::vector<std::uint8_t>;
using wavefile::PcmFormat;

constexpr auto kWave = PieceSource::kWave;
constexpr auto kScratch = PieceSource::kScratch;

// The table's content, read from two sources held in memory.
Bytes Materialise(const PieceTable& table, const Bytes& wave, const Bytes& scratch) {
    Bytes out;
    table.ForEach(0, table.size(), [&](const Piece& part) {
        const Bytes& source = part.source == kWave ? wave : scratch;
        EXPECT_LE(part.offset + part.length, source.size());
        out.insert(out.end(), source.begin() + static_cast<std::ptrdiff_t>(part.offset),
                   source.begin() + static_cast<std::ptrdiff_t>(part.offset + part.length));
        return true;
    });
    return out;
}

TEST(PieceTable, InsertInTheMiddleOfAPieceSplitsIt) {
    PieceTable table;
    table.Assign({kWave, 44, 1000});
    table.Insert(400, {kScratch, 0, 80});
    EXPECT_EQ(table.size(), 1080u);
    EXPECT_EQ(table.pieces(),
              (std::vector<Piece>{{kWave, 44, 400}, {kScratch, 0, 80}, {kWave, 444, 600}}));
    // At either end nothing is split.
    table.Insert(0, {kScratch, 80, 4});
    table.Insert(table.size(), {kScratch, 84, 4});
    EXPECT_EQ(table.pieces().front(), (Piece{kScratch, 80, 4}));
    EXPECT_EQ(table.pieces().back(), (Piece{kScratch, 84, 4}));
    EXPECT_EQ(table.size(), 1088u);
}

TEST(PieceTable, PiecesThatContinueEachOtherMerge) {
    PieceTable table;
    table.Insert(0, {kScratch, 0, 100});
    table.Insert(100, {kScratch, 100, 50});  // the next take, appended at the end
    EXPECT_EQ(table.pieces(), (std::vector<Piece>{{kScratch, 0, 150}}));
    // Deleting the inserted part of a split piece joins it again.
    table.Assign({kWave, 0, 1000});
    table.Insert(500, {kScratch, 0, 20});
    table.Erase(500, 520);
    EXPECT_EQ(table.pieces(), (std::vector<Piece>{{kWave, 0, 1000}}));
}

TEST(PieceTable, OverwriteAcrossPieceBoundariesAndPastTheEnd) {
    PieceTable table;
    table.Assign({kWave, 0, 300});
    table.Insert(100, {kScratch, 0, 100});  // wave 0-100, scratch 0-100, wave 100-300
    table.Overwrite(50, {kScratch, 1000, 200});
    EXPECT_EQ(table.size(), 400u);
    EXPECT_EQ(table.pieces(),
              (std::vector<Piece>{{kWave, 0, 50}, {kScratch, 1000, 200}, {kWave, 150, 150}}));
    // From inside the last piece to beyond the end: the content grows.
    table.Overwrite(350, {kScratch, 2000, 200});
    EXPECT_EQ(table.size(), 550u);
    EXPECT_EQ(table.pieces().back(), (Piece{kScratch, 2000, 200}));
    EXPECT_EQ(table.pieces()[2], (Piece{kWave, 150, 100}));
    // Overwriting at the very end appends.
    table.Overwrite(550, {kScratch, 2200, 10});
    EXPECT_EQ(table.size(), 560u);
    EXPECT_EQ(table.pieces().back(), (Piece{kScratch, 2000, 210}));
}

TEST(PieceTable, DeleteSpanningPiecesKeepsTheOuterParts) {
    PieceTable table;
    table.Assign({kWave, 0, 100});
    table.Insert(100, {kScratch, 0, 100});
    table.Insert(200, {kWave, 500, 100});
    table.Erase(50, 250);
    EXPECT_EQ(table.pieces(), (std::vector<Piece>{{kWave, 0, 50}, {kWave, 550, 50}}));
    EXPECT_EQ(table.size(), 100u);
    // Ranges past the end are cut to it; empty and reversed ranges change nothing.
    table.Erase(80, 5000);
    table.Erase(10, 10);
    table.Erase(30, 20);
    EXPECT_EQ(table.pieces(), (std::vector<Piece>{{kWave, 0, 50}, {kWave, 550, 30}}));
    table.Erase(0, table.size());
    EXPECT_TRUE(table.empty());
    EXPECT_TRUE(table.pieces().empty());
}

TEST(PieceTable, ForEachCutsPiecesToTheRangeAndStopsWhenAsked) {
    PieceTable table;
    table.Assign({kWave, 0, 100});
    table.Insert(50, {kScratch, 0, 100});
    std::vector<Piece> parts;
    EXPECT_TRUE(table.ForEach(40, 30, [&](const Piece& part) {
        parts.push_back(part);
        return true;
    }));
    EXPECT_EQ(parts, (std::vector<Piece>{{kWave, 40, 10}, {kScratch, 0, 20}}));
    int calls = 0;
    EXPECT_FALSE(table.ForEach(0, 200, [&](const Piece&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

// Thousands of random inserts, overwrites (some running past the end) and
// deletes in 4-byte frames, each compared with the same edit on a vector.
TEST(PieceTable, RandomEditsMatchAVectorModel) {
    constexpr std::uint64_t kFrame = 4;
    std::mt19937 random(20261208);
    Bytes wave(40000);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        wave[i] = static_cast<std::uint8_t>(random());
    }
    Bytes scratch;
    PieceTable table;
    table.Assign({kWave, 0, wave.size()});
    Bytes model = wave;

    const auto frames = [&](std::uint64_t most) {
        return std::uniform_int_distribution<std::uint64_t>(0, most)(random) * kFrame;
    };
    for (int step = 0; step < 3000; ++step) {
        const std::uint64_t size = model.size();
        const std::uint64_t at = frames(size / kFrame);
        const int kind = static_cast<int>(random() % 3);
        if (kind < 2) {
            // A take of up to 64 frames, appended to the scratch source.
            const std::uint64_t length = frames(64);
            const Piece piece{kScratch, scratch.size(), length};
            for (std::uint64_t i = 0; i < length; ++i) {
                scratch.push_back(static_cast<std::uint8_t>(random()));
            }
            const auto take = scratch.end() - static_cast<std::ptrdiff_t>(length);
            const auto where = model.begin() + static_cast<std::ptrdiff_t>(at);
            if (kind == 0) {
                table.Insert(at, piece);
                model.insert(where, take, scratch.end());
            } else {
                table.Overwrite(at, piece);
                const std::uint64_t over = std::min(length, size - at);
                model.erase(where, where + static_cast<std::ptrdiff_t>(over));
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), take, scratch.end());
            }
        } else {
            const std::uint64_t to = at + frames(size > 20000 ? 400 : 40);
            table.Erase(at, to);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at),
                        model.begin() + static_cast<std::ptrdiff_t>(std::min(to, size)));
        }
        ASSERT_EQ(table.size(), model.size()) << "after step " << step;
        if (step % 50 == 0 || step > 2950) {
            ASSERT_EQ(Materialise(table, wave, scratch), model) << "after step " << step;
        }
        for (const Piece& piece : table.pieces()) {
            ASSERT_GT(piece.length, 0u);
            ASSERT_EQ(piece.length % kFrame, 0u);
        }
    }
    EXPECT_EQ(Materialise(table, wave, scratch), model);
}

// ----- the document over its files -----

const PcmFormat kMono8k{1, 8000, 16};

class WaveDocumentFilesTest : public ::testing::Test {
protected:
    WaveDocumentFilesTest() {
        tape_ = test::MakeCountingPattern(kMono8k, 8000 * 10);
        test::WriteWave(dir_.file("in.wav"), kMono8k, tape_);
        backend_ = std::make_unique<sound::VirtualAudioBackend>(
            test::ManualOptions(dir_.file("in.wav"), dir_.file("out.wav")));
        document_ = std::make_unique<WaveDocument>(*backend_);
    }
    Bytes Tape(std::int64_t first_frame, std::int64_t frames) const {
        return test::Frames(tape_, kMono8k, first_frame, frames);
    }
    QString File(const std::string& name) const { return QString::fromStdString(dir_.file(name)); }

    test::TempDir dir_;
    Bytes tape_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<WaveDocument> document_;
};

// Random recordings (inserting and overwriting), deletes and saves on a
// document opened from a file, each compared with the same edit on a vector.
TEST_F(WaveDocumentFilesTest, RandomRecordingsAndDeletesMatchAVectorModel) {
    Bytes model = Tape(40000, 16000);  // 2 s that the microphone never plays
    test::WriteWave(dir_.file("doc.wav"), kMono8k, model);
    ASSERT_EQ(document_->Open(File("doc.wav")), kWaveOk);
    ASSERT_EQ(document_->SetTimeFormat(WaveDocument::TimeFormat::kSamples), kWaveOk);
    std::mt19937 random(8122026);
    for (int step = 0; step < 40; ++step) {
        const auto frames = static_cast<std::int64_t>(model.size() / 2);
        const auto at =
            static_cast<std::int64_t>(random() % static_cast<std::uint32_t>(frames + 1));
        const int kind = static_cast<int>(random() % 4);
        if (kind < 2) {
            ASSERT_EQ(document_->Seek(at), kWaveOk);
            const std::int64_t first = backend_->tape_position_frames();
            const auto mode = kind == 0 ? WaveDocument::RecordMode::kInsert
                                        : WaveDocument::RecordMode::kOverwrite;
            ASSERT_EQ(document_->Record(mode), kWaveOk);
            test::AdvanceAndPump(*backend_, 20 * static_cast<int>(1 + random() % 5));
            ASSERT_EQ(document_->Stop(), kWaveOk);
            const Bytes take = Tape(first, backend_->tape_position_frames() - first);
            const auto where = model.begin() + at * 2;
            if (kind == 1) {
                const auto over = std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(take.size()),
                                                           model.end() - where);
                model.erase(where, where + over);
            }
            model.insert(model.begin() + at * 2, take.begin(), take.end());
        } else if (kind == 2) {
            const std::int64_t to = at + static_cast<std::int64_t>(random() % 1200);
            ASSERT_EQ(document_->DeleteRange(at, to), kWaveOk);
            model.erase(model.begin() + at * 2,
                        model.begin() + std::min<std::int64_t>(to, frames) * 2);
        } else {
            ASSERT_EQ(document_->Save(), kWaveOk);
            ASSERT_EQ(test::ReadWaveSamples(dir_.file("doc.wav")), model) << "step " << step;
        }
        ASSERT_EQ(document_->length(), static_cast<std::int64_t>(model.size() / 2));
        ASSERT_EQ(document_->samples(), model) << "after step " << step;
    }
    ASSERT_EQ(document_->Save(File("copy.wav")), kWaveOk);
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("copy.wav")), model);
    // Played back through the pieces, the device hears the same bytes.
    ASSERT_EQ(document_->SeekToStart(), kWaveOk);
    ASSERT_EQ(document_->Play(), kWaveOk);
    test::AdvanceAndPump(*backend_, static_cast<int>(model.size() / 16) + 100);
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("out.wav")), model);
}

TEST_F(WaveDocumentFilesTest, ReadsNothingBeyondTheDataChunk) {
    // A "LIST" chunk after the data must not leak into the recording.
    test::WriteWave(dir_.file("a.wav"), kMono8k, Tape(0, 800));
    Bytes file = test::ReadFileBytes(dir_.file("a.wav"));
    const std::string list("LIST\x08\0\0\0INFOjunk", 16);
    file.insert(file.end(), list.begin(), list.end());
    test::PutU32(file, 4, test::GetU32(file, 4) + 16);
    test::WriteFileBytes(dir_.file("a.wav"), file);
    ASSERT_EQ(document_->Open(File("a.wav")), kWaveOk);
    EXPECT_EQ(document_->samples(), Tape(0, 800));
    ASSERT_EQ(document_->SeekToEnd(), kWaveOk);
    ASSERT_EQ(document_->Record(WaveDocument::RecordMode::kInsert), kWaveOk);
    test::AdvanceAndPump(*backend_, 100);
    ASSERT_EQ(document_->Stop(), kWaveOk);
    EXPECT_EQ(document_->samples().size(), 1600u * 2);
    ASSERT_EQ(document_->Save(), kWaveOk);
    Bytes expected = Tape(0, 800);
    const Bytes take = Tape(0, 800);
    expected.insert(expected.end(), take.begin(), take.end());
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("a.wav")), expected);
}

TEST_F(WaveDocumentFilesTest, RecordingLeavesNoFileBehindInTheFolder) {
    ASSERT_EQ(document_->Open(QString()), kWaveOk);
    ASSERT_EQ(document_->Record(WaveDocument::RecordMode::kInsert), kWaveOk);
    test::AdvanceAndPump(*backend_, 200);
    ASSERT_EQ(document_->Stop(), kWaveOk);
    test::WriteWave(dir_.file("b.wav"), kMono8k, Tape(0, 80));
    ASSERT_EQ(document_->Open(File("b.wav")), kWaveOk);
    ASSERT_EQ(document_->Record(WaveDocument::RecordMode::kOverwrite), kWaveOk);
    test::AdvanceAndPump(*backend_, 200);
    ASSERT_EQ(document_->Stop(), kWaveOk);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"b.wav", "in.wav"}));
}

TEST_F(WaveDocumentFilesTest, AWaveCutBehindItsBackPlaysSilenceAndIsNotSaved) {
    test::WriteWave(dir_.file("a.wav"), kMono8k, Tape(0, 8000));
    ASSERT_EQ(document_->Open(File("a.wav")), kWaveOk);
    std::filesystem::resize_file(dir_.file("a.wav"), 44 + 4000 * 2);
    EXPECT_EQ(document_->length_ms(), 1000);
    // Playing does not stop early or crash; it plays silence for what is gone.
    int finished = 0;
    QObject::connect(document_.get(), &WaveDocument::playbackFinished, [&] { ++finished; });
    ASSERT_EQ(document_->Play(), kWaveOk);
    test::AdvanceAndPump(*backend_, 1100);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("out.wav")).size(), 16000u);
    // Saving would write a wrong file: it is refused and leaves no temp.xrw.
    EXPECT_EQ(document_->Save(File("copy.wav")), kWaveErrorCannotSave);
    EXPECT_FALSE(document_->last_error_detail().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(dir_.file("temp.xrw")));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("copy.wav")));
}

TEST_F(WaveDocumentFilesTest, ALeftoverTempXrwIsReplacedEvenWhenItIsTheOpenFile) {
    test::WriteWave(dir_.file("temp.xrw"), kMono8k, Tape(0, 400));
    ASSERT_EQ(document_->Open(File("temp.xrw")), kWaveOk);
    ASSERT_EQ(document_->DeleteRange(0, 10), kWaveOk);
    ASSERT_EQ(document_->Save(File("kept.wav")), kWaveOk);
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("kept.wav")), Tape(80, 320));
    EXPECT_EQ(document_->samples(), Tape(80, 320));
}

}  // namespace
}  // namespace kivo::audio

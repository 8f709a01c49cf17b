// The fixture of the meeting and diary tests: a virtual microphone playing a
// counting pattern (manual clock), a profile, a real data store loaded into
// a working folder, and a settable local clock.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/user_messages.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_line.h"
#include "temp_dir.h"
#include "test_signals.h"
#include "xrsave.h"

namespace kivo::test {

namespace fs = std::filesystem;

inline const wavefile::PcmFormat kMono8k{1, 8000, 16};  // RecQual 0

class SpanStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        tape_ = MakeCountingPattern(kMono8k, 8000 * 400);
        WriteWave(dir_.file("in.wav"), kMono8k, tape_);
        backend_ = std::make_unique<sound::VirtualAudioBackend>(
            ManualOptions(dir_.file("in.wav"), dir_.file("out.wav")));
        fs::create_directories(work_);
        store_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        ASSERT_TRUE(built == 0 || built == 102) << built;  // 102: no greeting sounds here
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);
        target_ =
            recorder::RecorderTarget{work_, store_->store_path(), &profile_, "anna", 0, takes_};
    }

    // The live record lines of a log in the working folder.
    std::vector<recordstore::RecordLine> LogLines(const char* log_name) const {
        std::vector<recordstore::RecordLine> lines;
        const std::string text = ReadFileText((work_ / log_name).string());
        for (std::size_t at = 0; at + recordstore::kRecordLineBytes <= text.size();
             at += recordstore::kRecordLineBytes) {
            recordstore::RecordLine line;
            if (recordstore::RecordLine::Parse(text.substr(at, recordstore::kRecordLineBytes),
                                               &line)
                    .ok() &&
                line.IsRecord())
                lines.push_back(line);
        }
        return lines;
    }

    // Extracts a saved container's members into a fresh folder.
    fs::path OpenContainer(const std::string& container, int selector) {
        const fs::path folder = dir_.path() / ("opened-" + container);
        fs::create_directories(folder);
        EXPECT_EQ(XRopenXRZ(container.c_str(), folder.string().c_str(),
                            store_->store_path().string().c_str(), selector),
                  0);
        return folder;
    }

    // The local clock the recorders read: `at` plus the seconds advanced.
    void SetTimeOfDay(int hour, int minute, int second) {
        now_ = {2026, 12, 7, hour, minute, second, 0};
    }
    void AdvanceClock(int seconds) {
        const int total = now_.hour * 3600 + now_.minute * 60 + now_.second + seconds;
        now_.hour = total / 3600;
        now_.minute = total / 60 % 60;
        now_.second = total % 60;
    }

    TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    fs::path takes_ = dir_.path() / "home" / "Takes";
    std::vector<std::uint8_t> tape_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    recorder::RecorderTarget target_;
    recordstore::LocalDateTime now_{2026, 12, 7, 10, 0, 0, 0};
    recordstore::ScopedLocalClock clock_{[this] { return now_; }};
};

}  // namespace kivo::test

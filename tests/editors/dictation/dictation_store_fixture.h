// The test fixture of the dictation tests: a virtual microphone playing a
// known counting pattern (manual clock), a profile, and a real data store
// built and loaded into a working folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "audio_test_support.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/user_messages.h"
#include "kivo/dictation/dictation_session.h"
#include "temp_dir.h"
#include "test_signals.h"
#include "xrsave.h"

namespace kivo::dictation {

namespace fs = std::filesystem;
using sound::VirtualAudioBackend;
using wavefile::PcmFormat;

inline const PcmFormat kMono8k{1, 8000, 16};  // RecQual 0

class DictationStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        tape_ = test::MakeCountingPattern(kMono8k, 8000 * 20);
        test::WriteWave(dir_.file("in.wav"), kMono8k, tape_);
        backend_ = std::make_unique<VirtualAudioBackend>(
            test::ManualOptions(dir_.file("in.wav"), dir_.file("out.wav")));

        fs::create_directories(work_);
        store_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        // 102: the greeting sounds are not installed beside the test.
        ASSERT_TRUE(built == 0 || built == 102) << built;
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);

        target_ = DictationTarget{work_, store_->store_path(), &profile_, "anna", 0, takes_};
        session_ = std::make_unique<DictationSession>(*backend_, target_, reporter_);
        ASSERT_EQ(session_->Open(), 0);
    }

    void RecordFor(int ms) {
        ASSERT_EQ(session_->Record(), 0);
        test::AdvanceAndPump(*backend_, ms);
        session_->Stop();
    }

    std::vector<std::uint8_t> Tape(std::int64_t first_ms, std::int64_t ms) const {
        return test::Frames(tape_, kMono8k, first_ms * 8, ms * 8);
    }

    // Files of this recording left in the working folder or the takes
    // folder.
    std::vector<std::string> LeftOverFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("D" + session_->stamp()) || name == "temp.xrw")
                names.push_back(name);
        }
        std::error_code error;
        for (fs::directory_iterator it(takes_, error), end; !error && it != end;
             it.increment(error))
            names.push_back(it->path().filename().string());
        return names;
    }

    // Extracts the saved container's members into a fresh folder.
    fs::path OpenContainer(int selector) { return OpenContainer(*session_, selector); }
    fs::path OpenContainer(const DictationSession& saved, int selector) {
        const fs::path folder = dir_.path() / "opened";
        fs::create_directories(folder);
        EXPECT_EQ(XRopenXRZ(saved.ContainerName().c_str(), folder.string().c_str(),
                            store_->store_path().string().c_str(), selector),
                  0);
        return folder;
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    fs::path takes_ = dir_.path() / "home" / "Takes";
    std::vector<std::uint8_t> tape_;
    std::unique_ptr<VirtualAudioBackend> backend_;
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    DictationTarget target_;
    std::unique_ptr<DictationSession> session_;
};

}  // namespace kivo::dictation

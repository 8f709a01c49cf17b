// A dictation made the answering machine's greeting: converted to the call
// format when recorded in another, kept by the data store across a close
// and reopen, and played to the next caller.
#include "kivo/phone/dictation_greeting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/phone/answering_machine.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/telephony/line_control.h"
#include "kivo/telephony/simulated_line.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "telephony_test_support.h"
#include "temp_dir.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDictation = "D20261208101500.xrz";

class PostedMessages : public telephony::Notifier {
public:
    void Post(void*, int message) override { pending.push_back(message); }
    std::vector<int> pending;
};

// A 440 Hz tone of `frames` frames in `format`.
std::vector<std::uint8_t> Tone(const wavefile::PcmFormat& format, int frames) {
    std::vector<std::uint8_t> bytes;
    for (int frame = 0; frame < frames; ++frame) {
        const double value = 0.4 * std::sin(2 * M_PI * 440.0 * frame / format.sample_rate_hz);
        const auto sample = static_cast<std::int16_t>(value * 32767);
        for (int channel = 0; channel < format.channels; ++channel) {
            bytes.push_back(static_cast<std::uint8_t>(sample & 0xff));
            bytes.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xff));
        }
    }
    return bytes;
}

class DictationGreetingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work_);
        session_ = OpenSession(work_);
        test::WriteCallWave((work_ / "xrgreet.wav").string(), test::CountingCallAudio(300, 9));
        ASSERT_EQ(session_->CommitChanges(), 0);
    }

    std::unique_ptr<core::DataStoreSession> OpenSession(const fs::path& working_folder) {
        auto session = std::make_unique<core::DataStoreSession>(working_folder, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        if (!fs::exists(location.StorePath())) {
            const int built = session->BuildDataStore(location);
            EXPECT_TRUE(built == 0 || built == 102) << built;  // 102: no sounds beside the test
        }
        session->set_location(location);
        EXPECT_EQ(session->LoadDataStore(), 0);
        return session;
    }

    // Stores a dictation's recording (its container) in the store.
    void StoreDictation(const wavefile::PcmFormat& format,
                        const std::vector<std::uint8_t>& samples) {
        const fs::path staging = dir_.path() / "staging";
        fs::create_directories(staging);
        ASSERT_TRUE(
            wavefile::WritePcmWave((staging / "D20261208101500.xrw").string(), format, samples)
                .ok());
        test::WriteFileText((staging / "D20261208101500.xrs").string(), "");
        test::WriteFileText((staging / "D20261208101500.xrl").string(), "");
        ASSERT_EQ(recordstore::RecordingContainer(kDictation, recordstore::MediaKind::kAudio)
                      .SaveIntoStore(staging.string(), session_->store_path().string(), 0),
                  recordstore::ContainerResult::kDone);
    }

    wavefile::WaveData Greeting(const fs::path& working_folder) {
        wavefile::WaveData wave;
        EXPECT_TRUE(wavefile::ReadWaveFile((working_folder / "xrgreet.wav").string(), &wave).ok());
        return wave;
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> session_;
};

TEST_F(DictationGreetingTest, AStereoDictationBecomesAnEightKilohertzMonoGreeting) {
    const wavefile::PcmFormat stereo{2, 22050, 16};
    StoreDictation(stereo, Tone(stereo, 22050));  // one second
    const GreetingOutcome outcome =
        UseDictationAsGreeting(work_, session_->store_path(), kDictation);
    EXPECT_EQ(outcome.result, GreetingResult::kStored);
    EXPECT_TRUE(outcome.converted);

    const wavefile::WaveData greeting = Greeting(work_);
    EXPECT_EQ(greeting.info.format.channels, 1);
    EXPECT_EQ(greeting.info.format.sample_rate_hz, 8000u);
    EXPECT_EQ(greeting.info.format.bits_per_sample, 16);
    EXPECT_NEAR(static_cast<double>(greeting.info.frames()), 8000.0, 80.0);
    // Nothing unpacked is left in the working folder.
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_EQ(entry.path().filename().string().rfind("greeting", 0), std::string::npos)
            << entry.path();
    EXPECT_FALSE(fs::exists(work_ / "D20261208101500.xrw"));
}

TEST_F(DictationGreetingTest, ADictationInTheCallFormatIsCopiedUnchanged) {
    const std::vector<std::uint8_t> speech = test::CountingCallAudio(700, 4);
    StoreDictation(telephony::CallAudioFormat(), speech);
    const GreetingOutcome outcome =
        UseDictationAsGreeting(work_, session_->store_path(), kDictation);
    EXPECT_EQ(outcome.result, GreetingResult::kStored);
    EXPECT_FALSE(outcome.converted);
    EXPECT_EQ(Greeting(work_).samples, speech);
}

TEST_F(DictationGreetingTest, AFailedUnpackOrABadNameLeavesTheOldGreetingWhole) {
    const std::string before = test::ReadFileText((work_ / "xrgreet.wav").string());
    EXPECT_EQ(UseDictationAsGreeting(work_, session_->store_path(), "D20990101000000.xrz").result,
              GreetingResult::kUnpackFailed);
    EXPECT_EQ(UseDictationAsGreeting(work_, session_->store_path(), "../xrgreet.wav").result,
              GreetingResult::kNotADictation);
    EXPECT_EQ(test::ReadFileText((work_ / "xrgreet.wav").string()), before);
}

TEST_F(DictationGreetingTest, TheGreetingOutlivesTheStoreAndTheMachineGreetsWithIt) {
    const std::vector<std::uint8_t> speech = test::CountingCallAudio(500, 6);
    StoreDictation(telephony::CallAudioFormat(), speech);
    ASSERT_EQ(UseDictationAsGreeting(work_, session_->store_path(), kDictation).result,
              GreetingResult::kStored);
    ASSERT_EQ(session_->CommitChanges(), 0);
    ASSERT_EQ(session_->SaveDataStore(), 0);
    session_.reset();

    // Another session, in another working folder, on the same store.
    const fs::path reopened = dir_.path() / "reopened";
    fs::create_directories(reopened);
    std::unique_ptr<core::DataStoreSession> session = OpenSession(reopened);
    ASSERT_EQ(Greeting(reopened).samples, speech);

    // A caller on the demo line hears it.
    const fs::path sounds = dir_.path() / "sounds";
    fs::create_directories(sounds);
    test::WriteCallWave((sounds / "3001.wav").string(), test::CountingCallAudio(100, 2));
    TapiStatus status{};
    PostedMessages posted;
    telephony::SimulatedLine* line = nullptr;
    auto directory = [&line] {
        std::vector<std::unique_ptr<telephony::LineProvider>> lines;
        telephony::SimulatedLine::Options options;
        options.ring_period_ms = 100;
        auto demo = std::make_unique<telephony::SimulatedLine>(options);
        line = demo.get();
        lines.push_back(std::move(demo));
        return lines;
    };
    telephony::TapiLibrary library(status, directory, posted, [](std::string_view) {});
    struct NoHost : AnsweringMachineHost {
        void TelephonyFailed(int status) override { ADD_FAILURE() << status; }
        void MessageStored(const AnsweredCall&, std::int32_t, int) override {}
    } host;
    AnsweringMachine machine(
        library,
        [&] {
            return recorder::RecorderTarget{reopened, session->store_path(), &profile_, "anna", 0,
                                            {}};
        },
        sounds, host);
    library.InitVar();
    status.rings = 1;
    library.Init();
    library.Open(&posted);
    ASSERT_EQ(status.lineOpen, 1);
    machine.SetOn(true);
    ASSERT_EQ(telephony::ExecuteLineCommand(*line, "ring 5550101 Bob").rfind("ok", 0), 0u);
    for (int elapsed = 0; elapsed < 1000; elapsed += 20) {
        line->Advance(20);
        std::vector<int> messages;
        messages.swap(posted.pending);
        for (int message : messages)
            machine.HandleMessage(message);
    }
    ASSERT_GE(line->heard().size(), speech.size());
    EXPECT_TRUE(std::equal(speech.begin(), speech.end(), line->heard().begin()));
    library.Close();
}

}  // namespace
}  // namespace kivo::phone

// The answering machine on the demo line, driven as the program drives it:
// the other party acts through the line's control commands (as kivo-line
// sends them), the library's messages reach the machine only after the line
// has moved on (they are posted), and the message is stored in a real data
// store.
#include "kivo/phone/answering_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/record_list.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/telephony/line_control.h"
#include "kivo/telephony/simulated_line.h"
#include "telephony_test_support.h"
#include "temp_dir.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;

constexpr int kRingPeriodMs = 100;

class PostedMessages : public telephony::Notifier {
public:
    void Post(void*, int message) override { pending.push_back(message); }
    std::vector<int> pending;
};

struct StoredCall {
    AnsweredCall call;
    std::int32_t record_number = 0;
    int save_code = 0;
};

class AnsweringMachineTest : public ::testing::Test, public AnsweringMachineHost {
protected:
    void SetUp() override {
        fs::create_directories(work_);
        fs::create_directories(sounds_);
        store_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        ASSERT_TRUE(built == 0 || built == 102) << built;  // 102: no sounds beside the test
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);
        greeting_ = test::CountingCallAudio(600, 1);
        tone_ = test::CountingCallAudio(200, 2);
        test::WriteCallWave((work_ / "xrgreet.wav").string(), greeting_);
        test::WriteCallWave((sounds_ / "3001.wav").string(), tone_);

        auto directory = [this] {
            std::vector<std::unique_ptr<telephony::LineProvider>> lines;
            telephony::SimulatedLine::Options options;
            options.ring_period_ms = kRingPeriodMs;
            auto demo = std::make_unique<telephony::SimulatedLine>(options);
            line_ = demo.get();
            lines.push_back(std::move(demo));
            return lines;
        };
        library_ = std::make_unique<telephony::TapiLibrary>(status_, directory, posted_,
                                                            [](std::string_view) {});
        machine_ = std::make_unique<AnsweringMachine>(
            *library_,
            [this] {
                return recorder::RecorderTarget{work_, store_->store_path(), &profile_, "anna", 0,
                                                {}};
            },
            sounds_, *this);
    }

    void OpenLine(int rings) {
        library_->InitVar();
        status_.deviceId = 0;
        status_.rings = rings;
        library_->Init();
        ASSERT_EQ(status_.status, 0);
        library_->Open(this);
        ASSERT_EQ(status_.lineOpen, 1);
    }

    // The other party's command, as kivo-line sends it over the socket.
    void Party(const std::string& command) {
        const std::string reply = telephony::ExecuteLineCommand(*line_, command);
        ASSERT_EQ(reply.rfind("ok", 0), 0u) << command << ": " << reply;
    }

    // Moves the line on; the machine then handles what was posted meanwhile.
    void Run(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 20) {
            line_->Advance(20);
            std::vector<int> messages;
            messages.swap(posted_.pending);
            for (int message : messages)
                machine_->HandleMessage(message);
        }
    }

    std::string StoredWavePath(const std::string& container) {
        const fs::path opened = dir_.path() / "opened";
        fs::create_directories(opened);
        EXPECT_EQ(recordstore::RecordingContainer(container, recordstore::MediaKind::kAudio)
                      .OpenFromStore(opened.string(), store_->store_path().string(), 0),
                  recordstore::ContainerResult::kDone);
        return (opened / (container.substr(0, container.size() - 4) + ".xrw")).string();
    }

    void TelephonyFailed(int status) override { failures_.push_back(status); }
    void MessageStored(const AnsweredCall& call, std::int32_t number, int code) override {
        stored_.push_back({call, number, code});
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    fs::path sounds_ = dir_.path() / "sounds";
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    std::vector<std::uint8_t> greeting_;
    std::vector<std::uint8_t> tone_;
    TapiStatus status_{};
    PostedMessages posted_;
    std::unique_ptr<telephony::TapiLibrary> library_;
    telephony::SimulatedLine* line_ = nullptr;
    std::unique_ptr<AnsweringMachine> machine_;
    std::vector<int> failures_;
    std::vector<StoredCall> stored_;
};

TEST_F(AnsweringMachineTest, AnswersAfterTheRingsGreetsRecordsAndStoresANewMessage) {
    OpenLine(3);
    machine_->SetOn(true);
    Party("ring 01632960123 Ann Smith");
    Run(kRingPeriodMs * 3 / 2);  // two rings: still ringing
    EXPECT_EQ(line_->StateName(), "ringing");
    EXPECT_FALSE(machine_->busy());
    Run(kRingPeriodMs * 2);  // the third ring answers
    EXPECT_EQ(line_->StateName(), "connected");

    const std::vector<std::uint8_t> speech = test::CountingCallAudio(1500, 3);
    test::WriteCallWave(dir_.file("speech.wav"), speech);
    Party("speak " + dir_.file("speech.wav"));
    Run(3000);
    // The caller heard the greeting, then the tone.
    std::vector<std::uint8_t> heard = greeting_;
    heard.insert(heard.end(), tone_.begin(), tone_.end());
    EXPECT_EQ(line_->heard(), heard);
    Party("hangup");
    Run(100);

    EXPECT_TRUE(failures_.empty());
    ASSERT_EQ(stored_.size(), 1u);
    EXPECT_EQ(stored_[0].save_code, 0);
    EXPECT_EQ(stored_[0].record_number, 1);
    EXPECT_EQ(stored_[0].call.caller_name, "Ann Smith");
    EXPECT_FALSE(machine_->busy());
    EXPECT_EQ(machine_->messages_stored(), 1);

    // The phone list shows it as a new message with the caller's identity.
    core::RecordList list;
    ASSERT_EQ(list.List(core::ViewKind::kPhone, work_), 1);
    const core::RecordRow& row = list.rows()[0];
    EXPECT_EQ(row.image, core::kImageNewMessage);
    EXPECT_EQ(row.status(), core::kStatusAttention);
    EXPECT_EQ(row.columns[1], "01632960123");
    EXPECT_EQ(row.columns[2], "Ann Smith");
    EXPECT_EQ(list.NewMessageCount(), 1);
    EXPECT_EQ(list.StatusText(), "Total phone calls found = 1 : You have 1 new messages.");

    // The record line: kind 2, the new-message mark, quality 0.
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrp").string());
    ASSERT_EQ(log.size(), 2 * recordstore::kRecordLineBytes);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    const recordstore::RecordFields fields = line.Fields();
    EXPECT_EQ(fields.kind_code, "2");
    EXPECT_EQ(fields.kind_number, "7");
    EXPECT_EQ(fields.recording_quality, "0");
    EXPECT_EQ(fields.start_date.size(), 10u);
    EXPECT_EQ(fields.duration.size(), 8u);

    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_EQ(entry.kind_code, "2");
    EXPECT_EQ(entry.keywords, "Answer Machine Message");

    // The stored recording is exactly what the caller said.
    EXPECT_EQ(test::ReadWaveSamples(StoredWavePath(fields.container_name)), speech);
    // The recorder's and the record's files are gone from the working folder.
    EXPECT_FALSE(fs::exists(work_ / "xbuffer.wav"));
    EXPECT_FALSE(fs::exists(work_ / "xdata.wav"));
    EXPECT_FALSE(fs::exists(work_ / (fields.container_name.substr(0, 18) + ".xrw")));
}

TEST_F(AnsweringMachineTest, ACallerWhoHangsUpDuringTheGreetingStillLeavesWhoCalled) {
    OpenLine(1);
    machine_->SetOn(true);
    Party("ring 5550101 Bob");
    Run(kRingPeriodMs * 2);
    ASSERT_EQ(line_->StateName(), "connected");
    Run(200);  // part of the greeting
    Party("hangup");
    Run(100);
    EXPECT_EQ(failures_, std::vector<int>{});
    ASSERT_EQ(stored_.size(), 1u);
    EXPECT_EQ(stored_[0].save_code, 0);
    core::RecordList list;
    ASSERT_EQ(list.List(core::ViewKind::kPhone, work_), 1);
    EXPECT_EQ(list.rows()[0].columns[2], "Bob");
    recordstore::RecordLine line;
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrp").string());
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    EXPECT_TRUE(test::ReadWaveSamples(StoredWavePath(line.Fields().container_name)).empty());
}

TEST_F(AnsweringMachineTest, WhenOffTheCallRingsOnUntilTheUserLetsTheMachineTakeItOnce) {
    OpenLine(2);
    Party("ring - Withheld");
    Run(kRingPeriodMs * 5);
    EXPECT_EQ(line_->StateName(), "ringing");
    EXPECT_FALSE(machine_->busy());

    machine_->TakeThisCall();
    EXPECT_TRUE(machine_->on());
    Run(kRingPeriodMs * 3);
    ASSERT_EQ(line_->StateName(), "connected");
    Party("hangup");
    Run(100);
    ASSERT_EQ(stored_.size(), 1u);
    EXPECT_EQ(stored_[0].call.caller_number, "");  // withheld
    // The machine was on for that call only.
    EXPECT_FALSE(machine_->on());
}

TEST_F(AnsweringMachineTest, AMissingGreetingIsReportedAndTheCallDropped) {
    fs::remove(work_ / "xrgreet.wav");
    OpenLine(1);
    machine_->SetOn(true);
    Party("ring 5550101 Bob");
    Run(kRingPeriodMs * 3);
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_GE(failures_[0], 160);  // a playback code
    EXPECT_LT(failures_[0], 180);
    Run(100);
    EXPECT_EQ(line_->StateName(), "idle");
}

TEST_F(AnsweringMachineTest, TwoCallsMakeTwoMessagesWithTheirOwnAudio) {
    OpenLine(1);
    machine_->SetOn(true);
    std::vector<std::vector<std::uint8_t>> speeches = {test::CountingCallAudio(400, 5),
                                                       test::CountingCallAudio(700, 6)};
    for (std::size_t i = 0; i < speeches.size(); ++i) {
        Party("ring 555010" + std::to_string(i) + " Caller");
        Run(kRingPeriodMs * 2);
        test::WriteCallWave(dir_.file("speech.wav"), speeches[i]);
        Party("speak " + dir_.file("speech.wav"));
        Run(2000);
        Party("hangup");
        Run(100);
    }
    ASSERT_EQ(stored_.size(), 2u);
    EXPECT_EQ(stored_[1].record_number, 2);
    core::RecordList list;
    ASSERT_EQ(list.List(core::ViewKind::kPhone, work_), 2);
    EXPECT_EQ(list.NewMessageCount(), 2);
    for (const core::RecordRow& row : list.rows()) {
        const std::size_t call = row.columns[1] == "5550100" ? 0 : 1;
        EXPECT_EQ(test::ReadWaveSamples(StoredWavePath(row.columns[6])), speeches[call]);
    }
}

}  // namespace
}  // namespace kivo::phone

// The scripted line test on the demo line: the other party answers, is busy
// or there is no dial tone, and the log says what happened, step by step.
#include "kivo/phone/line_tester.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "kivo/telephony/line_control.h"
#include "kivo/telephony/simulated_line.h"
#include "telephony_test_support.h"
#include "temp_dir.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;

class PostedMessages : public telephony::Notifier {
public:
    void Post(void*, int message) override { pending.push_back(message); }
    std::vector<int> pending;
};

class LineTesterTest : public ::testing::Test, public LineTesterHost {
protected:
    void SetUp() override {
        greeting_ = test::CountingCallAudio(400, 1);
        test::WriteCallWave(dir_.file("greeting.wav"), greeting_);
        auto directory = [this] {
            std::vector<std::unique_ptr<telephony::LineProvider>> lines;
            telephony::SimulatedLine::Options options;
            options.ring_period_ms = 100;
            auto demo = std::make_unique<telephony::SimulatedLine>(options);
            line_ = demo.get();
            lines.push_back(std::move(demo));
            return lines;
        };
        library_ = std::make_unique<telephony::TapiLibrary>(status_, directory, posted_,
                                                            [](std::string_view) {});
        library_->InitVar();
        tester_ = std::make_unique<LineTester>(*library_, dir_.path(), dir_.file("greeting.wav"),
                                               *this, std::chrono::milliseconds(1000));
    }

    void Party(const std::string& command) {
        const std::string reply = telephony::ExecuteLineCommand(*line_, command);
        ASSERT_EQ(reply.rfind("ok", 0), 0u) << command << ": " << reply;
    }

    // The line moves on in 20 ms steps; the tester handles what was posted
    // and then ticks, as the dialog's event loop and timer do.
    void Run(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 20) {
            if (line_ != nullptr && status_.lineOpen != 0)
                line_->Advance(20);
            std::vector<int> messages;
            messages.swap(posted_.pending);
            for (int message : messages)
                tester_->HandleMessage(message);
            tester_->Tick(std::chrono::milliseconds(20));
        }
    }

    void AppendLog(std::string_view line) override { log_ += line; }
    void NoDialTone() override { ++no_dial_tone_boxes_; }

    test::TempDir dir_;
    std::vector<std::uint8_t> greeting_;
    TapiStatus status_{};
    PostedMessages posted_;
    std::unique_ptr<telephony::TapiLibrary> library_;
    telephony::SimulatedLine* line_ = nullptr;
    std::unique_ptr<LineTester> tester_;
    std::string log_;
    int no_dial_tone_boxes_ = 0;
};

TEST_F(LineTesterTest, AnAnsweredCallHearsTheGreetingAndTheFarEndIsRecordedAndSaved) {
    ASSERT_EQ(tester_->Start(0, "01632960999", this), LineTester::StartResult::kRunning);
    EXPECT_EQ(line_->dialled_number(), "01632960999");
    Run(100);
    Party("connect");
    Run(600);  // the greeting plays to its end; the recording starts
    const std::vector<std::uint8_t> far_end = test::CountingCallAudio(500, 7);
    test::WriteCallWave(dir_.file("far.wav"), far_end);
    Party("speak " + dir_.file("far.wav"));
    Run(1500);  // past the recording time: stopped, saved, hung up
    EXPECT_FALSE(tester_->running());
    EXPECT_EQ(line_->heard(), greeting_);
    EXPECT_EQ(test::ReadWaveSamples(tester_->recording_path().string()), far_end);
    EXPECT_EQ(status_.lineOpen, 0);
    EXPECT_EQ(no_dial_tone_boxes_, 0);
    EXPECT_EQ(log_,
              "Line initialization : Passed\r\n"
              "Line opened : Passed\r\n"
              "Dialing...\r\n"
              "Dialing : Passed\r\n"
              "Connected : Passed\r\n"
              "Wave-out open : Passed\r\n"
              "Start Play sound : Passed\r\n"
              "End Play sound : Passed\r\n"
              "Wave-in open : Passed\r\n"
              "Record sound start : Passed\r\n"
              "Recording...\r\n"
              "Record sound stop : Passed\r\n"
              "Record sound save : Passed\r\n"
              "Disconnected : Passed\r\n"
              "Idle : Passed\r\n"
              "Line shutdown : Passed\r\n"
              "================================\r\n\r\n");
}

TEST_F(LineTesterTest, ABusyNumberIsLoggedAndTheScriptRunsOnUntilTheCallIsIdle) {
    ASSERT_EQ(tester_->Start(0, "5550100", this), LineTester::StartResult::kRunning);
    Run(100);
    Party("busy");
    Run(200);
    EXPECT_FALSE(tester_->running());
    EXPECT_EQ(no_dial_tone_boxes_, 0);
    EXPECT_EQ(log_,
              "Line initialization : Passed\r\n"
              "Line opened : Passed\r\n"
              "Dialing...\r\n"
              "Dialing : Passed\r\n"
              "Disconnected : Passed\r\n"
              "The number dialed was busy.\r\n"
              "Idle : Passed\r\n"
              "Line shutdown : Passed\r\n"
              "================================\r\n\r\n");
}

TEST_F(LineTesterTest, NoDialToneEndsTheScriptWithItsLineAndTheMessageBox) {
    library_->Init();  // the line exists once the library has started
    Party("nodialtone on");
    ASSERT_EQ(tester_->Start(0, "5550100", this), LineTester::StartResult::kRunning);
    Run(200);
    EXPECT_FALSE(tester_->running());
    EXPECT_EQ(no_dial_tone_boxes_, 1);
    EXPECT_NE(log_.find("Dialing : Passed\r\nDisconnected : Passed\r\n"
                        "Connection : Failed (No Dial Tone)\r\n"),
              std::string::npos)
        << log_;
    EXPECT_NE(log_.find("Line shutdown : Passed\r\n================================\r\n\r\n"),
              std::string::npos)
        << log_;
    EXPECT_EQ(status_.lineOpen, 0);
}

TEST_F(LineTesterTest, StopDuringTheCallHangsUpAndShutsTheLineDown) {
    ASSERT_EQ(tester_->Start(0, "5550100", this), LineTester::StartResult::kRunning);
    Run(100);
    Party("connect");
    Run(100);  // the greeting is playing
    tester_->Stop();
    Run(200);
    EXPECT_FALSE(tester_->running());
    EXPECT_EQ(line_->StateName(), "idle");
    EXPECT_EQ(status_.lineOpen, 0);
    // Once stopped, the greeting's end starts no recording.
    EXPECT_EQ(log_.find("Record sound"), std::string::npos) << log_;
    EXPECT_NE(log_.find("Line shutdown : Passed"), std::string::npos) << log_;
}

TEST_F(LineTesterTest, AnEmptyNumberOrAMissingDeviceStartsNothing) {
    EXPECT_EQ(tester_->Start(0, "", this), LineTester::StartResult::kNoNumber);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(tester_->Start(7, "5550100", this), LineTester::StartResult::kEnded);
    EXPECT_EQ(log_, "Line initialization : Passed\r\nLine opened : Failed\r\n");
    EXPECT_FALSE(tester_->running());
    EXPECT_EQ(status_.lineOpen, 0);
}

TEST(LineTesterTexts, TheLogOfADeviceStartsWithItsName) {
    EXPECT_EQ(SelectedForTestingLine("Demo line"), "Demo line selected for testing\r\n\r\n");
}

}  // namespace
}  // namespace kivo::phone

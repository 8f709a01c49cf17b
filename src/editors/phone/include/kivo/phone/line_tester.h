// LineTester: the scripted test of a line device ("Kivo Modem Tester").
//
// The script initialises the library, opens the line under test, dials the
// number given, plays the greeting into the call once it is connected,
// records what the other end says for a while, saves that recording, hangs
// up and shuts the line down, writing one log line per step ("Line opened :
// Passed", "Dialing : Failed" ...). The library's messages for the tester
// reach HandleMessage; Tick does what a wait loop would: it notices that
// the greeting has ended and that the recording time is over.
//
// It runs on the thread that drives the library; it owns no thread and no
// timer, so a test drives it step by step.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "kivo/telephony/tapi_library.h"

namespace kivo::phone {

inline constexpr const char* kLineTesterTitle = "Kivo Modem Tester";
inline constexpr const char* kSelectLineToTestText =
    "Please select a modem to test from the list by clicking on the \nID of one of the devices "
    "in the list";
inline constexpr const char* kEnterNumberText =
    "Please enter a valid phone number and press Start.\n\nNote : You can enter your own phone "
    "number, or for a more \naccurate test enter the phone number of the 'Speaking Clock'";
inline constexpr const char* kNoDialToneText =
    "A dial tone was not detected, \r\nensure your modem is connected to the phone socket\r\n "
    "and that it is turned on if it is an external modem.";
inline constexpr const char* kLogSeparator = "================================\r\n\r\n";

// The first log line for a device: "<name> selected for testing".
std::string SelectedForTestingLine(std::string_view device_name);

class LineTesterHost {
public:
    virtual ~LineTesterHost() = default;
    // One log line, ended with "\r\n" (the last line of a run is the
    // separator, followed by an empty line).
    virtual void AppendLog(std::string_view line) = 0;
    // No dial tone: the host shows kNoDialToneText.
    virtual void NoDialTone() = 0;
};

class LineTester {
public:
    enum class StartResult { kRunning, kNoNumber, kEnded };

    // scratch_folder: where the recording of the far end is kept
    // ("buffer.wav", "data.wav", "modtest.wav"). greeting: the wave played
    // into the call. record_for: how long the far end is recorded.
    LineTester(telephony::TapiLibrary& library, std::filesystem::path scratch_folder,
               std::filesystem::path greeting, LineTesterHost& host,
               std::chrono::milliseconds record_for = std::chrono::seconds(5));

    // Start: runs the script up to dialling. notify_window receives the
    // library's messages while the test runs. kNoNumber when the number is
    // empty (the host shows kEnterNumberText); kEnded when a step failed.
    StartResult Start(std::uint32_t device, const std::string& number, void* notify_window);
    // One library message meant for the tester; false when not running.
    bool HandleMessage(int message);
    // The wait loop: elapsed is the time since the last tick.
    void Tick(std::chrono::milliseconds elapsed);
    // Stop: ends the test (hangs up first; the rest follows when the call
    // is idle).
    void Stop();

    bool running() const { return running_; }
    // The far end's recording of the last run, once saved.
    std::filesystem::path recording_path() const { return scratch_folder_ / "modtest.wav"; }

private:
    void Log(std::string_view line) { host_.AppendLog(line); }
    void Passed(std::string_view step, bool passed);
    bool StatusOk() const { return library_.status().status <= 0; }
    void Connected();
    void PlaybackEnded();
    void RecordingTimeOver();
    void StopAndSave();
    void DropCall();
    void Finish();

    telephony::TapiLibrary& library_;
    std::filesystem::path scratch_folder_;
    std::filesystem::path greeting_;
    LineTesterHost& host_;
    std::chrono::milliseconds record_for_;

    bool running_ = false;
    bool aborted_ = false;
    bool playing_ = false;
    bool recording_ = false;
    std::chrono::milliseconds recorded_{0};
};

}  // namespace kivo::phone

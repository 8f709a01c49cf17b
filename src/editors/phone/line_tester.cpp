// The scripted line test (see line_tester.h).
#include "kivo/phone/line_tester.h"

#include "kivo/telephony/line_provider.h"
#include "kivo/telephony/status_codes.h"
#include "zn2tapi.h"

namespace kivo::phone {
namespace {

constexpr int kSelectCall = 4;

}  // namespace

std::string SelectedForTestingLine(std::string_view device_name) {
    return std::string(device_name) + " selected for testing\r\n\r\n";
}

LineTester::LineTester(telephony::TapiLibrary& library, std::filesystem::path scratch_folder,
                       std::filesystem::path greeting, LineTesterHost& host,
                       std::chrono::milliseconds record_for)
    : library_(library),
      scratch_folder_(std::move(scratch_folder)),
      greeting_(std::move(greeting)),
      host_(host),
      record_for_(record_for) {}

void LineTester::Passed(std::string_view step, bool passed) {
    Log(std::string(step) + (passed ? " : Passed\r\n" : " : Failed\r\n"));
}

LineTester::StartResult LineTester::Start(std::uint32_t device, const std::string& number,
                                          void* notify_window) {
    if (number.empty())
        return StartResult::kNoNumber;
    TapiStatus& status = library_.status();
    status.deviceId = device;
    if (status.tapiInitialized == 0) {
        library_.Init();
        Passed("Line initialization", StatusOk());
        if (!StatusOk())
            return StartResult::kEnded;
    }
    library_.Open(notify_window);
    const bool opened = status.lineOpen != 0;
    Passed("Line opened", opened);
    if (!opened) {
        library_.Close();
        return StartResult::kEnded;
    }

    Log("Dialing...\r\n");
    library_.Dial(number.c_str());
    const int dialled = status.status;
    if (dialled > 0 && dialled < telephony::kStatusDialAccepted) {
        Log("Dialing : Failed\r\n");
        running_ = true;  // Finish ends what was begun
        Finish();
        return StartResult::kEnded;
    }
    Log("Dialing : Passed\r\n");
    aborted_ = false;
    playing_ = false;
    recording_ = false;
    running_ = true;
    return StartResult::kRunning;
}

bool LineTester::HandleMessage(int message) {
    if (!running_)
        return false;
    switch (message) {
        case ZN2TAPI_MSG_CONNECTED:
            Connected();
            break;
        case ZN2TAPI_MSG_RECORDING:
            Log("Record sound start : Passed\r\n");
            Log("Recording...\r\n");
            recording_ = true;
            recorded_ = std::chrono::milliseconds(0);
            break;
        case ZN2TAPI_MSG_DISCONNECTED:
            Log("Disconnected : Passed\r\n");
            if (recording_)
                StopAndSave();
            DropCall();
            break;
        case ZN2TAPI_MSG_IDLE:
            Log("Idle : Passed\r\n");
            if (library_.open_line() != nullptr && library_.status().call != 0)
                library_.open_line()->Deallocate(library_.status().call);
            library_.status().call = 0;
            Finish();
            break;
        case ZN2TAPI_MSG_FAILED:
            if (!aborted_) {
                Log("Connection : Failed (No Dial Tone)\r\n");
                aborted_ = true;
                host_.NoDialTone();
                Finish();
            }
            break;
        case ZN2TAPI_MSG_BUSY:
            Log("The number dialed was busy.\r\n");
            break;
        default:
            break;
    }
    return true;
}

void LineTester::Connected() {
    Log("Connected : Passed\r\n");
    if (aborted_)
        return;
    library_.GetWaveId(kSelectCall, "wave/out");
    Passed("Wave-out open", StatusOk());
    library_.PlayFile(greeting_.c_str());
    const bool started = StatusOk();
    Passed("Start Play sound", started);
    playing_ = started;
}

void LineTester::Tick(std::chrono::milliseconds elapsed) {
    if (!running_ || aborted_)
        return;
    const TapiStatus& status = library_.status();
    if (playing_ && status.callConnected != 0 && status.recorder.playing == 0) {
        PlaybackEnded();
    } else if (recording_ && status.callConnected != 0) {
        recorded_ += elapsed;
        if (recorded_ > record_for_)
            RecordingTimeOver();
    }
}

void LineTester::PlaybackEnded() {
    Log("End Play sound : Passed\r\n");
    playing_ = false;
    const std::filesystem::path take = scratch_folder_ / "buffer.wav";
    const std::filesystem::path accumulated = scratch_folder_ / "data.wav";
    std::error_code error;
    std::filesystem::remove(take, error);
    std::filesystem::remove(accumulated, error);
    library_.SetRecord(take.c_str(), accumulated.c_str(), recording_path().c_str());
    library_.GetWaveId(kSelectCall, "wave/in");
    Passed("Wave-in open", StatusOk());
    library_.Record();
    if (!StatusOk())
        Log("Record sound start : Failed\r\n");
}

void LineTester::RecordingTimeOver() {
    StopAndSave();
    DropCall();
}

void LineTester::StopAndSave() {
    recording_ = false;
    library_.Stop();
    Passed("Record sound stop", StatusOk());
    library_.Save();
    Passed("Record sound save", StatusOk());
}

void LineTester::DropCall() {
    TapiStatus& status = library_.status();
    if (status.call != 0 && library_.open_line() != nullptr)
        library_.open_line()->Drop(status.call);
}

void LineTester::Stop() {
    if (!running_)
        return;
    aborted_ = true;
    Finish();
}

void LineTester::Finish() {
    TapiStatus& status = library_.status();
    if (playing_ || recording_ || status.recorder.playing != 0 || status.recording != 0) {
        library_.Stop();
        playing_ = false;
        recording_ = false;
    }
    if (status.call != 0 && status.lineOpen != 0) {
        // The rest follows when the call is idle.
        DropCall();
        return;
    }
    library_.Close();
    running_ = false;
    Log("Line shutdown : Passed\r\n");
    Log(kLogSeparator);
}

}  // namespace kivo::phone

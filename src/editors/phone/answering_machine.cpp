// The answering machine (see answering_machine.h).
#include "kivo/phone/answering_machine.h"

#include <system_error>

#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_writer.h"
#include "zn2tapi.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;

constexpr int kSelectCall = 4;
// The recorder's take and accumulated files in the working folder.
constexpr const char* kTakeName = "xbuffer.wav";
constexpr const char* kAccumulatedName = "xdata.wav";

void RemoveQuietly(const fs::path& path) {
    std::error_code error;
    fs::remove(path, error);
}

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

}  // namespace

AnsweringMachine::AnsweringMachine(telephony::TapiLibrary& library,
                                   std::function<recorder::RecorderTarget()> target,
                                   fs::path sound_folder, AnsweringMachineHost& host)
    : library_(library),
      target_(std::move(target)),
      sound_folder_(std::move(sound_folder)),
      host_(host) {}

bool AnsweringMachine::HandleMessage(int message) {
    switch (message) {
        case ZN2TAPI_MSG_NEW_CALL:
            caller_name_.clear();
            caller_number_.clear();
            TakeCallerIdentity();
            return true;
        case ZN2TAPI_MSG_CALLER_ID:
            TakeCallerIdentity();
            return true;
        case ZN2TAPI_MSG_ANSWER_NOW:
            if (!call_ && library_.status().call != 0 && library_.status().incoming == 1)
                AnswerNow();
            return true;
        case ZN2TAPI_MSG_CONNECTED:
            if (call_ && !call_->connected)
                Greet();
            return true;
        case ZN2TAPI_MSG_DISCONNECTED:
            if (call_ && call_->connected)
                StoreMessage();
            return true;
        case ZN2TAPI_MSG_IDLE:
            // A call that ended before it was connected leaves nothing to keep.
            if (call_ && !call_->connected) {
                call_->files.RemoveAll();
                call_.reset();
            }
            return true;
        default:
            return false;
    }
}

void AnsweringMachine::SetOn(bool on) {
    library_.status().autoAnswer = on ? 1 : 0;
    if (!on)
        this_call_only_ = false;
}

void AnsweringMachine::TakeThisCall() {
    if (on())
        return;
    this_call_only_ = true;
    library_.status().autoAnswer = 1;
}

void AnsweringMachine::TakeCallerIdentity() {
    const TapiStatus& status = library_.status();
    // The library clears the identity when the call goes idle: keep the
    // last one seen for the call.
    if (status.callerName[0] != '\0')
        caller_name_ = status.callerName;
    if (status.callerIdValid == 1 && status.callerNumber[0] != '\0')
        caller_number_ = status.callerNumber;
}

bool AnsweringMachine::Failed() {
    const int status = library_.status().status;
    if (status <= 0)
        return false;
    host_.TelephonyFailed(status);
    return true;
}

void AnsweringMachine::AnswerNow() {
    TakeCallerIdentity();
    recorder::RecorderTarget target = target_();
    if (target.working_folder.empty())
        return;  // no data store is open: the call keeps ringing
    recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(target.working_folder);
    CallInProgress call{std::move(target), std::move(files), {}, std::chrono::steady_clock::now()};
    call.call.caller_name = caller_name_;
    call.call.caller_number = caller_number_;
    call.call.start_log_date = recorder::NowLogDate();

    const fs::path take = call.target.working_folder / kTakeName;
    const fs::path accumulated = call.target.working_folder / kAccumulatedName;
    // What an interrupted earlier call left would be added to this message.
    RemoveQuietly(take);
    RemoveQuietly(accumulated);
    library_.SetRecord(take.c_str(), accumulated.c_str(), call.files.wave_path().c_str());
    call_ = std::move(call);
    library_.Answer();
    if (Failed())
        call_.reset();
}

void AnsweringMachine::Greet() {
    call_->connected = true;
    // A wave identifier that cannot be had is shown but does not stop the
    // call: the line may still play and record.
    library_.GetWaveId(kSelectCall, "wave/out");
    Failed();
    library_.GetWaveId(kSelectCall, "wave/in");
    Failed();
    library_.SetResource(sound_folder_.c_str(), kAfterGreetingResource);
    const fs::path greeting = call_->target.working_folder / recordstore::kGreetingName;
    library_.PlayFile(greeting.c_str());
    if (Failed())
        DropCall();
}

void AnsweringMachine::DropCall() {
    TapiStatus& status = library_.status();
    if (status.call != 0 && library_.open_line() != nullptr)
        library_.open_line()->Drop(status.call);
}

void AnsweringMachine::StoreMessage() {
    CallInProgress call = std::move(*call_);
    call_.reset();
    TapiStatus& status = library_.status();
    // The chained recording does not mark itself; without the mark the
    // take would not be kept. Before the recording began there is no take.
    const bool recorded = Exists(status.recorder.takePath);
    if (recorded)
        status.recording = 1;
    library_.Stop();
    Failed();
    // Saving also resets the recorder for the next call; with nothing
    // recorded its result says only that there was nothing to save.
    library_.Save();
    if (recorded)
        Failed();

    call.call.end_log_date = recorder::NowLogDate();
    call.call.duration_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - call.started)
                                .count();
    // A caller who hangs up before the tone has said nothing, but the
    // record still tells who called.
    if (!recorded || !Exists(call.files.wave_path()))
        wavefile::WritePcmWave(call.files.wave_path().string(), telephony::CallAudioFormat(),
                               std::vector<std::uint8_t>{});

    recorder::NewRecordSave save(call.target, call.files);
    const int code = save.Save(AnswerMachineRecord(call.call, call.files));
    if (save.stored()) {
        ++messages_stored_;
        call.files.RemoveAll();
    }
    if (this_call_only_)
        SetOn(false);
    host_.MessageStored(call.call, save.stored() ? save.record_number() : 0, code);
}

}  // namespace kivo::phone

// AnsweringMachine: the program's side of a call the machine answers.
//
// The telephony library counts the rings and, with autoAnswer set, says when
// to answer (ZN2TAPI_MSG_ANSWER_NOW). The machine then names a new record,
// gives the library the recorder's files and answers; once connected it
// plays the greeting (the data store's "xrgreet.wav"), after which the
// library plays the tone resource and records the caller on its own. When
// the caller hangs up the machine stops and saves the recording into the
// record's wave and stores the phone record "Answer Machine Message" through
// the recorder kit (record number, container, phone-call log, index).
//
// The host passes every library message to HandleMessage, on the thread
// that drives the library. Posted messages may arrive after the library has
// moved on (a caller's identity is cleared when the call goes idle), so the
// machine keeps what it needs as the call goes.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "kivo/phone/answer_machine_record.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/telephony/tapi_library.h"

namespace kivo::phone {

// The wave resource played after the greeting ("<id>.wav" in the program's
// sound folder): the tone after which the caller speaks.
inline constexpr std::uint32_t kAfterGreetingResource = 3001;

// What the machine tells its host.
class AnsweringMachineHost {
public:
    virtual ~AnsweringMachineHost() = default;
    // A library call failed with `status` (the telephony error box).
    virtual void TelephonyFailed(int status) = 0;
    // A message was stored as record `record_number` (0 when saving it
    // failed with message `save_code`).
    virtual void MessageStored(const AnsweredCall& call, std::int32_t record_number,
                               int save_code) = 0;
};

class AnsweringMachine {
public:
    // target: where messages are stored, asked for at each answered call
    // (the open data store may change). sound_folder: where the tone after
    // the greeting is.
    AnsweringMachine(telephony::TapiLibrary& library,
                     std::function<recorder::RecorderTarget()> target,
                     std::filesystem::path sound_folder, AnsweringMachineHost& host);

    // Handles one library message; false for a message it does not use.
    bool HandleMessage(int message);

    // The machine answers every call (autoAnswer).
    void SetOn(bool on);
    bool on() const { return library_.status().autoAnswer != 0; }
    // The machine takes the ringing call although it is off (the user let it).
    void TakeThisCall();
    // A call is being answered or recorded by the machine.
    bool busy() const { return call_.has_value(); }
    int messages_stored() const { return messages_stored_; }

private:
    struct CallInProgress {
        recorder::RecorderTarget target;
        recorder::RecordFiles files;
        AnsweredCall call;
        std::chrono::steady_clock::time_point started;
        bool connected = false;
    };

    void TakeCallerIdentity();
    void AnswerNow();
    void Greet();
    void StoreMessage();
    void DropCall();
    bool Failed();

    telephony::TapiLibrary& library_;
    std::function<recorder::RecorderTarget()> target_;
    std::filesystem::path sound_folder_;
    AnsweringMachineHost& host_;
    std::optional<CallInProgress> call_;
    std::string caller_name_;
    std::string caller_number_;
    bool this_call_only_ = false;
    int messages_stored_ = 0;
};

}  // namespace kivo::phone

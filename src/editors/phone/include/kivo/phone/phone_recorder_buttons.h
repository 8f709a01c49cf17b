// Which of the Phone Recorder's buttons are on in each stage of a call.
// HELP, Name..., Add to PhoneBook and CANCEL are on in every stage.
//
//   stage                      OK   DIAL PICKUP PAUSE STOP HANGUP MARK
//   idle                       -    on   -      -     -    -      -
//   placing or answering       -    -    -      -     -    on     -
//   recording                  -    -    -      on    on   on     on
//   paused                     -    -    -      on    -    on     on
//   connected, not recording   -    -    on     -     -    on     -
//   stopped, call still up     -    -    -      -     -    on     -
//   call ended                 (a)  on   -      -     -    -      -
//
// (a) on when something was recorded and the user has not declined to
// save it. A recording stopped during the call is kept when the call ends.
#pragma once

namespace kivo::phone {

enum class CallStage { kIdle, kPlacing, kRecording, kPaused, kConnected, kStopped, kEnded };

struct PhoneRecorderButtons {
    bool ok = false;
    bool dial = false;
    bool pickup = false;
    bool pause = false;
    bool stop = false;
    bool hangup = false;
    bool mark = false;

    bool operator==(const PhoneRecorderButtons&) const = default;
};

PhoneRecorderButtons ButtonsFor(CallStage stage, bool unsaved_recording);

}  // namespace kivo::phone

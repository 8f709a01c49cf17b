// The Phone Recorder's buttons by stage (see phone_recorder_buttons.h).
#include "kivo/phone/phone_recorder_buttons.h"

namespace kivo::phone {

PhoneRecorderButtons ButtonsFor(CallStage stage, bool unsaved_recording) {
    PhoneRecorderButtons on;
    switch (stage) {
        case CallStage::kIdle:
            on.dial = true;
            break;
        case CallStage::kPlacing:
            on.hangup = true;
            break;
        case CallStage::kRecording:
            on.pause = on.stop = on.hangup = on.mark = true;
            break;
        case CallStage::kPaused:
            on.pause = on.hangup = on.mark = true;
            break;
        case CallStage::kConnected:
            on.pickup = on.hangup = true;
            break;
        case CallStage::kStopped:
            on.hangup = true;
            break;
        case CallStage::kEnded:
            on.ok = unsaved_recording;
            on.dial = true;
            break;
    }
    return on;
}

}  // namespace kivo::phone

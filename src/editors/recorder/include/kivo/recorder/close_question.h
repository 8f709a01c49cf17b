// How every recorder closes: with a recording that is not saved, message 1
// asks "You have not saved your recording, if you want to save your
// recording press yes"; Yes saves, No discards. With nothing unsaved the
// recorder discards its temporary files without asking.
#pragma once

#include <functional>

namespace kivo::core {
class MessageReporter;
}

namespace kivo::recorder {

enum class CloseOutcome { kSaved, kDiscarded, kSaveFailed };

struct CloseSteps {
    bool unsaved = false;       // there is something the store does not have
    bool saved_before = false;  // the record was saved earlier in the session
    std::function<int()> save;  // 0 when saved, else the message code reported
    std::function<void()> discard;
};

// Asks when there is something unsaved, then saves or discards.
CloseOutcome CloseRecorder(core::MessageReporter& reporter, const CloseSteps& steps);

}  // namespace kivo::recorder

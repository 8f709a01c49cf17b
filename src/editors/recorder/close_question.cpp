// The close question of a recorder (see close_question.h).
#include "kivo/recorder/close_question.h"

#include "kivo/core/user_messages.h"
#include "kivo/recorder/recorder_messages.h"

namespace kivo::recorder {

CloseOutcome CloseRecorder(core::MessageReporter& reporter, const CloseSteps& steps) {
    if (steps.unsaved &&
        reporter.ReportMessage(kMessageUnsavedRecording, core::kStyleQuestion) == core::kAnswerYes)
        return steps.save() == 0 ? CloseOutcome::kSaved : CloseOutcome::kSaveFailed;
    steps.discard();
    return steps.saved_before ? CloseOutcome::kSaved : CloseOutcome::kDiscarded;
}

}  // namespace kivo::recorder

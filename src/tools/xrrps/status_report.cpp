// Writes the engine's messages to standard error.
#include "status_report.h"

#include <cstdio>

namespace kivo::xrrps {

bool ReportStatus(const RPS_STATUS* status) {
    if (status == nullptr) {
        return true;
    }
    bool any_message = status->message_count != 0 || status->messages != nullptr;
    for (const RPS_MESSAGE* message = status->messages; message != nullptr;
         message = message->next) {
        std::fprintf(stderr, "%s\n", message->text != nullptr ? message->text : "");
    }
    if (status->message_count < 0) {
        std::fputs("xrrps: the engine ran out of memory for further messages\n", stderr);
    }
    return !any_message;
}

bool ReportStatus(const repository::StatusRecord& status) {
    for (const repository::Message& message : status.messages) {
        std::fprintf(stderr, "%s\n", message.text.c_str());
    }
    return status.ok();
}

}  // namespace kivo::xrrps

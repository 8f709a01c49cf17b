// StatusRecord: the messages of one call and its highest severity.
#include "kivo/repository/status_record.h"

#include <algorithm>

namespace kivo::repository {

void StatusRecord::Add(Message message) {
    severity = std::max(severity, message.severity);
    messages.push_back(std::move(message));
}

bool StatusRecord::Has(MessageCode code) const {
    return std::any_of(messages.begin(), messages.end(),
                       [code](const Message& message) { return message.code == code; });
}

}  // namespace kivo::repository

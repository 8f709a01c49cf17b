// kivoctl's failure lines; see kivoctl_failures.h.
#include "kivoctl_failures.h"

#include <sys/stat.h>

#include "kivo/core/data_store_session.h"
#include "kivo/core/user_messages.h"

namespace kivo::kivoctl {
namespace {

const char* StepText(FailedStep step) {
    switch (step) {
        case FailedStep::kOpenStore:
            return "cannot open the data store";
        case FailedStep::kMakeStore:
            return "cannot make the data store";
        case FailedStep::kReadStore:
            return "cannot read from the data store";
    }
    return "cannot use the data store";
}

// The program's message in one line: line breaks become spaces, and the
// trailing ": Error N" goes (the line ends with the code anyway).
std::string MessageInOneLine(int code) {
    std::string text = core::MessageText(code);
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    const std::size_t code_at = text.rfind(" : Error ");
    if (code_at != std::string::npos)
        text.erase(code_at);
    return text;
}

std::string Reason(const std::filesystem::path& store, int code) {
    struct stat st {};
    const bool exists = ::stat(store.c_str(), &st) == 0;
    switch (code) {
        case core::kStoreMissing:
            return exists ? "it is not a file Kivo can open" : "no such file";
        case core::kStoreRepositoryFailed:
            if (exists && st.st_size == 0)
                return "the file is empty, not a Kivo data store";
            return "it is not a Kivo data store, or it is damaged";
        case core::kComponentUnreadable:
            return "a file of the record could not be read";
        default:
            return MessageInOneLine(code);
    }
}

}  // namespace

std::string FailureLine(FailedStep step, const std::filesystem::path& store, int code) {
    return "kivoctl: " + std::string(StepText(step)) + " " + store.string() + ": " +
           Reason(store, code) + " (Error " + std::to_string(code) + ")";
}

}  // namespace kivo::kivoctl

// Checks that a member name is a plain file name.
#include "member_names.h"

namespace kivo::repository {
namespace {

bool IsControl(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string UnsafeNameReason(const std::string& name) {
    if (name.empty()) {
        return "Member name is empty";
    }
    if (name == "." || name == "..") {
        return "Member name is a folder reference";
    }
    for (char c : name) {
        if (c == '/' || c == '\\') {
            return "Member name contains a path separator";
        }
        if (c == '\0') {
            return "Member name contains a NUL byte";
        }
        if (IsControl(c)) {
            return "Member name contains a control character";
        }
    }
    return {};
}

std::string PrintableName(const std::string& name) {
    std::string printable = name;
    for (char& c : printable) {
        if (IsControl(c)) {
            c = '?';
        }
    }
    return printable;
}

}  // namespace kivo::repository

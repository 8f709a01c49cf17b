// The limits of a recording file's members (see recording_member_limits.h).
#include "recording_member_limits.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>

#include "kivo/recordstore/data_store_layout.h"

namespace kivo::exchange {
namespace {

// A record line with a meeting's agenda after it.
constexpr std::uint64_t kMaxLineBytes = 1u << 20;
// 5000 index marks of 61 bytes.
constexpr std::uint64_t kMaxMarksBytes = 5000 * 61;
constexpr std::uint64_t kMaxKeywordsBytes = 64 * 1024;
constexpr std::uint64_t kMaxTextBytes = 16u << 20;
constexpr std::uint64_t kMaxPictureBytes = 64u << 20;
// Four hours of the best recording quality, 44.1 kHz stereo, with room.
constexpr std::uint64_t kMaxMediaBytes = 4ull << 30;

bool EndsWithIgnoringCase(std::string_view name, std::string_view ending) {
    return name.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), name.end() - ending.size(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::uint64_t LimitOf(std::string_view name) {
    using namespace recordstore;
    if (EndsWithIgnoringCase(name, kRecordLineExtension))
        return kMaxLineBytes;
    if (EndsWithIgnoringCase(name, kIndexMarksExtension))
        return kMaxMarksBytes;
    if (EndsWithIgnoringCase(name, ".xrk"))
        return kMaxKeywordsBytes;
    if (EndsWithIgnoringCase(name, kOriginalTextExtension) ||
        EndsWithIgnoringCase(name, kTranslatedTextExtension))
        return kMaxTextBytes;
    if (EndsWithIgnoringCase(name, kGifPictureExtension) ||
        EndsWithIgnoringCase(name, kJpgPictureExtension))
        return kMaxPictureBytes;
    return kMaxMediaBytes;
}

// A name that can only name a file inside the folder it is unpacked to, the
// same on every system: no separators, no ".." or hidden names, no drive
// letters, control bytes, or trailing dots and spaces.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name.size() > recordstore::kMaxOpenedMemberNameBytes ||
        name.front() == '.' || name.back() == '.' || name.back() == ' ')
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20;
    });
}

}  // namespace

std::optional<std::string> MemberLimitFault(const std::vector<recordstore::MemberInfo>& members) {
    if (members.size() > recordstore::kMaxOpenedMembers)
        return "it holds " + std::to_string(members.size()) + " members";
    for (const recordstore::MemberInfo& member : members) {
        if (!IsPlainName(member.name))
            return "a member is named \"" + member.name + "\"";
        if (member.size_bytes > LimitOf(member.name))
            return "member " + member.name + " is " + std::to_string(member.size_bytes) +
                   " bytes long";
    }
    return std::nullopt;
}

}  // namespace kivo::exchange

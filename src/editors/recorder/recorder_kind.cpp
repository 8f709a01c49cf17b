// The recorders' names (see recorder_kind.h).
#include "kivo/recorder/recorder_kind.h"

namespace kivo::recorder {
namespace {

struct KindNames {
    RecorderKind kind;
    std::string_view word;
    std::string_view noun;
};

constexpr KindNames kKinds[] = {
    {RecorderKind::kDictation, "dictation", "dictation"},
    {RecorderKind::kMeeting, "meeting", "meeting"},
    {RecorderKind::kDiary, "diary", "diary entry"},
    {RecorderKind::kPhone, "phone", "phone call"},
    {RecorderKind::kVideo, "video", "video"},
};

const KindNames& NamesOf(RecorderKind kind) {
    for (const KindNames& names : kKinds) {
        if (names.kind == kind)
            return names;
    }
    return kKinds[0];
}

}  // namespace

std::string_view RecorderKindWord(RecorderKind kind) {
    return NamesOf(kind).word;
}

std::string_view RecorderKindNoun(RecorderKind kind) {
    return NamesOf(kind).noun;
}

std::optional<RecorderKind> ParseRecorderKind(std::string_view word) {
    for (const KindNames& names : kKinds) {
        if (names.word == word)
            return names.kind;
    }
    return std::nullopt;
}

}  // namespace kivo::recorder

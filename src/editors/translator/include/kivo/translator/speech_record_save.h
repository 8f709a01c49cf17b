// Saving a typed text spoken into a recording ("Kivo Text To Speech") as a
// new dictation (kind "0", "Voxwren.xrr") or meeting (kind "1",
// "Voxwren.xrm"): the speech at the recording quality as the record's wave,
// the record line and an index entry whose keywords are the text's words.
#pragma once

#include <cstdint>
#include <string>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::translator {

// The subject of a spoken record saved without one.
inline constexpr const char* kDefaultSpeechSubject = "Text to Speech recording";

enum class SpokenRecordKind { kDictation, kMeeting };

struct SpeechDraft {
    std::string text;            // UTF-8; what is spoken
    std::string subject;         // empty: kDefaultSpeechSubject
    std::string voice_name;      // empty: the speech engine's default
    int rate_wpm = 0;            // 0: the engine's normal rate
    std::string start_log_date;  // when the dialog opened
};

class SpeechRecordSave {
public:
    SpeechRecordSave(const recorder::RecorderTarget& target, const recorder::RecordFiles& files)
        : target_(target), files_(files) {}

    // 0 when saved (or when the text is empty: nothing is written), else the
    // message code: 811 no speech could be made, 810 its length not read,
    // 108, 109, 110 as recorder::NewRecordSave.
    int SaveNew(const SpeechDraft& draft, SpokenRecordKind kind);

    // SaveNew's two halves, as TranslationSave's: Speak touches only the
    // working files (any thread), Store saves on the store's thread.
    int Speak(const SpeechDraft& draft);
    int Store(const SpeechDraft& draft, SpokenRecordKind kind);

    bool stored() const { return stored_; }
    std::int32_t record_number() const { return record_number_; }

private:
    const recorder::RecorderTarget& target_;
    const recorder::RecordFiles& files_;
    bool spoken_ = false;
    std::int64_t length_ms_ = 0;
    std::string end_log_date_;
    bool stored_ = false;
    std::int32_t record_number_ = 0;
};

}  // namespace kivo::translator

// Saving a spoken translation as a new translation record: the translated
// text spoken into the record's wave at the recording quality, the original
// and translated texts as the ".xr1" and ".xr2" members, the record line of
// its kind (11 to 16 by the result language, in "Voxwren.xrr") and its index
// entry with the texts' words as keywords. Numbering, the container, the log
// and the index come from the recorder kit (recorder::NewRecordSave).
#pragma once

#include <cstdint>
#include <string>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::translator {

// "Failed to get duration : Error 810" and "Failed to create Kivo recording :
// Error 811".
inline constexpr int kMessageNoDuration = 810;
inline constexpr int kMessageCannotCreateRecording = 811;

struct TranslationDraft {
    std::string original_text;     // UTF-8
    std::string translated_text;   // UTF-8; what is spoken
    std::string result_language;   // "Spanish": gives the kind code
    std::string translation_code;  // the language library's code of the route
    std::string subject;
    std::string keywords;        // the user's own
    std::string voice_name;      // empty: the speech engine's default
    int rate_wpm = 0;            // 0: the engine's normal rate
    std::string start_log_date;  // when the dialog opened, "dd/mm/yyyy HH:MM:SS"
};

class TranslationSave {
public:
    TranslationSave(const recorder::RecorderTarget& target, const recorder::RecordFiles& files)
        : target_(target), files_(files) {}

    // Saves the draft: Speak, then Store. 0 when saved (or when there is no
    // translated text, in which case nothing is written and stored() stays
    // false); otherwise the message code: 811 no speech could be made, 810
    // its length not read, 108, 109, 110 as recorder::NewRecordSave. The
    // temporary files are removed once the record is stored.
    int SaveNew(const TranslationDraft& draft);

    // The slow half, which touches only the record's working files and so
    // may run off the window's thread: the translated text spoken into the
    // record's wave, and both texts written beside it. 0 or 811, 810, 108.
    int Speak(const TranslationDraft& draft);
    // The other half, on the thread that owns the data store: the record
    // spoken by Speak stored with its line and index entry. 0 or 108, 109,
    // 110 (and 811 when Speak has not succeeded).
    int Store(const TranslationDraft& draft);

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

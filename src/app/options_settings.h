// OptionsSettings: the values the Options dialog ("Kivo Options") shows and
// writes, read from and written to the user's section of the profile.
//
// Reading writes the default of any key that is missing. Writing puts every
// key back: costs as typed ("0.00" when empty), rings and silence as decimal
// numbers, flags as "Y"/"N" ("1"/"0" for ExpPrompt), the currency (at most
// 200 characters) and the recording quality (0 voice, 1 stereo, 2 radio,
// 3 CD) and the foot pedal's device and assignment.
#pragma once

#include <string>

#include "kivo/pedal/pedal_assignment.h"

namespace kivo::core {
class ProfileFile;
}

namespace kivo::app {

inline constexpr std::size_t kMaxCurrencyChars = 200;

struct OptionsSettings {
    std::string phone_cost = "0.00";    // PhoneCost, per minute
    std::string meet_cost = "0.00";     // MeetCost, per hour
    bool highlight = false;             // HighLight
    bool prime = false;                 // Prime
    bool export_prompt = false;         // ExpPrompt
    bool diary_on_start = false;        // ADiary
    bool compress = true;               // Compress
    bool phone_warning = false;         // PhWarn
    int rings = 3;                      // Rings, 1 to 10
    int silence_s = 5;                  // Silence, 2 to 30
    std::string currency = "\xC2\xA3";  // Currency: "£"
    int recording_quality = 0;          // RecQual, 0 to 3
    // The foot pedal: its device node, empty for the first pedal found
    // (PedalDevice), and what each pedal does (PedalLeft, PedalMiddle,
    // PedalRight: 0 rewind, 1 play, 2 fast forward, 3 nothing). Missing
    // keys read as these defaults and are not written until OK.
    std::string pedal_device;
    pedal::PedalAssignment pedal;

    friend bool operator==(const OptionsSettings&, const OptionsSettings&) = default;
};

// The currencies the dialog offers: "£", "$", "€".
inline constexpr const char* kCurrencyChoices[] = {"\xC2\xA3", "$", "\xE2\x82\xAC"};

OptionsSettings ReadOptions(core::ProfileFile& profile, const std::string& section);
// Only the foot pedal's keys into options, writing nothing (the player reads
// them as it opens).
void ReadPedalOptions(core::ProfileFile& profile, const std::string& section,
                      OptionsSettings& options);
// False when the profile could not be written.
bool WriteOptions(core::ProfileFile& profile, const std::string& section,
                  const OptionsSettings& options);

}  // namespace kivo::app

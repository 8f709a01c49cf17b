// StartupConfiguration: the configuration phase of the program's start-up.
//
// ReadProfile() runs before the data store is opened: it settles the profile
// section and user folder, and on a user's first start writes the first-start
// keys of the profile. ApplySettings() runs after the store is open and reads
// the settings the main window acts on (rings, export prompt, diary reminder,
// recording quality, answer machine). Values out of their range read as their
// defaults. Every key lives in the user's section of "KIVO.ini".
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "kivo/core/data_store_session.h"

namespace kivo::core {

class ProfileFile;

// Profile key names.
namespace profile_key {
inline constexpr const char* kLastPath = "LastPath";
inline constexpr const char* kLastFile = "LastFile";
inline constexpr const char* kRecId = "RecID";
inline constexpr const char* kCommId = "CommID";
inline constexpr const char* kRings = "Rings";
inline constexpr const char* kPhoneCost = "PhoneCost";
inline constexpr const char* kMeetCost = "MeetCost";
inline constexpr const char* kPrime = "Prime";
inline constexpr const char* kPhWarn = "PhWarn";
inline constexpr const char* kExpPrompt = "ExpPrompt";
inline constexpr const char* kSilence = "Silence";
inline constexpr const char* kInternet = "Internet";
inline constexpr const char* kCompress = "Compress";
inline constexpr const char* kRecQual = "RecQual";
inline constexpr const char* kADiary = "ADiary";
inline constexpr const char* kAutoMessage = "AutoMessage";
inline constexpr const char* kHighLight = "HighLight";
inline constexpr const char* kCurrency = "Currency";
}  // namespace profile_key

inline constexpr const char* kDefaultStoreName = "KIVO";
inline constexpr const char* kNoLineDevice = "X";

// Ranges of the numeric settings and their defaults.
inline constexpr int kDefaultRings = 3;
inline constexpr int kMinRings = 1;
inline constexpr int kMaxRings = 10;
inline constexpr int kDefaultSilence_s = 5;
inline constexpr int kMinSilence_s = 2;
inline constexpr int kMaxSilence_s = 30;
inline constexpr int kDefaultRecordingQuality = 0;  // 0 voice, 1 stereo, 2 radio, 3 CD
inline constexpr int kMaxRecordingQuality = 3;

// The integer value of a profile text as the C library's atoi reads it:
// leading blanks, an optional sign, digits; anything else gives 0. "Y" and
// "N" read as 0.
long ProfileInteger(std::string_view text);

// Line device identifiers are written and read in base 16 (identifiers 0 to
// 9 read the same in either base).
std::string FormatLineDevice(std::uint32_t device);
// Nothing for "X" (none chosen), "Bad" (missing) and anything not hexadecimal.
std::optional<std::uint32_t> ParseLineDevice(std::string_view text);

// Chooses a line device (the modem selection); nothing when none was chosen.
using LineDeviceChooser = std::function<std::optional<std::uint32_t>()>;

struct StartupProfile {
    std::string section;  // profile section (login name or "Default")
    std::filesystem::path user_folder;
    std::string store_name;    // LastFile, "KIVO" when missing
    bool first_start = false;  // LastPath was missing: keys were written
    std::optional<std::uint32_t> line_device;
    std::string internet;  // copied from section "Default"

    StoreLocation store() const { return {user_folder, store_name}; }
};

enum class AnswerMachineStart { kOn, kOff, kUnchanged };

struct StartupSettings {
    int rings = kDefaultRings;
    bool export_prompt = false;
    bool diary_reminder = false;  // ADiary "Y": start the diary reminder
    int recording_quality = kDefaultRecordingQuality;
    AnswerMachineStart answer_machine = AnswerMachineStart::kOff;
};

class StartupConfiguration {
public:
    // profiles_folder: the home's "Profiles" folder; section: the login name
    // (or "Default").
    StartupConfiguration(ProfileFile& profile, std::filesystem::path profiles_folder,
                         std::string section);

    // Steps before the store opens. On a first start writes LastPath,
    // LastFile, RecID, CommID, Rings, PhoneCost, MeetCost, Prime, PhWarn,
    // ExpPrompt, Silence, Internet, Compress and RecQual; the caller then
    // builds the store "KIVO" in the user folder. choose_line_device may be
    // empty (no modem selection available).
    StartupProfile ReadProfile(const LineDeviceChooser& choose_line_device = {});

    // Steps after the store opened: Rings, ExpPrompt, ADiary, Compress,
    // RecQual (missing keys are written with their defaults), AutoMessage.
    StartupSettings ApplySettings();

private:
    ProfileFile& profile_;
    std::filesystem::path profiles_folder_;
    std::string section_;
};

// First start: builds the store of the profile (normally "KIVO" in the user
// folder) unless a store of that name already exists there, which is then
// kept and opened as it is (rebuilding would replace its record logs).
// Returns 0 or the builder's code (101, 102).
int BuildFirstDataStore(DataStoreSession& session, const StartupProfile& profile);

}  // namespace kivo::core

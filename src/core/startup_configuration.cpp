// The configuration phase of start-up; see startup_configuration.h.
#include "kivo/core/startup_configuration.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "kivo/core/profile_file.h"

namespace kivo::core {
namespace {

constexpr const char* kDefaultSection = "Default";

int InRangeOr(long value, int low, int high, int fallback) {
    return value >= low && value <= high ? static_cast<int>(value) : fallback;
}

}  // namespace

long ProfileInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value > 100000000L)
            return negative ? -100000000L : 100000000L;  // far out of range
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string FormatLineDevice(std::uint32_t device) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", device);
    return text;
}

std::optional<std::uint32_t> ParseLineDevice(std::string_view text) {
    // "Bad" (a missing key) would otherwise read as the number 0xBAD.
    if (text.empty() || text.size() > 8 || text == kProfileMissingValue)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;  // "X" (none chosen), "Bad" (missing) and the rest
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

StartupConfiguration::StartupConfiguration(ProfileFile& profile,
                                           std::filesystem::path profiles_folder,
                                           std::string section)
    : profile_(profile),
      profiles_folder_(std::move(profiles_folder)),
      section_(std::move(section)) {}

StartupProfile StartupConfiguration::ReadProfile(const LineDeviceChooser& choose_line_device) {
    namespace key = profile_key;
    StartupProfile result;
    result.section = section_;
    result.internet = profile_.Find(kDefaultSection, key::kInternet).value_or("");
    result.user_folder = profiles_folder_ / section_;
    result.store_name = profile_.Find(section_, key::kLastFile).value_or(kDefaultStoreName);

    std::error_code ec;
    std::filesystem::create_directories(result.user_folder, ec);

    auto last_path = profile_.Find(section_, key::kLastPath);
    if (!last_path) {
        // First start for this user.
        result.first_start = true;
        result.store_name = kDefaultStoreName;
        const std::string user_folder = result.user_folder.string();
        const std::pair<const char*, std::string> first_keys[] = {
            {key::kLastPath, user_folder},
            {key::kLastFile, kDefaultStoreName},
            {key::kRecId, "0"},
            {key::kCommId, kNoLineDevice},
            {key::kRings, "3"},
            {key::kPhoneCost, "0.00"},
            {key::kMeetCost, "0.00"},
            {key::kPrime, "N"},
            {key::kPhWarn, "N"},
            {key::kExpPrompt, "N"},
            {key::kSilence, "5"},
            {key::kInternet, result.internet},
            {key::kCompress, "Y"},
            {key::kRecQual, "0"},
        };
        for (const auto& [name, value] : first_keys)
            profile_.Write(section_, name, value);
        if (choose_line_device) {
            result.line_device = choose_line_device();
            if (result.line_device) {
                profile_.Write(section_, key::kCommId, FormatLineDevice(*result.line_device));
            }
        }
        return result;
    }

    if (!last_path->empty())
        result.user_folder = *last_path;
    if (profile_.Find(section_, key::kInternet) != result.internet) {
        profile_.Write(section_, key::kInternet, result.internet);
    }
    result.line_device = ParseLineDevice(profile_.Find(section_, key::kCommId).value_or(""));
    if (!result.line_device && choose_line_device) {
        result.line_device = choose_line_device();
        if (result.line_device) {
            profile_.Write(section_, key::kCommId, FormatLineDevice(*result.line_device));
        }
    }
    return result;
}

StartupSettings StartupConfiguration::ApplySettings() {
    namespace key = profile_key;
    StartupSettings settings;

    if (auto rings = profile_.Find(section_, key::kRings)) {
        settings.rings = InRangeOr(ProfileInteger(*rings), kMinRings, kMaxRings, kDefaultRings);
    } else {
        profile_.Write(section_, key::kRings, "3");
    }

    if (auto prompt = profile_.Find(section_, key::kExpPrompt)) {
        settings.export_prompt = ProfileInteger(*prompt) != 0;
    } else {
        profile_.Write(section_, key::kExpPrompt, "0");
    }

    if (auto diary = profile_.Find(section_, key::kADiary)) {
        settings.diary_reminder = *diary == "Y";
    } else {
        profile_.Write(section_, key::kADiary, "N");
    }

    if (!profile_.Find(section_, key::kCompress))
        profile_.Write(section_, key::kCompress, "Y");

    if (auto quality = profile_.Find(section_, key::kRecQual)) {
        settings.recording_quality =
            InRangeOr(ProfileInteger(*quality), 0, kMaxRecordingQuality, kDefaultRecordingQuality);
    } else {
        profile_.Write(section_, key::kRecQual, "0");
    }

    auto answer = profile_.Find(section_, key::kAutoMessage);
    if (!answer || *answer == "0") {
        settings.answer_machine = AnswerMachineStart::kOff;
    } else if (*answer == "1") {
        settings.answer_machine = AnswerMachineStart::kOn;
    } else {
        settings.answer_machine = AnswerMachineStart::kUnchanged;
    }
    return settings;
}

int BuildFirstDataStore(DataStoreSession& session, const StartupProfile& profile) {
    std::error_code ec;
    if (std::filesystem::exists(profile.store().StorePath(), ec))
        return 0;
    return session.BuildDataStore(profile.store());
}

}  // namespace kivo::core

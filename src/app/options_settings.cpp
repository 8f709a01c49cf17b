// Reading and writing the Options dialog's keys.
#include "options_settings.h"

#include <string_view>

#include "kivo/core/profile_file.h"
#include "kivo/core/startup_configuration.h"

namespace kivo::app {
namespace {

namespace key = core::profile_key;

constexpr const char* kPedalDeviceKey = "PedalDevice";
constexpr const char* kPedalKeys[] = {"PedalLeft", "PedalMiddle", "PedalRight"};

class SectionReader {
public:
    SectionReader(core::ProfileFile& profile, const std::string& section)
        : profile_(profile), section_(section) {}

    // The value, or def written to the profile when the key is missing.
    std::string Text(const char* name, const std::string& def) {
        if (auto value = profile_.Find(section_, name))
            return *value;
        profile_.Write(section_, name, def);
        return def;
    }
    bool Flag(const char* name, bool def) { return Text(name, def ? "Y" : "N") == "Y"; }
    int Number(const char* name, int def, int low, int high) {
        const long value = core::ProfileInteger(Text(name, std::to_string(def)));
        return value >= low && value <= high ? static_cast<int>(value) : def;
    }

private:
    core::ProfileFile& profile_;
    const std::string& section_;
};

// Cuts text to at most max_chars characters without splitting a UTF-8
// sequence.
std::string CutToChars(const std::string& text, std::size_t max_chars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            if (chars == max_chars)
                return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

std::string CostOrZero(const std::string& cost) {
    return cost.empty() ? "0.00" : cost;
}

pedal::PedalAction& ActionAt(pedal::PedalAssignment& assignment, int place) {
    return place == 0 ? assignment.left : place == 1 ? assignment.middle : assignment.right;
}

}  // namespace

void ReadPedalOptions(core::ProfileFile& profile, const std::string& section,
                      OptionsSettings& options) {
    options.pedal_device = profile.Find(section, kPedalDeviceKey).value_or("");
    for (int place = 0; place < 3; ++place) {
        if (auto value = profile.Find(section, kPedalKeys[place])) {
            ActionAt(options.pedal, place) =
                pedal::PedalActionFromNumber(static_cast<int>(core::ProfileInteger(*value)));
        }
    }
}

OptionsSettings ReadOptions(core::ProfileFile& profile, const std::string& section) {
    const OptionsSettings defaults;
    SectionReader read(profile, section);
    OptionsSettings options;
    options.phone_cost = read.Text(key::kPhoneCost, defaults.phone_cost);
    options.meet_cost = read.Text(key::kMeetCost, defaults.meet_cost);
    options.highlight = read.Flag(key::kHighLight, defaults.highlight);
    options.prime = read.Flag(key::kPrime, defaults.prime);
    // "Y" and "N" read as 0: only a non-zero number asks for file names.
    options.export_prompt = core::ProfileInteger(read.Text(key::kExpPrompt, "N")) != 0;
    options.diary_on_start = read.Flag(key::kADiary, defaults.diary_on_start);
    options.compress = read.Flag(key::kCompress, defaults.compress);
    options.phone_warning = read.Flag(key::kPhWarn, defaults.phone_warning);
    options.rings = read.Number(key::kRings, core::kDefaultRings, core::kMinRings, core::kMaxRings);
    options.silence_s = read.Number(key::kSilence, core::kDefaultSilence_s, core::kMinSilence_s,
                                    core::kMaxSilence_s);
    options.currency = CutToChars(read.Text(key::kCurrency, defaults.currency), kMaxCurrencyChars);
    options.recording_quality =
        read.Number(key::kRecQual, core::kDefaultRecordingQuality, 0, core::kMaxRecordingQuality);
    ReadPedalOptions(profile, section, options);
    return options;
}

bool WriteOptions(core::ProfileFile& profile, const std::string& section,
                  const OptionsSettings& options) {
    auto flag = [](bool on) { return std::string(on ? "Y" : "N"); };
    const std::pair<const char*, std::string> values[] = {
        {key::kPhoneCost, CostOrZero(options.phone_cost)},
        {key::kMeetCost, CostOrZero(options.meet_cost)},
        {key::kSilence, std::to_string(options.silence_s)},
        {key::kRings, std::to_string(options.rings)},
        {key::kHighLight, flag(options.highlight)},
        {key::kPrime, flag(options.prime)},
        {key::kExpPrompt, options.export_prompt ? "1" : "0"},
        {key::kADiary, flag(options.diary_on_start)},
        {key::kCompress, flag(options.compress)},
        {key::kPhWarn, flag(options.phone_warning)},
        {key::kCurrency, CutToChars(options.currency, kMaxCurrencyChars)},
        {key::kRecQual, std::to_string(options.recording_quality)},
    };
    bool written = true;
    for (const auto& [name, value] : values)
        written = profile.Write(section, name, value) && written;
    written = profile.Write(section, kPedalDeviceKey, options.pedal_device) && written;
    pedal::PedalAssignment assignment = options.pedal;
    for (int place = 0; place < 3; ++place) {
        const int action = static_cast<int>(ActionAt(assignment, place));
        written = profile.Write(section, kPedalKeys[place], std::to_string(action)) && written;
    }
    return written;
}

}  // namespace kivo::app

// Effect ranges and the stored effect fields.
#include "kivo/audio/effect_settings.h"

#include <algorithm>
#include <charconv>

namespace kivo::audio {

namespace {

constexpr EffectRange kRanges[kEffectCount] = {
    {kSpeedMinimum + 1, kSpeedMaximum - 1},  // speed
    {0, 15},                                 // echo
    {0, 34},                                 // chorus
    {0, 10},                                 // distortion
    {0, 20},                                 // flanger
    {0, 15},                                 // gargle
    {-8, 8},                                 // equalizer
    {0, 15},                                 // reverb
};

constexpr int kStoredOffValue = 100;
constexpr std::size_t kStoredFieldCount = 10;
constexpr std::size_t kStoredReverse = 8;
constexpr std::size_t kStoredEditedMarker = 9;

// The field's number when it holds one (surrounding spaces allowed).
bool ParseStoredValue(const std::string& field, int* value) {
    const auto first = field.find_first_not_of(' ');
    if (first == std::string::npos) {
        return false;
    }
    const auto last = field.find_last_not_of(' ');
    const char* begin = field.data() + first;
    const char* end = field.data() + last + 1;
    const auto result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

EffectRange RangeOfEffect(int index) {
    if (index < 0 || index >= kEffectCount) {
        return {0, 0};
    }
    return kRanges[index];
}

int ClampEffectValue(int index, int value) {
    const EffectRange range = RangeOfEffect(index);
    return std::clamp(value, range.minimum, range.maximum);
}

EffectSet NeutralEffects() {
    EffectSet effects{};
    effects[kEffectSpeed] = EffectPair{1, kSpeedNormal};
    return effects;
}

bool AnyRenderedEffectOn(const EffectSet& effects) {
    for (int i = kEffectEcho; i < kEffectCount; ++i) {
        if (effects[i].on != 0) {
            return true;
        }
    }
    return false;
}

StoredEffects DecodeStoredEffects(const std::vector<std::string>& fields) {
    StoredEffects stored;
    for (std::size_t i = 0; i < std::min(fields.size(), kStoredFieldCount); ++i) {
        int value = 0;
        if (!ParseStoredValue(fields[i], &value)) {
            continue;
        }
        if (i != kEffectSpeed && value == kStoredOffValue) {
            continue;
        }
        stored.any_stored = true;
        if (i < static_cast<std::size_t>(kEffectCount)) {
            const int index = static_cast<int>(i);
            stored.effects[i] = EffectPair{1, ClampEffectValue(index, value)};
        } else if (i == kStoredReverse) {
            stored.reverse = true;
        } else if (i == kStoredEditedMarker) {
            stored.edited_marker = value == 1;
        }
    }
    return stored;
}

}  // namespace kivo::audio

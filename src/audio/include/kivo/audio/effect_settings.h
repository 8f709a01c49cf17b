// Sound-effect settings as the playback dialogs and the record line carry
// them: eight (on, value) pairs in the order speed, echo, chorus, distortion,
// flanger, gargle, equalizer, reverb, each value in its slider's range.
// docs/audio-effects.md tells what each value does to the sound.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace kivo::audio {

enum EffectIndex {
    kEffectSpeed = 0,
    kEffectEcho = 1,
    kEffectChorus = 2,
    kEffectDistortion = 3,
    kEffectFlanger = 4,
    kEffectGargle = 5,
    kEffectEqualizer = 6,
    kEffectReverb = 7,
};
inline constexpr int kEffectCount = 8;

struct EffectPair {
    int on = 0;
    int value = 0;
};
using EffectSet = std::array<EffectPair, kEffectCount>;

// Speed is a percentage of the normal tempo. The speed control's range is
// kSpeedMinimum..kSpeedMaximum and the usable range one inside each end, so
// 50 % to 200 %.
inline constexpr int kSpeedNormal = 100;
inline constexpr int kSpeedMinimum = 49;
inline constexpr int kSpeedMaximum = 201;

struct EffectRange {
    int minimum;
    int maximum;
};
// The usable values of an effect: speed 50..200, echo 0..15, chorus 0..34,
// distortion 0..10, flanger 0..20, gargle 0..15, equalizer -8..8, reverb
// 0..15 (the sliders' ranges, value = minus the slider position).
EffectRange RangeOfEffect(int index);
int ClampEffectValue(int index, int value);

// A set with every effect off and the speed at 100 %.
EffectSet NeutralEffects();
// True when an effect other than speed is on.
bool AnyRenderedEffectOn(const EffectSet& effects);

// The ten stored effect fields of a record line (fields 15 to 24: speed,
// echo, chorus, distortion, flanger, gargle, equalizer, reverb, reverse,
// edited marker). An empty field is off; any other is on with its value,
// except that a value of exactly 100 is off for every field but the speed.
struct StoredEffects {
    EffectSet effects = NeutralEffects();
    bool reverse = false;
    bool edited_marker = false;  // the recording's audio was edited
    bool any_stored = false;     // at least one field was on
};
StoredEffects DecodeStoredEffects(const std::vector<std::string>& fields_15_to_24);

}  // namespace kivo::audio

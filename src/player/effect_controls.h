// How the effects panel shows its values: the level bar range of each
// effect and the speed bar's percentage. (The speed spin steps faster while
// an arrow is held: recorder::AcceleratedSpinBox.)
#pragma once

#include <QString>

namespace kivo::player {

struct LevelRange {
    int minimum;
    int maximum;
};

// The level bar of an effect (audio::EffectIndex): speed 0..100 (percent of
// its usable range), echo 0..15, chorus 0..34, distortion 0..10, flanger
// 0..20, gargle 0..15, equalizer -8..8, reverb 0..15.
LevelRange LevelRangeOfEffect(int index);

// The speed bar for a speed value: where it lies in the usable range
// (one inside each end of the speed control's range), 0..100.
int SpeedLevelPercent(int speed);

// The speed bar's text: the speed itself ("100 %" at normal speed).
QString SpeedLevelText(int speed);

}  // namespace kivo::player

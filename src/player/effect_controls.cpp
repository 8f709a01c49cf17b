// Level bars and the speed bar.
#include "effect_controls.h"

#include <algorithm>

#include "kivo/audio/effect_settings.h"

namespace kivo::player {

LevelRange LevelRangeOfEffect(int index) {
    if (index == audio::kEffectSpeed)
        return {0, 100};
    const audio::EffectRange range = audio::RangeOfEffect(index);
    return {range.minimum, range.maximum};
}

int SpeedLevelPercent(int speed) {
    const int lowest = audio::kSpeedMinimum + 1;
    const int span = audio::kSpeedMaximum - audio::kSpeedMinimum - 2;
    return std::clamp((speed - lowest) * 100 / span, 0, 100);
}

QString SpeedLevelText(int speed) {
    return QStringLiteral("%1 %").arg(speed);
}

}  // namespace kivo::player

// Cost, time left and the limit's alarm (see running_cost.h).
#include "kivo/recorder/running_cost.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kivo::recorder {

std::string TimeLeftText(std::int64_t seconds) {
    const char sign = seconds < 0 ? '-' : '+';
    const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
    char text[32];
    std::snprintf(text, sizeof text, "%c%02lld:%02lld:%02lld ", sign,
                  static_cast<long long>(magnitude / 3600),
                  static_cast<long long>(magnitude / 60 % 60),
                  static_cast<long long>(magnitude % 60));
    return text;
}

std::string CostText(std::int64_t duration_ms, double cost_per_hour, std::string_view currency) {
    // Whole seconds of the duration, as the duration text shows it.
    const double hours = static_cast<double>(duration_ms / 1000) / 3600.0;
    char cost[48];
    std::snprintf(cost, sizeof cost, "%.2f", hours * cost_per_hour);
    return std::string(currency) + cost;
}

std::optional<double> ParseCostRate(std::string_view text) {
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0 || value > 999999.99)
        return std::nullopt;
    return value;
}

bool TimeLimitAlarm::Read(std::int64_t seconds_left) {
    if (seconds_left > 0) {
        armed_ = true;
        return false;
    }
    const bool sound = armed_;
    armed_ = false;
    return sound;
}

}  // namespace kivo::recorder

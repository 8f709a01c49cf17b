// The meeting's cost, time left and over-run alarm (see meeting_meter.h).
#include "kivo/meeting/meeting_meter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kivo::meeting {
namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::optional<int> ParsePlannedTime(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() - colon != 3)
        return std::nullopt;
    const std::string_view hours = text.substr(0, colon);
    const std::string_view minutes = text.substr(colon + 1);
    if (!AllDigits(hours) || !AllDigits(minutes))
        return std::nullopt;
    int h = 0;
    int m = 0;
    std::from_chars(hours.data(), hours.data() + hours.size(), h);
    std::from_chars(minutes.data(), minutes.data() + minutes.size(), m);
    if (m > 59)
        return std::nullopt;
    return h * 60 + m;
}

std::string PlannedTimeText(int minutes) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
    return text;
}

std::string AddMinutes(std::string_view planned, int minutes) {
    const std::optional<int> parsed = ParsePlannedTime(planned);
    if (!parsed)
        return std::string(planned);
    return PlannedTimeText(*parsed + minutes);
}

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

std::optional<double> ParseCostPerHour(std::string_view text) {
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0 || value > 999999.99)
        return std::nullopt;
    return value;
}

void MeetingMeter::set_planned_end(std::string planned_end) {
    planned_end_ = std::move(planned_end);
    armed_ = true;
}

bool MeetingMeter::Read(std::int64_t duration_ms, int seconds_of_day) {
    duration_ms_ = duration_ms;
    const std::optional<int> end_minutes = ParsePlannedTime(planned_end_);
    if (!end_minutes)
        return false;
    const std::int64_t left = std::int64_t{*end_minutes} * 60 - seconds_of_day;
    time_left_text_ = TimeLeftText(left);
    if (left > 0) {
        armed_ = true;
        return false;
    }
    const bool sound = armed_;
    armed_ = false;
    return sound;
}

std::string MeetingMeter::cost_text() const {
    if (!cost_per_hour_)
        return std::string();
    return CostText(duration_ms_, *cost_per_hour_, currency_);
}

}  // namespace kivo::meeting

// The meeting's cost, time left and over-run alarm (see meeting_meter.h).
#include "kivo/meeting/meeting_meter.h"

#include <charconv>
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

void MeetingMeter::set_planned_end(std::string planned_end) {
    planned_end_ = std::move(planned_end);
    alarm_.Arm();
}

bool MeetingMeter::Read(std::int64_t duration_ms, int seconds_of_day) {
    duration_ms_ = duration_ms;
    const std::optional<int> end_minutes = ParsePlannedTime(planned_end_);
    if (!end_minutes)
        return false;
    const std::int64_t left = std::int64_t{*end_minutes} * 60 - seconds_of_day;
    time_left_text_ = TimeLeftText(left);
    return alarm_.Read(left);
}

std::string MeetingMeter::cost_text() const {
    if (!cost_per_hour_)
        return std::string();
    return CostText(duration_ms_, *cost_per_hour_, currency_);
}

}  // namespace kivo::meeting

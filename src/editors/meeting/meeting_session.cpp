// The meeting recorder's logic beyond the shared span recording (see
// meeting_session.h).
#include "kivo/meeting/meeting_session.h"

#include <algorithm>
#include <cstdio>

#include "kivo/core/profile_file.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_save.h"

namespace kivo::meeting {
namespace {

// The profile value, written as `fallback` when missing.
std::string ReadOrWrite(core::ProfileFile* profile, const std::string& section,
                        std::string_view key, std::string_view fallback) {
    if (profile == nullptr)
        return std::string(fallback);
    if (std::optional<std::string> value = profile->Find(section, key))
        return *value;
    profile->Write(section, key, fallback);
    return std::string(fallback);
}

}  // namespace

MeetingSession::MeetingSession(sound::AudioBackend& backend, recorder::RecorderTarget target,
                               core::MessageReporter& reporter, QObject* parent)
    : QObject(parent),
      recording_(backend, std::move(target), reporter, recorder::RecorderKind::kMeeting, this) {}

int MeetingSession::Open(format::Agenda agenda) {
    ReadSettings();
    agenda_ = std::move(agenda);
    if (!agenda_.title.empty())
        recording_.set_subject(agenda_.title);
    return recording_.Open();
}

int MeetingSession::OpenRecovered(const recorder::RecoveredTake& take) {
    ReadSettings();
    return recording_.OpenRecovered(take);
}

void MeetingSession::ReadSettings() {
    const recorder::RecorderTarget& target = recording_.target();
    highlight_ = ReadOrWrite(target.profile, target.profile_section, "HighLight", "N") != "N";
    meter_.set_currency(
        ReadOrWrite(target.profile, target.profile_section, "Currency", kDefaultCurrency));
    if (target.profile != nullptr) {
        meter_.set_cost_per_hour(ParseCostPerHour(
            target.profile->Find(target.profile_section, "MeetCost").value_or("")));
    }
}

bool MeetingSession::UseAgenda(format::Agenda agenda) {
    if (!recording_.start_text().empty())
        return false;
    agenda_ = std::move(agenda);
    recording_.set_subject(agenda_.title);
    return true;
}

bool MeetingSession::AddAgendaItem(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos || agenda_.items.size() >= format::kAgendaMaxItems)
        return false;
    text.remove_prefix(first);
    std::size_t cut = std::min(text.size(), format::kAgendaItemMaxBytes);
    // Cut at a character boundary: never before a continuation byte.
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    std::string item(text.substr(0, cut));
    agenda_.items.push_back({1, std::move(item)});
    return true;
}

bool MeetingSession::MarkAgendaItem(std::size_t item) {
    if (item >= agenda_.items.size() || recording_.state() != recorder::SpanState::kRecording)
        return false;
    return recording_.AddMark(agenda_.items[item].text);
}

void MeetingSession::Refresh() {
    const recordstore::LocalDateTime now = recordstore::CurrentLocalTime();
    const int seconds_of_day = now.hour * 3600 + now.minute * 60 + now.second;
    if (meter_.Read(recording_.duration_ms(), seconds_of_day) && alarm_on_)
        emit overRun();
}

std::string MeetingSession::duration_text() const {
    return recordstore::DurationText(recording_.duration_ms());
}

TimesAndCosts MeetingSession::times_and_costs() const {
    return {planned_start_, meter_.planned_end(), meter_.cost_per_hour(), meter_.currency()};
}

void MeetingSession::ApplyTimesAndCosts(const TimesAndCosts& settings) {
    planned_start_ = settings.planned_start;
    meter_.set_planned_end(settings.planned_end);
    meter_.set_cost_per_hour(settings.cost_per_hour);
    meter_.set_currency(settings.currency);
    const recorder::RecorderTarget& target = recording_.target();
    if (target.profile == nullptr)
        return;
    char cost[32] = "";
    if (settings.cost_per_hour)
        std::snprintf(cost, sizeof cost, "%.2f", *settings.cost_per_hour);
    target.profile->Write(target.profile_section, "MeetCost", cost);
    target.profile->Write(target.profile_section, "Currency", settings.currency);
}

void MeetingSession::RemindIn(int minutes) {
    meter_.set_planned_end(AddMinutes(meter_.planned_end(), minutes));
}

int MeetingSession::Save() {
    recorder::NewRecord record;
    record.fields.kind_code = std::string(recordstore::kind_code::kMeeting);
    record.fields.subject = recording_.subject();
    // The cost the whole meeting reached; empty without a cost per hour.
    if (meter_.cost_per_hour()) {
        record.fields.text_a =
            CostText(recording_.duration_ms(), *meter_.cost_per_hour(), meter_.currency());
    }
    record.log = recordstore::RecordLogKind::kMeetings;
    record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    if (!agenda_.items.empty()) {
        format::Agenda stored = agenda_;
        stored.title = recording_.subject();
        record.extend_record_file = [stored](const std::filesystem::path& file) {
            return format::SaveAgenda(file.string(), stored).ok();
        };
    }
    return recording_.Save(std::move(record));
}

}  // namespace kivo::meeting

// MeetingSession: everything the "Meeting Recorder" does, without widgets.
// The recording itself is the kit's SpanRecording (PICKUP, PAUSE, STOP,
// marks, take journal, saving); this adds what a meeting has besides: the
// running cost and time left with the over-run alarm (MeetingMeter), the
// "Times and Costs" settings, the agenda and marks taken from its items,
// and the meeting record: kind "1" in "Voxwren.xrm", the cost in field 3,
// marks without a type, the agenda after the record line.
//
// Profile values read at Open: "Currency" (written as "£" when missing),
// "MeetCost" (none when missing or unreadable), "HighLight" (written as "N"
// when missing; anything but "N" highlights the cost and time fields).
// The time of day is the record store's clock (recordstore::CurrentLocalTime),
// which tests replace.
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>
#include <string>

#include "kivo/format/agenda.h"
#include "kivo/meeting/meeting_meter.h"
#include "kivo/recorder/span_recording.h"

namespace kivo::meeting {

using recorder::kDefaultCurrency;  // the pound sign

// What "Times and Costs" sets.
struct TimesAndCosts {
    std::string planned_start;  // "HH:MM" or empty
    std::string planned_end;    // "HH:MM" or empty
    std::optional<double> cost_per_hour;
    std::string currency;
};

class MeetingSession : public QObject {
    Q_OBJECT
public:
    MeetingSession(sound::AudioBackend& backend, recorder::RecorderTarget target,
                   core::MessageReporter& reporter, QObject* parent = nullptr);

    // Opens an empty recording for a meeting with this agenda (empty for
    // none); the agenda's title becomes the subject. 0, or 202 (reported).
    int Open(format::Agenda agenda = {});
    // Opens a take an earlier run left (take_recovery.h) as this meeting,
    // without an agenda. 0, or 200 (reported).
    int OpenRecovered(const recorder::RecoveredTake& take);
    // Takes another agenda for this meeting before it starts (an agenda
    // chosen from the store's): its title becomes the subject. False, and
    // nothing changes, once the meeting has been picked up.
    bool UseAgenda(format::Agenda agenda);

    recorder::SpanRecording& recording() { return recording_; }
    const recorder::SpanRecording& recording() const { return recording_; }
    const format::Agenda& agenda() const { return agenda_; }

    int Pickup() { return recording_.Pickup(); }
    void Pause() { recording_.Pause(); }
    void Stop() { recording_.Stop(); }
    bool AddMark(std::string_view comment) { return recording_.AddMark(comment); }
    // Adds an item at the end of the agenda (a top item), cut to the
    // agenda's item length. False when the text is empty or the agenda full.
    bool AddAgendaItem(std::string_view text);
    // A mark whose comment is agenda item `item`'s text, at the current
    // duration; only while recording.
    bool MarkAgendaItem(std::size_t item);

    // Reads the clock and refreshes the texts; emits overRun when the
    // planned end is reached (once each time) and "Alarm On" is set.
    void Refresh();
    std::string duration_text() const;
    std::string cost_text() const { return meter_.cost_text(); }
    std::string time_left_text() const { return meter_.time_left_text(); }
    bool over_run() const { return meter_.over_run(); }
    bool highlight() const { return highlight_; }
    void set_alarm_on(bool on) { alarm_on_ = on; }
    bool alarm_on() const { return alarm_on_; }

    TimesAndCosts times_and_costs() const;
    // Keeps the settings; the cost per hour and the currency also go to the
    // profile ("MeetCost", "Currency").
    void ApplyTimesAndCosts(const TimesAndCosts& settings);
    // The over-run box's "Remind Me in": the planned end moves later.
    void RemindIn(int minutes);

    // Saves the meeting record. 0, or the message code reported.
    int Save();
    recorder::CloseOutcome Close() {
        return recording_.Close([this] { return Save(); });
    }

signals:
    void overRun();

private:
    // "HighLight", "Currency" and "MeetCost" from the profile.
    void ReadSettings();

    recorder::SpanRecording recording_;
    format::Agenda agenda_;
    MeetingMeter meter_;
    std::string planned_start_;
    bool alarm_on_ = true;
    bool highlight_ = false;
};

}  // namespace kivo::meeting

// DiaryReminder: reminds the user of today's diary entries at their time of
// day. It loads the entries of today that carry a reminder from the open
// store's diary log ("Voxwren.xrd"), and when an entry's time comes it
// announces it (due) for the reminder window to play.
//
// No busy loop: one single-shot timer wakes it at the next due time, at
// midnight, and at least once a minute, so a change of date or a jump of the
// clock (a suspend, a time zone change) is noticed within a minute: a new
// date reloads the table, a clock that jumped past an entry's time fires it.
// The time comes from an injected wall clock, so tests decide what "now" is.
//
// Entries are announced one at a time: the next waits until the window
// answers the one shown (Snooze, PlayedWithNagMe, Dismiss). An entry is
// announced once: it is set to "no reminder" in the table as it fires.
// What its record line keeps is saved through the one record update path
// (core::RecordUpdater, bound to the store the table was loaded from):
//  - a "remind once" entry is saved with the setting "0" as it fires, so a
//    restart does not fire it again;
//  - a "Nag Me" entry keeps "2" until the user dismisses it, so a restart
//    (the program closed while it nagged) goes on nagging; Dismiss saves
//    "0". An entry whose play ended with "Nag Me" ticked is saved as "2".
// "Snooze" brings an entry back in this run. An entry whose record was
// deleted meanwhile does not fire.
//
// A diary log that cannot be read reports message 131 once and leaves the
// table empty (the reminder keeps running); when the reload at a date change
// fails, 131 is reported with the error style and the reminder stops.
//
// Plain Qt Core, on the user-interface thread.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kivo/core/record_update.h"
#include "kivo/diary/diary_entry_fields.h"

namespace kivo::core {
class DataStoreSession;
class MessageReporter;
}  // namespace kivo::core

namespace kivo::diary {

inline constexpr int kDiaryReminderLogMissing = 131;
// The longest the reminder sleeps: how late a clock jump is noticed.
inline constexpr int kReminderMaxSleep_ms = 60 * 1000;
inline constexpr int kNagAgain_s = 60;

struct ReminderEntry {
    std::string time;  // "HH:MM"
    std::string container_name;
    ReminderSetting setting = ReminderSetting::kNone;
    std::string date;  // the entry's day as its line keeps it; empty: today
    std::string subject;
    // The entry's record line says "Nag Me" ("2"): it nags after a restart
    // until Dismiss saves it as "0".
    bool line_nags = false;
};

// What the reminder window is opened for.
struct DueReminder {
    std::size_t id = 0;  // the entry's place in the table
    std::string container_name;
    bool nag_me = false;  // the entry was set to "Nag Me"
    std::string subject;
};

class DiaryReminder : public QObject {
    Q_OBJECT
public:
    using WallClock = std::function<QDateTime()>;

    // store: the program's data store session (its working folder holds the
    // diary log). clock: the wall clock; empty for the system's.
    DiaryReminder(core::DataStoreSession& store, core::MessageReporter& reporter,
                  WallClock clock = {}, QObject* parent = nullptr);

    // Loads today's entries and starts watching them. Does nothing while
    // running.
    void Start();
    void Stop();
    bool running() const { return running_; }

    // A diary entry just saved with a reminder: joins the table when it is
    // for today (an entry of another day is loaded on its day).
    void Append(ReminderEntry entry);

    // What the timer runs: reloads after a change of date or of store,
    // fires what is due and sleeps until the next due time.
    void Check();
    // How long the reminder sleeps now; -1 when it is not running.
    int scheduled_check_ms() const;

    const std::vector<ReminderEntry>& entries() const { return entries_; }

    // The window's answers for the entry shown.
    void Snooze(std::size_t id, int minutes);  // again in `minutes`, once
    void PlayedWithNagMe(std::size_t id);      // again in a minute, nagging
    void Dismiss(std::size_t id);              // done

signals:
    void due(const kivo::diary::DueReminder& reminder);
    void runningChanged(bool running);

private:
    QDateTime Now() const;
    bool Load(int failure_style);
    void FireDueEntries(const QDateTime& now);
    void ShowNext();
    // Saves the entry's reminder setting ("0" or "2") into its record line.
    void SaveSetting(const std::string& container_name, const char* setting);
    bool StillInLog(const std::string& container_name) const;
    void Schedule(const QDateTime& now);
    void Answered(std::size_t id);

    core::DataStoreSession& store_;
    core::MessageReporter& reporter_;
    WallClock clock_;
    std::optional<core::RecordUpdater> updater_;  // bound to the store loaded
    std::uint64_t loaded_generation_ = 0;
    QDate loaded_date_;
    bool running_ = false;
    std::vector<ReminderEntry> entries_;
    std::deque<DueReminder> waiting_;
    std::optional<std::size_t> shown_;
    QTimer timer_;
};

}  // namespace kivo::diary

// Today's diary reminders (see diary_reminder.h).
#include "kivo/diary/diary_reminder.h"

#include <QDebug>
#include <QLoggingCategory>
#include <algorithm>

#include "kivo/core/data_store_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/recordstore/text_encoding.h"

Q_LOGGING_CATEGORY(lcDiaryReminder, "kivo.diary.reminder")

namespace kivo::diary {
namespace {

constexpr const char* kDiaryLogName = "Voxwren.xrd";

// Today as a diary line keeps its day: "%d/%m/%Y" without leading zeros.
std::string DayText(const QDate& date) {
    return DiaryDateText(date.year(), date.month(), date.day());
}

// The entry's time today: hours from the first two characters, minutes
// from the two after the colon; nullopt when they are not numbers.
std::optional<QTime> EntryTime(const std::string& time) {
    const std::size_t colon = time.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2 || time.size() < colon + 3)
        return std::nullopt;
    bool hours_ok = false;
    bool minutes_ok = false;
    const int hours = QString::fromStdString(time.substr(0, colon)).toInt(&hours_ok);
    const int minutes = QString::fromStdString(time.substr(colon + 1, 2)).toInt(&minutes_ok);
    if (!hours_ok || !minutes_ok || hours > 23 || minutes > 59)
        return std::nullopt;
    return QTime(hours, minutes);
}

ReminderSetting SettingOf(const std::string& text) {
    const int value = QString::fromStdString(text).trimmed().toInt();
    if (value == 1)
        return ReminderSetting::kOnce;
    return value >= 2 ? ReminderSetting::kNagMe : ReminderSetting::kNone;
}

}  // namespace

DiaryReminder::DiaryReminder(core::DataStoreSession& store, core::MessageReporter& reporter,
                             WallClock clock, QObject* parent)
    : QObject(parent), store_(store), reporter_(reporter), clock_(std::move(clock)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &DiaryReminder::Check);
}

QDateTime DiaryReminder::Now() const {
    return clock_ ? clock_() : QDateTime::currentDateTime();
}

void DiaryReminder::Start() {
    if (running_)
        return;
    running_ = true;
    waiting_.clear();
    shown_.reset();
    Load(core::kStyleInformation);
    emit runningChanged(true);
    Check();
}

void DiaryReminder::Stop() {
    if (!running_)
        return;
    running_ = false;
    timer_.stop();
    waiting_.clear();
    emit runningChanged(false);
}

bool DiaryReminder::Load(int failure_style) {
    entries_.clear();
    waiting_.clear();
    updater_.emplace(store_);
    loaded_generation_ = store_.store_generation();
    loaded_date_ = Now().date();
    const std::string today = DayText(loaded_date_);
    const std::string log = (store_.working_folder() / kDiaryLogName).string();
    const recordstore::Status read = recordstore::RecordLog::ForEachRecord(
        log, [this, &today](const recordstore::RecordLogEntry& entry) {
            const recordstore::RecordLine& line = entry.line;
            if (QString::fromStdString(line.FieldText(recordstore::record_field::kTextA))
                    .compare(QString::fromStdString(today), Qt::CaseInsensitive) == 0) {
                const ReminderSetting setting =
                    SettingOf(line.FieldText(recordstore::record_field::kKindNumber));
                entries_.push_back({line.FieldText(recordstore::record_field::kTextB),
                                    line.FieldText(recordstore::record_field::kContainerName),
                                    setting, today,
                                    line.DisplayField(recordstore::record_field::kSubject),
                                    setting == ReminderSetting::kNagMe});
            }
            return true;
        });
    if (read.ok())
        return true;
    qCDebug(lcDiaryReminder) << "Diary log not read:" << read.message().c_str();
    reporter_.ReportMessage(kDiaryReminderLogMissing, failure_style);
    return false;
}

void DiaryReminder::Append(ReminderEntry entry) {
    if (!running_ || entry.setting == ReminderSetting::kNone)
        return;
    const std::string today = DayText(Now().date());
    if (!entry.date.empty() && entry.date != today)
        return;
    entry.date = today;
    entry.line_nags = entry.setting == ReminderSetting::kNagMe;
    entries_.push_back(std::move(entry));
    Check();
}

void DiaryReminder::Check() {
    if (!running_)
        return;
    const QDateTime now = Now();
    const bool new_day = now.date() != loaded_date_;
    if (new_day || store_.store_generation() != loaded_generation_) {
        // A new day's table that cannot be read stops the reminder (the
        // failure is reported once); a new store's keeps it running empty.
        if (!Load(core::kStyleExclamation) && new_day) {
            Stop();
            return;
        }
    }
    FireDueEntries(now);
    ShowNext();
    Schedule(now);
}

void DiaryReminder::FireDueEntries(const QDateTime& now) {
    const QTime time_now(now.time().hour(), now.time().minute());
    for (std::size_t id = 0; id < entries_.size(); ++id) {
        ReminderEntry& entry = entries_[id];
        if (entry.setting == ReminderSetting::kNone)
            continue;
        const std::optional<QTime> at = EntryTime(entry.time);
        if (!at || *at > time_now)
            continue;
        const bool nag = entry.setting == ReminderSetting::kNagMe;
        entry.setting = ReminderSetting::kNone;
        if (!StillInLog(entry.container_name))
            continue;
        // A nagging line stays "2" until the user dismisses the entry.
        if (!entry.line_nags)
            SaveSetting(entry.container_name, "0");
        waiting_.push_back({id, entry.container_name, nag, entry.subject});
    }
}

void DiaryReminder::ShowNext() {
    if (shown_ || waiting_.empty())
        return;
    const DueReminder next = waiting_.front();
    waiting_.pop_front();
    shown_ = next.id;
    emit due(next);
}

bool DiaryReminder::StillInLog(const std::string& container_name) const {
    bool found = false;
    const std::string log = (store_.working_folder() / kDiaryLogName).string();
    recordstore::RecordLog::ForEachRecord(
        log, [&found, &container_name](const recordstore::RecordLogEntry& entry) {
            found =
                entry.line.FieldText(recordstore::record_field::kContainerName) == container_name;
            return !found;
        });
    return found;
}

void DiaryReminder::SaveSetting(const std::string& container_name, const char* setting) {
    if (!updater_ || !updater_->bound())
        return;
    const std::string log = (store_.working_folder() / kDiaryLogName).string();
    std::optional<recordstore::RecordLine> fired;
    recordstore::RecordLog::ForEachRecord(
        log, [&fired, &container_name](const recordstore::RecordLogEntry& entry) {
            if (entry.line.FieldText(recordstore::record_field::kContainerName) != container_name)
                return true;
            fired = entry.line;
            return false;
        });
    if (!fired || fired->FieldText(recordstore::record_field::kKindNumber) == setting)
        return;
    recordstore::RecordFields fields = fired->Fields();
    fields.kind_number = std::string(setting);
    const recordstore::RecordLineBuild built = recordstore::RecordLine::BuildRewrite(fields);
    core::RecordChange change;
    change.line.emplace();
    if (!built.status.ok() || !recordstore::RecordLine::Parse(built.bytes, &*change.line).ok())
        return;
    const core::RecordUpdateResult updated = updater_->Update(change);
    if (!updated.stored())
        qCWarning(lcDiaryReminder)
            << "The reminder setting was not saved:" << core::RecordUpdateStatusText(updated.status)
            << updated.detail.c_str();
}

void DiaryReminder::Schedule(const QDateTime& now) {
    qint64 sleep_ms = kReminderMaxSleep_ms;
    const QDateTime midnight(now.date().addDays(1), QTime(0, 0));
    sleep_ms = std::min(sleep_ms, now.msecsTo(midnight));
    for (const ReminderEntry& entry : entries_) {
        if (entry.setting == ReminderSetting::kNone)
            continue;
        if (const std::optional<QTime> at = EntryTime(entry.time)) {
            const qint64 until_ms = now.msecsTo(QDateTime(now.date(), *at));
            if (until_ms > 0)
                sleep_ms = std::min(sleep_ms, until_ms);
        }
    }
    timer_.start(static_cast<int>(std::max<qint64>(sleep_ms, 1)));
}

int DiaryReminder::scheduled_check_ms() const {
    return running_ && timer_.isActive() ? timer_.interval() : -1;
}

void DiaryReminder::Snooze(std::size_t id, int minutes) {
    if (id < entries_.size()) {
        const QTime at = Now().addSecs(std::int64_t{minutes} * 60).time();
        entries_[id].time = DiaryTimeText(at.hour(), at.minute());
        entries_[id].setting = ReminderSetting::kOnce;
    }
    Answered(id);
}

void DiaryReminder::PlayedWithNagMe(std::size_t id) {
    if (id < entries_.size()) {
        const QTime at = Now().addSecs(kNagAgain_s).time();
        entries_[id].time = DiaryTimeText(at.hour(), at.minute());
        entries_[id].setting = ReminderSetting::kNagMe;
        if (!entries_[id].line_nags) {
            entries_[id].line_nags = true;
            SaveSetting(entries_[id].container_name, "2");
        }
    }
    Answered(id);
}

void DiaryReminder::Dismiss(std::size_t id) {
    if (id < entries_.size() && entries_[id].line_nags) {
        entries_[id].line_nags = false;
        SaveSetting(entries_[id].container_name, "0");
    }
    Answered(id);
}

void DiaryReminder::Answered(std::size_t id) {
    if (shown_ == id)
        shown_.reset();
    Check();
}

}  // namespace kivo::diary

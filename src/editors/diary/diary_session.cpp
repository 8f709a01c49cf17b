// The diary recorder's logic beyond the shared span recording (see
// diary_session.h).
#include "kivo/diary/diary_session.h"

#include <QDateTime>

#include "kivo/core/profile_file.h"
#include "kivo/diary/diary_reminder.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_save.h"

namespace kivo::diary {

DiarySession::DiarySession(sound::AudioBackend& backend, recorder::RecorderTarget target,
                           core::MessageReporter& reporter, DiaryReminder* reminder,
                           QObject* parent)
    : QObject(parent),
      recording_(backend, std::move(target), reporter, recorder::RecorderKind::kDiary, this),
      reminder_(reminder) {}

int DiarySession::Open() {
    const recordstore::LocalDateTime now = recordstore::CurrentLocalTime();
    set_date(now.year, now.month, now.day);
    set_time(now.hour, now.minute);
    ReadAutoReminder();
    return recording_.Open();
}

void DiarySession::ReadAutoReminder() {
    const recorder::RecorderTarget& target = recording_.target();
    auto_reminder_ =
        target.profile != nullptr && target.profile->Read(target.profile_section, "ADiary") == "Y";
}

int DiarySession::OpenRecovered(const recorder::RecoveredTake& take) {
    if (const int opened = recording_.OpenRecovered(take); opened != 0)
        return opened;
    const recordstore::LocalDateTime now = recordstore::CurrentLocalTime();
    if (!SetDateAndTime(recording_.start_text())) {
        set_date(now.year, now.month, now.day);
        set_time(now.hour, now.minute);
    }
    ReadAutoReminder();
    return 0;
}

bool DiarySession::SetDateAndTime(const std::string& log_date) {
    const QDateTime when = QDateTime::fromString(QString::fromStdString(log_date),
                                                 QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    if (!when.isValid())
        return false;
    set_date(when.date().year(), when.date().month(), when.date().day());
    set_time(when.time().hour(), when.time().minute());
    return true;
}

void DiarySession::set_date(int year, int month, int day) {
    date_text_ = DiaryDateText(year, month, day);
}

void DiarySession::set_time(int hour, int minute) {
    time_text_ = DiaryTimeText(hour, minute);
}

int DiarySession::Save() {
    const ReminderSetting setting = reminder_setting();
    recorder::NewRecord record;
    record.fields.kind_code = std::string(recordstore::kind_code::kDiary);
    record.fields.text_a = date_text_;
    record.fields.text_b = time_text_;
    record.fields.subject = recording_.subject();
    record.fields.kind_number = std::to_string(static_cast<int>(setting));
    record.log = recordstore::RecordLogKind::kDiary;
    record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    const int result = recording_.Save(std::move(record));
    if (recording_.saved() && setting != ReminderSetting::kNone && reminder_ != nullptr &&
        reminder_->running()) {
        reminder_->Append({time_text_, recording_.files().container_name(), setting, date_text_,
                           recording_.subject()});
    }
    return result;
}

}  // namespace kivo::diary

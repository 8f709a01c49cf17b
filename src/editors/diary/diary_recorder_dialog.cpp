// The "Diary Recorder" dialog (see diary_recorder_dialog.h).
#include "kivo/diary/diary_recorder_dialog.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace kivo::diary {

DiaryRecorderDialog::DiaryRecorderDialog(sound::AudioBackend& backend,
                                         recorder::RecorderTarget target,
                                         core::MessageReporter& reporter, DiaryReminder* reminder,
                                         QWidget* parent)
    : SpanRecorderDialog(QStringLiteral("Diary Recorder"), QString::fromLatin1(kDiaryHelpTopic),
                         parent),
      session_(std::make_unique<DiarySession>(backend, std::move(target), reporter, reminder)) {
    Attach(session_->recording());
    calendar_ = new QCalendarWidget(this);
    auto* date_label = new QLabel(QStringLiteral("Diary &date"), this);
    date_label->setBuddy(calendar_);
    left_area()->addWidget(date_label);
    left_area()->addWidget(calendar_);
    auto* row = new QHBoxLayout;
    auto* time_label = new QLabel(QStringLiteral("Diary &time"), this);
    row->addWidget(time_label);
    time_ = new QTimeEdit(this);
    time_->setDisplayFormat(QStringLiteral("HH : mm"));
    time_label->setBuddy(time_);
    row->addWidget(time_);
    auto_reminder_ = new QCheckBox(QStringLiteral("Auto &Reminder"), this);
    nag_me_ = new QCheckBox(QStringLiteral("Na&g Me"), this);
    row->addWidget(auto_reminder_);
    row->addWidget(nag_me_);
    row->addStretch();
    left_area()->addLayout(row);
    connect(calendar_, &QCalendarWidget::selectionChanged, this,
            &DiaryRecorderDialog::PassFieldsToSession);
}

DiaryRecorderDialog::~DiaryRecorderDialog() = default;

bool DiaryRecorderDialog::Start() {
    if (session_->Open() != 0)
        return false;
    ShowSessionFields();
    return true;
}

bool DiaryRecorderDialog::StartRecovered(const recorder::RecoveredTake& take) {
    if (session_->OpenRecovered(take) != 0)
        return false;
    ShowOpenedRecording();
    ShowSessionFields();
    return true;
}

void DiaryRecorderDialog::ShowSessionFields() {
    const QDate day = QDate::fromString(QString::fromStdString(session_->date_text()),
                                        QStringLiteral("d/M/yyyy"));
    const QTime time =
        QTime::fromString(QString::fromStdString(session_->time_text()), QStringLiteral("HH:mm"));
    calendar_->setSelectedDate(day);
    time_->setTime(time);
    auto_reminder_->setChecked(session_->auto_reminder());
    PassFieldsToSession();
}

void DiaryRecorderDialog::PassFieldsToSession() {
    const QDate day = calendar_->selectedDate();
    session_->set_date(day.year(), day.month(), day.day());
    session_->set_time(time_->time().hour(), time_->time().minute());
    session_->set_auto_reminder(auto_reminder_->isChecked());
    session_->set_nag_me(nag_me_->isChecked());
}

int DiaryRecorderDialog::SaveRecord() {
    PassFieldsToSession();
    return session_->Save();
}

recorder::CloseOutcome DiaryRecorderDialog::CloseRecord() {
    PassFieldsToSession();
    return session_->Close();
}

}  // namespace kivo::diary

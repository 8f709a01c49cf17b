// "Kivo Meeting Costs & Timer" (see offline_meeting_dialog.h).
#include "kivo/meeting/offline_meeting_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <cstdio>

#include "kivo/core/profile_file.h"
#include "kivo/meeting/meeting_recorder_dialog.h"
#include "kivo/meeting/times_and_costs_dialog.h"
#include "kivo/recordstore/clock.h"

namespace kivo::meeting {

OfflineMeetingDialog::OfflineMeetingDialog(core::ProfileFile* profile, std::string section,
                                           QWidget* parent, OfflineMeeting::MonotonicClock clock,
                                           OfflineMeeting::TimeOfDay time_of_day)
    : QDialog(parent),
      profile_(profile),
      section_(std::move(section)),
      meeting_(clock ? std::move(clock)
                     : OfflineMeeting::MonotonicClock([this] { return machine_clock_.elapsed(); }),
               time_of_day ? std::move(time_of_day) : OfflineMeeting::TimeOfDay([] {
                   return QTime::currentTime().msecsSinceStartOfDay() / 1000;
               })),
      timer_(new QTimer(this)) {
    machine_clock_.start();
    ask_remind_minutes = [this] { return AskRemindMinutes(this); };
    setWindowTitle(QStringLiteral("Kivo Meeting Costs & Timer"));
    if (profile_ != nullptr) {
        meeting_.meter().set_currency(
            profile_->Find(section_, "Currency").value_or(kDefaultCurrency));
        meeting_.meter().set_cost_per_hour(
            ParseCostPerHour(profile_->Find(section_, "MeetCost").value_or("")));
    } else {
        meeting_.meter().set_currency(kDefaultCurrency);
    }
    auto* form = new QFormLayout(this);
    duration_ = new QLabel(this);
    cost_ = new QLabel(this);
    time_left_ = new QLabel(this);
    form->addRow(QStringLiteral("Duration"), duration_);
    form->addRow(QStringLiteral("Cost"), cost_);
    form->addRow(QStringLiteral("Time left"), time_left_);
    auto* row = new QHBoxLayout;
    start_ = new QPushButton(QStringLiteral("&Start"), this);
    pause_ = new QPushButton(QStringLiteral("&Pause"), this);
    stop_ = new QPushButton(QStringLiteral("S&top"), this);
    auto* settings = new QPushButton(QStringLiteral("S&ettings..."), this);
    for (QPushButton* button : {start_, pause_, stop_, settings}) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    form->addRow(row);
    alarm_ = new QCheckBox(QStringLiteral("Alarm On"), this);
    alarm_->setChecked(true);
    form->addRow(alarm_);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    form->addRow(close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(start_, &QPushButton::clicked, this, [this] {
        meeting_.Start();
        ShowState();
    });
    connect(pause_, &QPushButton::clicked, this, [this] {
        meeting_.Pause();
        ShowState();
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        meeting_.Stop();
        ShowState();
    });
    connect(settings, &QPushButton::clicked, this, [this] {
        TimesAndCostsDialog box({planned_start_, meeting_.meter().planned_end(),
                                 meeting_.meter().cost_per_hour(), meeting_.meter().currency()},
                                this);
        if (box.exec() == QDialog::Accepted)
            ApplyTimesAndCosts(box.settings());
    });
    timer_->setInterval(200);
    connect(timer_, &QTimer::timeout, this, &OfflineMeetingDialog::Refresh);
    timer_->start();
    ShowState();
}

void OfflineMeetingDialog::ApplyTimesAndCosts(const TimesAndCosts& settings) {
    planned_start_ = settings.planned_start;
    meeting_.meter().set_planned_end(settings.planned_end);
    meeting_.meter().set_cost_per_hour(settings.cost_per_hour);
    meeting_.meter().set_currency(settings.currency);
    if (profile_ != nullptr) {
        char cost[32] = "";
        if (settings.cost_per_hour)
            std::snprintf(cost, sizeof cost, "%.2f", *settings.cost_per_hour);
        profile_->Write(section_, "MeetCost", cost);
        profile_->Write(section_, "Currency", settings.currency);
    }
    Refresh();
}

void OfflineMeetingDialog::Refresh() {
    const bool alarm = meeting_.Refresh();
    duration_->setText(QString::fromStdString(recordstore::DurationText(meeting_.elapsed_ms())));
    const std::string cost = meeting_.meter().cost_text();
    cost_->setText(cost.empty() ? QStringLiteral("No cost per hour set")
                                : QString::fromStdString(cost));
    time_left_->setText(meeting_.meter().planned_end().empty()
                            ? QStringLiteral("No planned end set")
                            : QString::fromStdString(meeting_.meter().time_left_text()));
    time_left_->setStyleSheet(meeting_.meter().over_run() ? QStringLiteral("color: red;")
                                                          : QString());
    if (alarm && alarm_->isChecked()) {
        const int minutes = ask_remind_minutes ? ask_remind_minutes() : 0;
        if (minutes > 0)
            meeting_.meter().set_planned_end(AddMinutes(meeting_.meter().planned_end(), minutes));
    }
}

void OfflineMeetingDialog::ShowState() {
    start_->setEnabled(!meeting_.running());
    pause_->setEnabled(meeting_.running());
    pause_->setText(meeting_.paused() ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    stop_->setEnabled(meeting_.running());
    Refresh();
}

}  // namespace kivo::meeting

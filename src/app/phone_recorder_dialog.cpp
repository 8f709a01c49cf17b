// The Phone Recorder window (see phone_recorder_dialog.h).
#include "phone_recorder_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "kivo/core/user_messages.h"
#include "kivo/phone/phone_book.h"
#include "kivo/recorder/dialog_button.h"
#include "kivo/recordstore/clock.h"
#include "phone_book_dialog.h"
#include "phone_cost_dialog.h"
#include "ring_sound.h"

namespace kivo::app {
namespace {

using phone::CallStage;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

const char* StageText(CallStage stage) {
    switch (stage) {
        case CallStage::kIdle:
            return "Ready to dial";
        case CallStage::kPlacing:
            return "Calling...";
        case CallStage::kRecording:
            return "Recording";
        case CallStage::kPaused:
            return "Recording paused";
        case CallStage::kConnected:
            return "Connected";
        case CallStage::kStopped:
            return "Recording stopped";
        case CallStage::kEnded:
            return "Call ended";
    }
    return "";
}

QLabel* SunkenText(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(150);
    return label;
}

}  // namespace

PhoneRecorderDialog::PhoneRecorderDialog(telephony::TapiLibrary& library,
                                         recorder::RecorderTarget target,
                                         core::MessageReporter& reporter,
                                         std::filesystem::path phone_book,
                                         std::function<void()> commit, QWidget* parent)
    : QDialog(parent),
      recorder_(std::make_unique<phone::CallRecorder>(library, std::move(target), reporter)),
      reporter_(reporter),
      phone_book_(std::move(phone_book)),
      commit_(std::move(commit)) {
    setWindowTitle(QStringLiteral("Phone Recorder"));
    setModal(false);
    BuildFields();
    loop_ = new QTimer(this);
    loop_->setInterval(kPhoneRecorderRefreshMs);
    connect(loop_, &QTimer::timeout, this, &PhoneRecorderDialog::Refresh);
    loop_->start();
    Refresh();
    UpdateButtons();
}

PhoneRecorderDialog::~PhoneRecorderDialog() = default;

void PhoneRecorderDialog::BuildFields() {
    caller_name_ = new QLineEdit(this);
    caller_name_->setObjectName(QStringLiteral("callerName"));
    caller_name_->setMaxLength(50);
    number_ = new QLineEdit(this);
    number_->setObjectName(QStringLiteral("phoneNumber"));
    number_->setMaxLength(static_cast<int>(phone::kDialNumberMaxChars));
    keywords_ = new QLineEdit(this);
    keywords_->setObjectName(QStringLiteral("keywords"));
    comment_ = new QLineEdit(this);
    comment_->setObjectName(QStringLiteral("indexComment"));
    comment_->setMaxLength(49);
    comment_->setPlaceholderText(QStringLiteral("Index comment"));
    time_limit_ = new QLineEdit(this);
    time_limit_->setObjectName(QStringLiteral("timeLimit"));
    time_limit_->setPlaceholderText(QStringLiteral("HH:MM"));
    time_limit_->setMaxLength(5);
    alarm_on_ = new QCheckBox(QStringLiteral("A&larm On"), this);
    alarm_on_->setObjectName(QStringLiteral("alarmOn"));
    alarm_on_->setChecked(true);

    start_ = SunkenText("startTime", this);
    end_ = SunkenText("endTime", this);
    duration_ = SunkenText("duration", this);
    cost_ = SunkenText("cost", this);
    time_left_ = SunkenText("timeRemaining", this);
    stage_ = SunkenText("callState", this);

    auto named = [this](const char* text, const char* name) {
        QPushButton* button = recorder::DialogButton(QString::fromUtf8(text), this);
        button->setObjectName(QLatin1String(name));
        return button;
    };
    QPushButton* dial = named("&DIAL", "dial");
    QPushButton* pickup = named("&PICKUP", "pickup");
    QPushButton* pause = named("P&AUSE", "pause");
    QPushButton* stop = named("&STOP", "stop");
    QPushButton* hangup = named("HAN&GUP", "hangup");
    QPushButton* mark = named("&MARK", "mark");
    QPushButton* name = named("Nam&e...", "name");
    QPushButton* add = named("Add to Phone&Book", "addToPhoneBook");
    QPushButton* settings = named("Se&ttings...", "settings");

    auto* caller = new QFormLayout;
    caller->addRow(QStringLiteral("&Caller name:"), caller_name_);
    caller->addRow(QStringLiteral("Phone n&umber:"), number_);
    auto* book_row = new QHBoxLayout;
    book_row->addWidget(name);
    book_row->addWidget(add);
    book_row->addStretch();
    caller->addRow(QString(), book_row);
    caller->addRow(QStringLiteral("&Keywords:"), keywords_);

    auto* times = new QFormLayout;
    times->addRow(QStringLiteral("Start time:"), start_);
    times->addRow(QStringLiteral("End time:"), end_);
    times->addRow(QStringLiteral("Duration:"), duration_);
    times->addRow(QStringLiteral("Call:"), stage_);

    auto* cost_group = new QGroupBox(QStringLiteral("Cost and Time Remaining"), this);
    auto* cost_layout = new QFormLayout(cost_group);
    cost_layout->addRow(QStringLiteral("Cost:"), cost_);
    cost_layout->addRow(QStringLiteral("Time remaining:"), time_left_);
    auto* limit_row = new QHBoxLayout;
    limit_row->addWidget(time_limit_);
    limit_row->addWidget(alarm_on_);
    auto* limit_label = new QLabel(QStringLiteral("T&ime limit:"), cost_group);
    limit_label->setBuddy(time_limit_);
    cost_layout->addRow(limit_label, limit_row);
    cost_layout->addRow(QString(), settings);

    auto* meter = new QHBoxLayout;
    meter->setSpacing(2);
    for (int i = 0; i < kPhoneLevelBars; ++i) {
        auto* bar = new QProgressBar(this);
        bar->setObjectName(QStringLiteral("level%1").arg(i));
        bar->setRange(0, 100);
        bar->setTextVisible(false);
        bar->setOrientation(Qt::Vertical);
        bar->setFixedWidth(10);
        bar->setMinimumHeight(60);
        bars_[static_cast<std::size_t>(i)] = bar;
        meter->addWidget(bar);
    }

    marks_ = new QTreeWidget(this);
    marks_->setObjectName(QStringLiteral("indexList"));
    marks_->setRootIsDecorated(false);
    marks_->setHeaderLabels({QStringLiteral("Comments"), QStringLiteral("Time Stamp")});
    marks_->header()->resizeSection(0, 260);
    marks_->setMinimumHeight(90);
    auto* mark_row = new QHBoxLayout;
    auto* comment_label = new QLabel(QStringLiteral("Inde&x comment:"), this);
    comment_label->setBuddy(comment_);
    mark_row->addWidget(comment_label);
    mark_row->addWidget(comment_);
    mark_row->addWidget(mark);

    auto* transport = new QHBoxLayout;
    for (QPushButton* button : {dial, pickup, pause, stop, hangup})
        transport->addWidget(button);

    auto* top = new QHBoxLayout;
    top->addLayout(caller, 3);
    top->addLayout(times, 2);
    auto* middle = new QHBoxLayout;
    middle->addWidget(cost_group, 3);
    middle->addLayout(meter, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addLayout(transport);
    layout->addLayout(mark_row);
    layout->addWidget(marks_);
    const recorder::OkCancelHelp row = recorder::AddOkCancelHelpRow(layout, this);
    row.ok->setObjectName(QStringLiteral("ok"));
    row.cancel->setObjectName(QStringLiteral("cancel"));
    row.help->setObjectName(QStringLiteral("help"));

    connect(dial, &QPushButton::clicked, this, &PhoneRecorderDialog::Dial);
    connect(pickup, &QPushButton::clicked, this, &PhoneRecorderDialog::Pickup);
    connect(pause, &QPushButton::clicked, this, &PhoneRecorderDialog::Pause);
    connect(stop, &QPushButton::clicked, this, &PhoneRecorderDialog::Stop);
    connect(hangup, &QPushButton::clicked, this, &PhoneRecorderDialog::HangUp);
    connect(mark, &QPushButton::clicked, this, &PhoneRecorderDialog::Mark);
    connect(comment_, &QLineEdit::returnPressed, this, &PhoneRecorderDialog::Mark);
    connect(name, &QPushButton::clicked, this, &PhoneRecorderDialog::ChooseFromPhoneBook);
    connect(add, &QPushButton::clicked, this, &PhoneRecorderDialog::AddToPhoneBook);
    connect(settings, &QPushButton::clicked, this, &PhoneRecorderDialog::ChangeCostSettings);
    connect(row.ok, &QPushButton::clicked, this, &PhoneRecorderDialog::Save);
    connect(row.cancel, &QPushButton::clicked, this, &PhoneRecorderDialog::reject);
    connect(row.help, &QPushButton::clicked, this,
            [this] { emit helpRequested(QStringLiteral("phone-recorder.htm")); });
    connect(caller_name_, &QLineEdit::textEdited, this,
            [this](const QString& text) { recorder_->set_caller_name(text.toStdString()); });
    connect(number_, &QLineEdit::textEdited, this,
            [this](const QString& text) { recorder_->set_caller_number(text.toStdString()); });
    connect(keywords_, &QLineEdit::textChanged, this,
            [this](const QString& text) { recorder_->set_keywords(text.toStdString()); });
    connect(time_limit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { recorder_->set_time_limit(text.toStdString()); });
    connect(alarm_on_, &QCheckBox::toggled, this, [this](bool on) { recorder_->set_alarm_on(on); });
}

QPushButton* PhoneRecorderDialog::button(const char* name) const {
    return findChild<QPushButton*>(QLatin1String(name));
}

void PhoneRecorderDialog::ShowCaller(const QString& name, const QString& number) {
    caller_name_->setText(name);
    number_->setText(number.left(static_cast<int>(phone::kDialNumberMaxChars)));
    recorder_->set_caller_name(name.toStdString());
    recorder_->set_caller_number(number_->text().toStdString());
}

void PhoneRecorderDialog::Dial() {
    const bool was_saved = recorder_->saved();
    const bool placed = recorder_->Dial(number_->text().toStdString());
    if (!was_saved && recorder_->saved())
        emit saved();  // the last call, saved before this one
    if (placed) {
        marks_->clear();
        end_->clear();
        ShowCaller(Text(recorder_->caller_name()), Text(recorder_->caller_number()));
    }
    UpdateButtons();
    Refresh();
}

bool PhoneRecorderDialog::StartRecovered(const recorder::RecoveredTake& take) {
    if (!recorder_->StartRecovered(take))
        return false;
    ShowCaller(Text(recorder_->caller_name()), Text(recorder_->caller_number()));
    keywords_->setText(Text(recorder_->keywords()));
    ShowMarks();
    ShowTimes();
    UpdateButtons();
    Refresh();
    return true;
}

void PhoneRecorderDialog::LineMessage(int message) {
    if (!recorder_->HandleMessage(message))
        return;
    ShowTimes();
    UpdateButtons();
    Refresh();
}

void PhoneRecorderDialog::LineClosed() {
    recorder_->LineClosed();
    ShowTimes();
    UpdateButtons();
}

void PhoneRecorderDialog::Pickup() {
    recorder_->Pickup();
    UpdateButtons();
    comment_->setFocus();
}

void PhoneRecorderDialog::Pause() {
    recorder_->Pause();
    UpdateButtons();
    if (recorder_->stage() == CallStage::kPaused)
        button("pause")->setFocus();
    else
        comment_->setFocus();
}

void PhoneRecorderDialog::Stop() {
    recorder_->Stop();
    UpdateButtons();
}

void PhoneRecorderDialog::HangUp() {
    recorder_->HangUp();
    ShowTimes();
    UpdateButtons();
}

void PhoneRecorderDialog::Mark() {
    if (!recorder_->AddMark(comment_->text().toStdString()))
        return;
    comment_->clear();
    ShowMarks();
}

void PhoneRecorderDialog::ShowMarks() {
    marks_->clear();
    for (const recorder::RecorderMark& mark : recorder_->marks()) {
        auto* item = new QTreeWidgetItem(
            marks_, {Text(mark.comment), Text(recordstore::DurationText(mark.time_ms))});
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
}

void PhoneRecorderDialog::Save() {
    if (!recorder_->has_unsaved_recording())
        return;
    if (recorder_->Save() > 0 && !recorder_->saved())
        return;  // reported; the recording stays for another try
    emit saved();
    loop_->stop();
    accept();
}

bool PhoneRecorderDialog::CloseAskingToSave() {
    const bool was_saved = recorder_->saved();
    const recorder::CloseOutcome outcome = recorder_->Close();
    if (!was_saved && recorder_->saved())
        emit saved();
    if (outcome == recorder::CloseOutcome::kSaveFailed) {
        UpdateButtons();
        return false;
    }
    loop_->stop();
    QDialog::reject();
    return true;
}

void PhoneRecorderDialog::reject() {
    CloseAskingToSave();
}

void PhoneRecorderDialog::ChooseFromPhoneBook() {
    PhoneBookDialog book(phone_book_, reporter_, commit_, this);
    if (book.exec() != QDialog::Accepted)
        return;
    if (const auto entry = book.chosen())
        ShowCaller(Text(entry->name), Text(entry->number));
}

void PhoneRecorderDialog::AddToPhoneBook() {
    const phone::PhoneBook book(phone_book_);
    const int code = book.Append(caller_name_->text().toStdString(), number_->text().toStdString());
    if (code != 0) {
        reporter_.ReportMessage(code, core::kStyleExclamation);
        return;
    }
    if (commit_)
        commit_();
}

void PhoneRecorderDialog::ChangeCostSettings() {
    PhoneCostDialog settings(recorder_->cost_per_minute(), Text(recorder_->currency()), this);
    if (settings.exec() != QDialog::Accepted)
        return;
    recorder_->ApplyCostSettings(settings.cost_per_minute(), settings.currency().toStdString());
    Refresh();
}

void PhoneRecorderDialog::ShowTimes() {
    start_->setText(Text(recorder_->start_log_date()));
    end_->setText(Text(recorder_->end_log_date()));
    stage_->setText(QString::fromLatin1(StageText(recorder_->stage())));
}

void PhoneRecorderDialog::Refresh() {
    const phone::CallFigures figures = recorder_->Refresh();
    duration_->setText(Text(figures.duration_text));
    cost_->setText(Text(figures.cost_text));
    time_left_->setText(Text(figures.time_left_text));
    StyleFigures(figures.over_limit);
    for (QProgressBar* bar : bars_)
        bar->setValue(figures.level);
    if (figures.caller_arrived)
        ShowCaller(Text(recorder_->caller_name()), Text(recorder_->caller_number()));
    if (figures.alarm)
        RaiseTimeLimitAlarm();
}

// Highlighted ("HighLight"): bold on black, the cost green and the time
// left green, or red once the call is over its limit.
void PhoneRecorderDialog::StyleFigures(bool over_limit) {
    if (!recorder_->highlight()) {
        cost_->setStyleSheet(QString());
        time_left_->setStyleSheet(over_limit ? QStringLiteral("QLabel { color: red; }")
                                             : QString());
        return;
    }
    const QString highlighted =
        QStringLiteral("QLabel { font-weight: bold; background-color: black; color: %1; }");
    cost_->setStyleSheet(highlighted.arg(QStringLiteral("lime")));
    time_left_->setStyleSheet(
        highlighted.arg(over_limit ? QStringLiteral("red") : QStringLiteral("lime")));
}

void PhoneRecorderDialog::RaiseTimeLimitAlarm() {
    if (alarm_box_ != nullptr)
        return;
    // Not modal: the call and its recording go on while it is shown.
    alarm_box_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Phone Recorder"),
                                 QString::fromLatin1(kTimeLimitReachedText), QMessageBox::Ok, this);
    alarm_box_->setObjectName(QStringLiteral("timeLimitAlarm"));
    alarm_box_->setAttribute(Qt::WA_DeleteOnClose);
    alarm_box_->setWindowModality(Qt::NonModal);
    if (sound_folder_.empty()) {
        QApplication::beep();
    } else {
        // Sounds over and over until the notice is closed.
        auto* sound = new RingSound(alarm_box_, sound_folder_, kAlarmWaveName);
        sound->setObjectName(QStringLiteral("alarmSound"));
    }
    alarm_box_->show();
}

void PhoneRecorderDialog::UpdateButtons() {
    const phone::PhoneRecorderButtons on = recorder_->Buttons();
    button("ok")->setEnabled(on.ok);
    button("dial")->setEnabled(on.dial);
    button("pickup")->setEnabled(on.pickup);
    button("pause")->setEnabled(on.pause);
    button("stop")->setEnabled(on.stop);
    button("hangup")->setEnabled(on.hangup);
    button("mark")->setEnabled(on.mark);
    button("pause")->setText(recorder_->stage() == CallStage::kPaused ? QStringLiteral("&RESUME")
                                                                      : QStringLiteral("P&AUSE"));
    stage_->setText(QString::fromLatin1(StageText(recorder_->stage())));
}

QString PhoneRecorderDialog::duration_text() const {
    return duration_->text();
}

QString PhoneRecorderDialog::cost_text() const {
    return cost_->text();
}

QString PhoneRecorderDialog::time_left_text() const {
    return time_left_->text();
}

int PhoneRecorderDialog::level(int bar) const {
    return bars_.at(static_cast<std::size_t>(bar))->value();
}

}  // namespace kivo::app

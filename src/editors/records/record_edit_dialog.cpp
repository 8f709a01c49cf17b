// The record edit dialogs: controls of the record's kind laid out, the
// session's values shown, the user's values passed back on OK and close.
#include "kivo/records/record_edit_dialog.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "kivo/recorder/dialog_button.h"
#include "kivo/recorder/picture_frame.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::records {
namespace {

QLabel* ReadOnly(const std::string& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLineEdit* Edit(const std::string& text, const char* name, std::size_t max_bytes, QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(static_cast<int>(max_bytes));
    return edit;
}

}  // namespace

RecordEditDialog::RecordEditDialog(core::DataStoreSession& store, core::MessageReporter& reporter,
                                   QWidget* parent)
    : QDialog(parent), session_(std::make_unique<RecordEditSession>(store, reporter)) {}

RecordEditDialog::~RecordEditDialog() = default;

bool RecordEditDialog::Start(const std::string& container_name) {
    if (session_->Open(container_name) != 0)
        return false;
    setWindowTitle(QString::fromLatin1(EditorTitle(session_->kind())));
    BuildControls();
    return true;
}

void RecordEditDialog::BuildControls() {
    const EditorKind kind = session_->kind();
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    form->addRow(QStringLiteral("Kivo ID"), ReadOnly(session_->KivoId(), "kivoId", this));
    if (kind == EditorKind::kPhone) {
        party_name_ = Edit(session_->party_name(), "name", recordstore::kPartyNameMaxBytes, this);
        form->addRow(QStringLiteral("Na&me"), party_name_);
        phone_number_ =
            Edit(session_->phone_number(), "phoneNumber", recordstore::kSubjectMaxBytes, this);
        form->addRow(QStringLiteral("Phone n&umber"), phone_number_);
        form->addRow(QStringLiteral("Phone Cost"),
                     ReadOnly(session_->CostText(), "phoneCost", this));
    } else {
        subject_ = Edit(session_->subject(), "subject", recordstore::kSubjectMaxBytes, this);
        form->addRow(QStringLiteral("Su&bject"), subject_);
    }
    if (kind == EditorKind::kMeeting) {
        form->addRow(QStringLiteral("Meeting Cost"),
                     ReadOnly(session_->CostText(), "meetingCost", this));
    }
    if (kind == EditorKind::kDiary) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setObjectName(QStringLiteral("diaryDay"));
        if (const auto date = session_->diary_date()) {
            const QDate stored(date->year, date->month, date->day);
            if (stored.isValid())
                calendar_->setSelectedDate(stored);
        }
        auto* day_label = new QLabel(QStringLiteral("&Day"), this);
        day_label->setBuddy(calendar_);
        form->addRow(day_label, calendar_);
        diary_time_ = new QTimeEdit(this);
        diary_time_->setObjectName(QStringLiteral("diaryTime"));
        diary_time_->setDisplayFormat(QStringLiteral("HH : mm"));
        const auto time = session_->diary_time();
        diary_time_->setTime(time ? QTime(time->hour, time->minute) : QTime::currentTime());
        form->addRow(QStringLiteral("Diary &time"), diary_time_);
        auto* reminders = new QHBoxLayout;
        auto_reminder_ = new QCheckBox(QStringLiteral("&Auto Reminder"), this);
        nag_me_ = new QCheckBox(QStringLiteral("Na&g Me"), this);
        auto_reminder_->setChecked(session_->auto_reminder());
        nag_me_->setChecked(session_->nag_me());
        reminders->addWidget(auto_reminder_);
        reminders->addWidget(nag_me_);
        reminders->addStretch();
        form->addRow(QString(), reminders);
    }
    form->addRow(QStringLiteral("Start Time"), ReadOnly(session_->StartText(), "startTime", this));
    form->addRow(QStringLiteral("End Time"), ReadOnly(session_->EndText(), "endTime", this));
    form->addRow(QStringLiteral("Duration"), ReadOnly(session_->DurationText(), "duration", this));
    keywords_ = new QPlainTextEdit(QString::fromStdString(session_->keywords()), this);
    keywords_->setObjectName(QStringLiteral("keywords"));
    keywords_->setFixedHeight(64);
    keywords_->setTabChangesFocus(true);
    form->addRow(QStringLiteral("&Keywords"), keywords_);

    if (kind != EditorKind::kDictation)
        layout->addWidget(BuildPictureFrame());

    const recorder::OkCancelHelp buttons = recorder::AddOkCancelHelpRow(layout, this);
    ok_ = buttons.ok;
    cancel_ = buttons.cancel;
    help_ = buttons.help;
    connect(ok_, &QPushButton::clicked, this, &RecordEditDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &RecordEditDialog::OnCancel);
    connect(help_, &QPushButton::clicked, this,
            [this] { emit helpRequested(QString::fromLatin1(EditorHelpTopic(session_->kind()))); });
    ShowPicture();
}

QWidget* RecordEditDialog::BuildPictureFrame() {
    picture_ = new recorder::PictureFrame(
        QStringLiteral("Insert &Picture"), [this] { return session_->has_picture(); }, this);
    connect(picture_, &recorder::PictureFrame::insertRequested, this,
            &RecordEditDialog::OnInsertPicture);
    connect(picture_, &recorder::PictureFrame::removeRequested, this,
            &RecordEditDialog::DetachPicture);
    return picture_;
}

void RecordEditDialog::ShowPicture() {
    if (picture_ == nullptr)
        return;
    picture_->Show(session_->has_picture()
                       ? QString::fromStdString(session_->PictureToShow().string())
                       : QString());
}

std::unique_ptr<QMenu> RecordEditDialog::BuildPictureMenu() {
    if (picture_ == nullptr)
        return nullptr;
    return picture_->BuildMenu();
}

bool RecordEditDialog::AttachPicture(const QString& file) {
    if (QPixmap(file).isNull() || !session_->ChoosePicture(file.toStdString()))
        return false;
    ShowPicture();
    return true;
}

void RecordEditDialog::DetachPicture() {
    session_->RemovePicture();
    ShowPicture();
}

void RecordEditDialog::OnInsertPicture() {
    const QString chosen = recorder::PictureFrame::ChooseFile(this);
    if (!chosen.isEmpty())
        AttachPicture(chosen);
}

void RecordEditDialog::PassFieldsToSession() {
    if (subject_ != nullptr)
        session_->set_subject(subject_->text().toStdString());
    if (party_name_ != nullptr)
        session_->set_party_name(party_name_->text().toStdString());
    if (phone_number_ != nullptr)
        session_->set_phone_number(phone_number_->text().toStdString());
    if (keywords_ != nullptr)
        session_->set_keywords(keywords_->toPlainText().toStdString());
    if (calendar_ != nullptr) {
        const QDate day = calendar_->selectedDate();
        session_->set_diary_date({day.day(), day.month(), day.year()});
    }
    if (diary_time_ != nullptr)
        session_->set_diary_time({diary_time_->time().hour(), diary_time_->time().minute()});
    if (auto_reminder_ != nullptr)
        session_->set_reminder(auto_reminder_->isChecked(), nag_me_->isChecked());
}

void RecordEditDialog::OnOk() {
    if (closing_)
        return;
    closing_ = true;
    PassFieldsToSession();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session_->Save();
    QApplication::restoreOverrideCursor();
    Finish(session_->saved() ? CloseOutcome::kSaved : CloseOutcome::kSaveFailed);
}

void RecordEditDialog::OnCancel() {
    if (closing_)
        return;
    closing_ = true;
    PassFieldsToSession();
    Finish(session_->Cancel());
}

void RecordEditDialog::Finish(CloseOutcome outcome) {
    done(outcome == CloseOutcome::kSaved ? QDialog::Accepted : QDialog::Rejected);
}

void RecordEditDialog::reject() {
    if (closing_) {
        QDialog::reject();
        return;
    }
    closing_ = true;
    PassFieldsToSession();
    Finish(session_->Close());
}

void RecordEditDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && session_->is_open()) {
        emit helpRequested(QString::fromLatin1(EditorHelpTopic(session_->kind())));
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses a focused button and moves on from a field; it
        // never closes the dialog by accident.
        if (!recorder::PressFocusedButton(this))
            focusNextChild();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kivo::records

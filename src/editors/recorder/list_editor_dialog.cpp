// The frame of the component list editors (see list_editor_dialog.h).
#include "kivo/recorder/list_editor_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "kivo/core/data_store_session.h"
#include "kivo/core/user_messages.h"

namespace kivo::recorder {
namespace {

ListEditorDialog::SaveAnswer AskToSave(QWidget* parent, const QString& entry_name) {
    QMessageBox box(QMessageBox::Question, parent->windowTitle(),
                    QStringLiteral("Save the changes to \"%1\"?").arg(entry_name),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    // Enter saves and Esc cancels; Discard needs a letter of its own.
    box.button(QMessageBox::Save)->setText(QStringLiteral("&Save"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("&Discard"));
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (answer == QMessageBox::Save)
        return ListEditorDialog::SaveAnswer::kSave;
    return answer == QMessageBox::Discard ? ListEditorDialog::SaveAnswer::kDiscard
                                          : ListEditorDialog::SaveAnswer::kStay;
}

}  // namespace

ListEditorDialog::ListEditorDialog(const QString& title, const QString& list_label,
                                   const QString& help_topic, core::MessageReporter& reporter,
                                   int save_failure_code, QWidget* parent)
    : QDialog(parent), reporter_(reporter), save_failure_code_(save_failure_code) {
    setWindowTitle(title);
    ask_to_save = [this](const QString& name) { return AskToSave(this, name); };
    auto* columns = new QHBoxLayout;
    auto* list_column = new QVBoxLayout;
    auto* label = new QLabel(list_label, this);
    list_ = new QListWidget(this);
    list_->setMinimumWidth(200);
    label->setBuddy(list_);
    list_column->addWidget(label);
    list_column->addWidget(list_, 1);
    columns->addLayout(list_column, 1);
    fields_ = new QVBoxLayout;
    columns->addLayout(fields_, 2);
    buttons_ = new QHBoxLayout;
    new_ = new QPushButton(QStringLiteral("&New"), this);
    delete_ = new QPushButton(QStringLiteral("&Delete"), this);
    save_ = new QPushButton(QStringLiteral("&Save"), this);
    close_ = new QPushButton(QStringLiteral("&Close"), this);
    help_ = new QPushButton(QStringLiteral("&Help"), this);
    for (QPushButton* button : {new_, delete_, save_})
        buttons_->addWidget(button);
    buttons_->addStretch(1);
    buttons_->addWidget(close_);
    buttons_->addWidget(help_);
    for (QPushButton* button : {new_, delete_, save_, close_, help_})
        button->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons_);

    connect(new_, &QPushButton::clicked, this, &ListEditorDialog::NewEntry);
    connect(delete_, &QPushButton::clicked, this, &ListEditorDialog::DeleteEntry);
    connect(save_, &QPushButton::clicked, this, &ListEditorDialog::SaveFields);
    connect(close_, &QPushButton::clicked, this, &ListEditorDialog::reject);
    connect(help_, &QPushButton::clicked, this,
            [this, help_topic] { emit helpRequested(help_topic); });
    connect(list_, &QListWidget::currentRowChanged, this, &ListEditorDialog::Choose);
    resize(720, 420);
}

QPushButton* ListEditorDialog::AddActionButton(const QString& text) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    buttons_->insertWidget(3 + static_cast<int>(action_buttons_.size()), button);
    action_buttons_.push_back(button);
    return button;
}

void ListEditorDialog::SetFieldsTabOrder(const std::vector<QWidget*>& fields) {
    std::vector<QWidget*> order = {list_};
    order.insert(order.end(), fields.begin(), fields.end());
    order.insert(order.end(), {new_, delete_, save_});
    order.insert(order.end(), action_buttons_.begin(), action_buttons_.end());
    order.insert(order.end(), {close_, help_});
    for (std::size_t at = 1; at < order.size(); ++at)
        setTabOrder(order[at - 1], order[at]);
    first_field_ = fields.empty() ? nullptr : fields.front();
}

void ListEditorDialog::ShowEntries(int row) {
    showing_ = true;
    list_->clear();
    list_->addItems(EntryTitles());
    chosen_ = row < list_->count() ? row : -1;
    list_->setCurrentRow(chosen_);
    ShowEntry(chosen_);
    showing_ = false;
    SetEdited(false);
    delete_->setEnabled(chosen_ >= 0);
}

void ListEditorDialog::Choose(int row) {
    if (showing_ || row == chosen_)
        return;
    if (!MayLeaveEntry()) {
        showing_ = true;
        list_->setCurrentRow(chosen_);  // back to the edited entry
        showing_ = false;
        return;
    }
    ShowEntries(row);
}

void ListEditorDialog::MarkEdited() {
    if (!showing_)
        SetEdited(true);
}

void ListEditorDialog::SetEdited(bool edited) {
    edited_ = edited;
    save_->setEnabled(edited);
}

bool ListEditorDialog::MayLeaveEntry() {
    if (!edited_)
        return true;
    switch (ask_to_save(FieldsTitle())) {
        case SaveAnswer::kSave:
            return SaveFields();
        case SaveAnswer::kDiscard:
            return true;
        case SaveAnswer::kStay:
            return false;
    }
    return false;
}

bool ListEditorDialog::SaveFields() {
    const QString problem = FieldsProblem();
    if (!problem.isEmpty()) {
        reporter_.ReportText(problem.toStdString(), core::kStyleExclamation);
        return false;
    }
    const int row = chosen_;
    if (!Report(SaveEntry(row)))
        return false;
    ShowEntries(row >= 0 ? row : static_cast<int>(EntryTitles().size()) - 1);
    return true;
}

void ListEditorDialog::NewEntry() {
    if (!MayLeaveEntry())
        return;
    ShowEntries(-1);
    // Alt+N left the focus on New; the typing goes into the new entry.
    if (first_field_ != nullptr)
        first_field_->setFocus(Qt::OtherFocusReason);
}

void ListEditorDialog::DeleteEntry() {
    const int row = chosen_;
    if (row < 0 || !Report(RemoveEntry(row)))
        return;
    ShowEntries(std::min(row, static_cast<int>(EntryTitles().size()) - 1));
}

bool ListEditorDialog::Report(const core::ComponentSave& save) {
    switch (save.status) {
        case core::ComponentSaveStatus::kSaved:
            return true;
        case core::ComponentSaveStatus::kNotBound:
        case core::ComponentSaveStatus::kRefused:
            reporter_.ReportText(save.detail, core::kStyleExclamation);
            break;
        case core::ComponentSaveStatus::kNotDurable:
            reporter_.ReportMessage(core::kStoreSaveFailed, core::kStyleExclamation);
            break;
        default:
            reporter_.ReportMessage(save_failure_code_, core::kStyleExclamation);
            break;
    }
    // The list as the store now holds it; the fields keep what was typed.
    showing_ = true;
    list_->clear();
    list_->addItems(EntryTitles());
    if (chosen_ >= list_->count())
        chosen_ = -1;
    list_->setCurrentRow(chosen_);
    showing_ = false;
    return false;
}

void ListEditorDialog::reject() {
    if (MayLeaveEntry())
        QDialog::reject();
}

}  // namespace kivo::recorder

// "Kivo Templates" (see templates_dialog.h).
#include "kivo/recorder/templates_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "kivo/core/user_messages.h"

namespace kivo::recorder {
namespace {

constexpr int kTemplateSaveFailed = 121;  // "Error saving Template ..."

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TemplatesDialog::TemplatesDialog(StoredTemplates templates, core::MessageReporter& reporter,
                                 QWidget* parent)
    : ListEditorDialog(QStringLiteral("Kivo Templates"), QStringLiteral("&Templates"),
                       QString::fromLatin1(kTemplatesHelpTopic), reporter, kTemplateSaveFailed,
                       parent),
      templates_(std::move(templates)) {
    auto* form = new QFormLayout;
    name_ = new QLineEdit(this);
    name_->setMaxLength(static_cast<int>(format::kTemplateNameMaxBytes));
    subject_ = new QLineEdit(this);
    subject_->setMaxLength(static_cast<int>(format::kTemplateSubjectMaxBytes));
    form->addRow(QStringLiteral("N&ame"), name_);
    form->addRow(QStringLiteral("S&ubject"), subject_);
    fields_area()->addLayout(form);
    auto* label = new QLabel(QStringLiteral("&Index Comments (one per line, used in order)"), this);
    comments_ = new QPlainTextEdit(this);
    comments_->setTabChangesFocus(true);  // a comment holds no Tab
    label->setBuddy(comments_);
    fields_area()->addWidget(label);
    fields_area()->addWidget(comments_, 1);
    record_ = AddActionButton(QStringLiteral("New &Recording"));

    connect(name_, &QLineEdit::textEdited, this, &TemplatesDialog::MarkEdited);
    connect(subject_, &QLineEdit::textEdited, this, &TemplatesDialog::MarkEdited);
    connect(comments_, &QPlainTextEdit::textChanged, this, &TemplatesDialog::MarkEdited);
    connect(record_, &QPushButton::clicked, this, &TemplatesDialog::RecordWithTemplate);
    SetFieldsTabOrder({name_, subject_, comments_});
    ShowEntries(templates_.entries().empty() ? -1 : 0);
}

QStringList TemplatesDialog::EntryTitles() const {
    QStringList titles;
    for (const format::RecordTemplate& entry : templates_.entries())
        titles << Text(entry.name);
    return titles;
}

void TemplatesDialog::ShowEntry(int row) {
    format::RecordTemplate shown;
    if (row >= 0)
        shown = templates_.entries()[static_cast<std::size_t>(row)];
    name_->setText(Text(shown.name));
    subject_->setText(Text(shown.subject));
    QStringList lines;
    for (const std::string& comment : shown.comments)
        lines << Text(comment);
    comments_->setPlainText(lines.join(QLatin1Char('\n')));
}

QString TemplatesDialog::FieldsTitle() const {
    return name_->text().trimmed().isEmpty() ? QStringLiteral("the new template")
                                             : name_->text().trimmed();
}

QString TemplatesDialog::FieldsProblem() const {
    return name_->text().trimmed().isEmpty() ? QStringLiteral("Please give the template a name.")
                                             : QString();
}

format::RecordTemplate TemplatesDialog::FieldsTemplate() const {
    return {name_->text().trimmed().toStdString(), subject_->text().trimmed().toStdString(),
            format::TemplateCommentsFromLines(comments_->toPlainText().toStdString())};
}

core::ComponentSave TemplatesDialog::SaveEntry(int row) {
    if (row < 0)
        return templates_.Add(FieldsTemplate());
    return templates_.Replace(static_cast<std::size_t>(row), FieldsTemplate());
}

core::ComponentSave TemplatesDialog::RemoveEntry(int row) {
    return templates_.Remove(static_cast<std::size_t>(row));
}

void TemplatesDialog::RecordWithTemplate() {
    if (!MayLeaveEntry())
        return;
    chosen_ = FieldsTemplate();
    QDialog::accept();
}

}  // namespace kivo::recorder

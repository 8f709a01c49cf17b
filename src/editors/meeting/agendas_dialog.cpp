// "Kivo Agenda Meeting Agendas" (see agendas_dialog.h).
#include "kivo/meeting/agendas_dialog.h"

#include <QFontMetricsF>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivo::meeting {
namespace {

// "Error creating/updating Kivo file": no message of its own for agendas.
constexpr int kAgendaSaveFailed = 109;

}  // namespace

AgendasDialog::AgendasDialog(StoredAgendas agendas, core::MessageReporter& reporter,
                             QWidget* parent)
    : ListEditorDialog(QStringLiteral("Kivo Agenda Meeting Agendas"), QStringLiteral("&Agendas"),
                       QString::fromLatin1(kAgendasHelpTopic), reporter, kAgendaSaveFailed, parent),
      agendas_(std::move(agendas)) {
    auto* form = new QFormLayout;
    title_ = new QLineEdit(this);
    title_->setMaxLength(static_cast<int>(format::kAgendaItemMaxBytes));
    form->addRow(QStringLiteral("&Title"), title_);
    fields_area()->addLayout(form);
    auto* label =
        new QLabel(QStringLiteral("&Items (one per line; a Tab before an item puts it under the "
                                  "item above)"),
                   this);
    label->setWordWrap(true);
    items_ = new QPlainTextEdit(this);
    items_->setTabChangesFocus(false);
    // A Tab is a level of the outline: as wide as four spaces.
    items_->setTabStopDistance(QFontMetricsF(items_->font()).horizontalAdvance(QLatin1Char(' ')) *
                               4);
    label->setBuddy(items_);
    fields_area()->addWidget(label);
    fields_area()->addWidget(items_, 1);
    record_ = AddActionButton(QStringLiteral("&Record Meeting"));

    connect(title_, &QLineEdit::textEdited, this, &AgendasDialog::MarkEdited);
    connect(items_, &QPlainTextEdit::textChanged, this, &AgendasDialog::MarkEdited);
    connect(record_, &QPushButton::clicked, this, &AgendasDialog::RecordMeeting);
    SetFieldsTabOrder({title_, items_});
    ShowEntries(agendas_.entries().empty() ? -1 : 0);
}

QStringList AgendasDialog::EntryTitles() const {
    QStringList titles;
    for (const format::Agenda& agenda : agendas_.entries())
        titles << QString::fromStdString(agenda.title);
    return titles;
}

void AgendasDialog::ShowEntry(int row) {
    format::Agenda shown;
    if (row >= 0)
        shown = agendas_.entries()[static_cast<std::size_t>(row)];
    title_->setText(QString::fromStdString(shown.title));
    items_->setPlainText(QString::fromStdString(format::OutlineOfAgendaItems(shown.items)));
}

QString AgendasDialog::FieldsTitle() const {
    return title_->text().trimmed().isEmpty() ? QStringLiteral("the new agenda")
                                              : title_->text().trimmed();
}

QString AgendasDialog::FieldsProblem() const {
    return title_->text().trimmed().isEmpty() ? QStringLiteral("Please give the agenda a title.")
                                              : QString();
}

format::Agenda AgendasDialog::FieldsAgenda() const {
    return {title_->text().trimmed().toStdString(),
            format::AgendaItemsFromOutline(items_->toPlainText().toStdString())};
}

core::ComponentSave AgendasDialog::SaveEntry(int row) {
    if (row < 0)
        return agendas_.Add(FieldsAgenda());
    return agendas_.Replace(static_cast<std::size_t>(row), FieldsAgenda());
}

core::ComponentSave AgendasDialog::RemoveEntry(int row) {
    return agendas_.Remove(static_cast<std::size_t>(row));
}

void AgendasDialog::RecordMeeting() {
    if (!MayLeaveEntry())
        return;
    chosen_ = FieldsAgenda();
    QDialog::accept();
}

}  // namespace kivo::meeting

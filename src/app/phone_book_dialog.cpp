// The phone book window (see phone_book_dialog.h).
#include "phone_book_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "phone_book_entry_dialog.h"

namespace kivo::app {

PhoneBookDialog::PhoneBookDialog(std::filesystem::path book_path, core::MessageReporter& reporter,
                                 std::function<void()> commit, QWidget* parent)
    : QDialog(parent),
      book_(std::move(book_path)),
      reporter_(reporter),
      commit_(std::move(commit)) {
    setWindowTitle(QStringLiteral("Kivo Phone Book"));
    find_ = new QLineEdit(this);
    find_->setPlaceholderText(QStringLiteral("Type name or select from list"));
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Number")});
    list_->header()->resizeSection(0, 145);
    list_->header()->resizeSection(1, 145);
    list_->setMinimumWidth(310);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* add = new QPushButton(QStringLiteral("&New..."), this);
    auto* edit = new QPushButton(QStringLiteral("&Edit..."), this);
    auto* remove = new QPushButton(QStringLiteral("&Delete"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {ok, cancel, add, edit, remove})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    auto* find_label = new QLabel(QStringLiteral("&Find"), this);
    find_label->setBuddy(find_);
    layout->addWidget(find_label);
    layout->addWidget(find_);
    layout->addWidget(list_);
    layout->addLayout(buttons);

    connect(find_, &QLineEdit::textChanged, this, &PhoneBookDialog::FindTyped);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, &PhoneBookDialog::AddEntry);
    connect(edit, &QPushButton::clicked, this, &PhoneBookDialog::EditSelectedEntry);
    connect(remove, &QPushButton::clicked, this, &PhoneBookDialog::DeleteSelectedEntry);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &PhoneBookDialog::EditSelectedEntry);

    book_.EnsureExists();
    Load();
}

void PhoneBookDialog::Load() {
    entries_ = book_.List();
    list_->clear();
    for (const phone::PhoneBookEntry& entry : entries_) {
        new QTreeWidgetItem(
            list_, {QString::fromStdString(entry.name), QString::fromStdString(entry.number)});
    }
}

void PhoneBookDialog::FindTyped(const QString& text) {
    list_->clearSelection();
    const auto found = phone::FindByNamePrefix(entries_, text.toStdString());
    if (!found)
        return;
    QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(*found));
    list_->setCurrentItem(item);
    item->setSelected(true);
    list_->scrollToItem(item);
}

int PhoneBookDialog::SelectedIndex() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
}

std::optional<phone::PhoneBookEntry> PhoneBookDialog::chosen() const {
    const int index = SelectedIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        return std::nullopt;
    return entries_[static_cast<std::size_t>(index)];
}

void PhoneBookDialog::Finish(int code) {
    if (code != 0)
        reporter_.ReportMessage(code, core::kStyleExclamation);
    else
        commit_();
    Load();
}

void PhoneBookDialog::AddEntry() {
    PhoneBookEntryDialog entry(false, QString(), QString(), this);
    if (entry.exec() != QDialog::Accepted || (entry.name().isEmpty() && entry.number().isEmpty()))
        return;
    Finish(book_.Append(entry.name().toStdString(), entry.number().toStdString()));
}

void PhoneBookDialog::EditSelectedEntry() {
    const int index = SelectedIndex();
    if (index < 0)
        return;
    const phone::PhoneBookEntry& old = entries_[static_cast<std::size_t>(index)];
    PhoneBookEntryDialog entry(true, QString::fromStdString(old.name),
                               QString::fromStdString(old.number), this);
    if (entry.exec() != QDialog::Accepted)
        return;
    Finish(book_.Replace(old.position, entry.name().toStdString(), entry.number().toStdString()));
}

void PhoneBookDialog::DeleteSelectedEntry() {
    const int index = SelectedIndex();
    if (index < 0)
        return;
    Finish(book_.Remove(entries_[static_cast<std::size_t>(index)].position));
}

}  // namespace kivo::app

// The phone book entry dialog (see phone_book_entry_dialog.h).
#include "phone_book_entry_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "kivo/phone/phone_book.h"

namespace kivo::app {

PhoneBookEntryDialog::PhoneBookEntryDialog(bool editing, const QString& name, const QString& number,
                                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(editing ? QStringLiteral("Kivo PhoneBook Edit")
                           : QStringLiteral("Kivo PhoneBook Entry"));
    name_ = new QLineEdit(name, this);
    number_ = new QLineEdit(number, this);
    for (QLineEdit* edit : {name_, number_})
        edit->setMaxLength(static_cast<int>(phone::kPhoneBookFieldMaxBytes));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("&Name"), name_);
    layout->addRow(QStringLiteral("N&umber"), number_);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString PhoneBookEntryDialog::name() const {
    return name_->text().trimmed();
}

QString PhoneBookEntryDialog::number() const {
    return number_->text().trimmed();
}

}  // namespace kivo::app

// PhoneBookEntryDialog: one phone book entry's name and number, as "Kivo
// PhoneBook Entry" (a new entry) or "Kivo PhoneBook Edit" (a changed one).
// Each field takes at most 50 characters, as the phone book keeps them.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kivo::app {

class PhoneBookEntryDialog : public QDialog {
    Q_OBJECT

public:
    // editing: the title of an edit instead of a new entry.
    PhoneBookEntryDialog(bool editing, const QString& name, const QString& number,
                         QWidget* parent = nullptr);

    QString name() const;
    QString number() const;
    QLineEdit* name_edit() const { return name_; }
    QLineEdit* number_edit() const { return number_; }

private:
    QLineEdit* name_ = nullptr;
    QLineEdit* number_ = nullptr;
};

}  // namespace kivo::app

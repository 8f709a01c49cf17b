// PhoneBookDialog: "Kivo Phone Book", the open data store's phone book.
// Typing a name selects the first entry that begins with it; New..., Edit...
// and Delete change the book, each change made durable in the store at once
// (a failed write is reported with message 120).
#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

#include "kivo/core/user_messages.h"
#include "kivo/phone/phone_book.h"

class QLineEdit;
class QTreeWidget;

namespace kivo::app {

class PhoneBookDialog : public QDialog {
    Q_OBJECT

public:
    // commit: makes the working folder's changes durable in the store.
    PhoneBookDialog(std::filesystem::path book_path, core::MessageReporter& reporter,
                    std::function<void()> commit, QWidget* parent = nullptr);

    QLineEdit* find_edit() const { return find_; }
    QTreeWidget* entry_list() const { return list_; }
    const std::vector<phone::PhoneBookEntry>& entries() const { return entries_; }

    // The selected entry; nothing when none is selected.
    std::optional<phone::PhoneBookEntry> chosen() const;

    void AddEntry();
    void EditSelectedEntry();
    void DeleteSelectedEntry();

private:
    void Load();
    void FindTyped(const QString& text);
    int SelectedIndex() const;
    // Reports a failed write, or makes a good one durable.
    void Finish(int code);

    phone::PhoneBook book_;
    core::MessageReporter& reporter_;
    std::function<void()> commit_;
    std::vector<phone::PhoneBookEntry> entries_;
    QLineEdit* find_ = nullptr;
    QTreeWidget* list_ = nullptr;
};

}  // namespace kivo::app

// LineAccountsDialog: "Kivo Line Settings", the user's SIP accounts (Phone >
// Line Settings..., and the Line Settings button of "Kivo Modem Selection").
// Add and Edit open the account form (LineAccountEditDialog); Remove asks
// first, then removes the account and forgets its password. Every change is
// kept at once by LineAccounts; the note under the list says where the last
// password went (the desktop's secret store, or the private file where no
// secret service runs) or what could not be kept.
#pragma once

#include <QDialog>

#include "kivo/telephony/line_accounts.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace kivo::app {

class LineAccountEditDialog;

inline constexpr const char* kLineSettingsTitle = "Kivo Line Settings";
inline constexpr const char* kLineSettingsHelpTopic = "line-settings.htm";

class LineAccountsDialog : public QDialog {
    Q_OBJECT

public:
    // accounts: loaded; it must outlive the dialog.
    explicit LineAccountsDialog(telephony::LineAccounts& accounts, QWidget* parent = nullptr);

    QListWidget* account_list() const { return list_; }
    QLabel* note_label() const { return note_; }
    // The account form while it is open, else nullptr.
    LineAccountEditDialog* open_form() const { return form_; }

    void Add();
    void Edit();
    void Remove();

signals:
    void helpRequested(const QString& topic);
    // An account was added, changed or removed.
    void accountsChanged();

private:
    void Fill(int current_row);
    void OpenForm(const telephony::SipLineSettings& start, bool has_password,
                  std::optional<std::size_t> index);
    void ShowNote(const telephony::AccountOutcome& outcome);
    void UpdateButtons();

    telephony::LineAccounts& accounts_;
    QListWidget* list_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* remove_ = nullptr;
    LineAccountEditDialog* form_ = nullptr;
};

}  // namespace kivo::app

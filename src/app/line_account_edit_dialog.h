// LineAccountEditDialog: "Kivo Line Account", the form of one SIP account -
// its name in the line list, user, domain (registrar), password, transport,
// port, outbound proxy and ring period. Save hands the settings to the save
// function; a problem it reports is shown in the form, which stays open, so
// the user can correct it. The password field starts empty: left empty it
// keeps the password already kept; "Forget the kept password" removes it.
#pragma once

#include <QDialog>

#include <functional>

#include "kivo/telephony/line_accounts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kivo::app {

inline constexpr const char* kLineAccountTitle = "Kivo Line Account";

class LineAccountEditDialog : public QDialog {
    Q_OBJECT

public:
    using SaveAccount = std::function<telephony::AccountOutcome(const telephony::SipLineSettings&,
                                                                const telephony::PasswordChange&)>;

    // account: the settings to start from; has_password: whether a password
    // is kept for it.
    LineAccountEditDialog(const telephony::SipLineSettings& account, bool has_password,
                          SaveAccount save, QWidget* parent = nullptr);

    telephony::SipLineSettings settings() const;
    telephony::PasswordChange password_change() const;
    // What the save reported (where the password went, or why it was not kept).
    const telephony::AccountOutcome& outcome() const { return outcome_; }

    QLineEdit* name_edit() const { return name_; }
    QLineEdit* user_edit() const { return user_; }
    QLineEdit* domain_edit() const { return domain_; }
    QLineEdit* password_edit() const { return password_; }
    QLineEdit* proxy_edit() const { return proxy_; }
    QComboBox* transport_box() const { return transport_; }
    QSpinBox* port_box() const { return port_; }
    QCheckBox* forget_password_box() const { return forget_password_; }
    QLabel* problem_label() const { return problem_; }

signals:
    void helpRequested(const QString& topic);

private:
    void Save();

    SaveAccount save_;
    telephony::SipLineSettings start_;  // settings the form does not show are kept
    bool has_password_ = false;
    telephony::AccountOutcome outcome_;
    QLineEdit* name_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* domain_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* forget_password_ = nullptr;
    QComboBox* transport_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* proxy_ = nullptr;
    QSpinBox* ring_period_ = nullptr;
    QLabel* problem_ = nullptr;
};

}  // namespace kivo::app

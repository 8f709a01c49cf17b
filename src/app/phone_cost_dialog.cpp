// The Phone Recorder's cost settings (see phone_cost_dialog.h).
#include "phone_cost_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "kivo/recorder/running_cost.h"

namespace kivo::app {

PhoneCostDialog::PhoneCostDialog(std::optional<double> cost_per_minute, const QString& currency,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Phone Recorder Settings"));
    cost_ = new QLineEdit(this);
    cost_->setObjectName(QStringLiteral("costPerMinute"));
    cost_->setMaxLength(15);
    if (cost_per_minute)
        cost_->setText(QString::number(*cost_per_minute, 'f', 2));
    currency_ = new QComboBox(this);
    currency_->setObjectName(QStringLiteral("currency"));
    currency_->setEditable(true);
    currency_->addItems({QStringLiteral("\u00A3"), QStringLiteral("$"), QStringLiteral("\u20AC")});
    currency_->setCurrentText(currency);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Cost &per minute:"), cost_);
    layout->addRow(QStringLiteral("C&urrency:"), currency_);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PhoneCostDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<double> PhoneCostDialog::cost_per_minute() const {
    return recorder::ParseCostRate(cost_->text().trimmed().toStdString());
}

QString PhoneCostDialog::currency() const {
    return currency_->currentText().left(5);
}

void PhoneCostDialog::accept() {
    // An empty field clears the cost; anything else must be a cost.
    if (!cost_->text().trimmed().isEmpty() && !cost_per_minute()) {
        cost_->setFocus();
        cost_->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace kivo::app

// "Times and Costs" (see times_and_costs_dialog.h).
#include "kivo/meeting/times_and_costs_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTime>

namespace kivo::meeting {
namespace {

QComboBox* TimeBox(const QString& text, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    for (int hour = 7; hour <= 20; ++hour)
        box->addItem(QString::asprintf("%02d:00", hour));
    box->lineEdit()->setMaxLength(5);
    box->setEditText(text);
    return box;
}

}  // namespace

TimesAndCostsDialog::TimesAndCostsDialog(const TimesAndCosts& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Times and Costs"));
    auto* form = new QFormLayout(this);
    const QString start = current.planned_start.empty()
                              ? QTime::currentTime().toString(QStringLiteral("HH:mm"))
                              : QString::fromStdString(current.planned_start);
    start_ = TimeBox(start, this);
    form->addRow(QStringLiteral("Due to start at"), start_);
    end_ = TimeBox(current.planned_end.empty()
                       ? QString::fromStdString(AddMinutes(start.toStdString(), 30))
                       : QString::fromStdString(current.planned_end),
                   this);
    form->addRow(QStringLiteral("Due to end at"), end_);
    duration_ = new QLabel(this);
    form->addRow(QStringLiteral("Duration"), duration_);
    cost_ = new QDoubleSpinBox(this);
    cost_->setRange(0, 999999.99);
    cost_->setDecimals(2);
    cost_->setValue(current.cost_per_hour.value_or(0));
    form->addRow(QStringLiteral("Cost per hour"), cost_);
    currency_ = new QComboBox(this);
    currency_->setEditable(true);
    currency_->addItems({QStringLiteral("\u00A3"), QStringLiteral("$"), QStringLiteral("\u20AC")});
    currency_->setEditText(QString::fromStdString(current.currency));
    form->addRow(QStringLiteral("Currency"), currency_);
    total_ = new QLabel(this);
    form->addRow(QStringLiteral("Total Cost"), total_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(start_, &QComboBox::currentTextChanged, this, &TimesAndCostsDialog::OnStartChanged);
    connect(end_, &QComboBox::currentTextChanged, this, &TimesAndCostsDialog::ShowFigures);
    connect(cost_, &QDoubleSpinBox::valueChanged, this, &TimesAndCostsDialog::ShowFigures);
    ShowFigures();
}

void TimesAndCostsDialog::OnStartChanged() {
    const std::string start = start_->currentText().toStdString();
    if (ParsePlannedTime(start))
        end_->setEditText(QString::fromStdString(AddMinutes(start, 30)));
    ShowFigures();
}

void TimesAndCostsDialog::ShowFigures() {
    const std::optional<int> start = ParsePlannedTime(start_->currentText().toStdString());
    const std::optional<int> end = ParsePlannedTime(end_->currentText().toStdString());
    if (!start || !end) {
        duration_->clear();
        total_->clear();
        return;
    }
    if (*end < *start) {
        duration_->setText(QStringLiteral("The meeting cannot end before it is due to start"));
        total_->clear();
        return;
    }
    const int minutes = *end - *start;
    duration_->setText(QString::asprintf("%d:%02d", minutes / 60, minutes % 60));
    total_->setText(QString::asprintf("%.2f", minutes / 60.0 * cost_->value()));
}

TimesAndCosts TimesAndCostsDialog::settings() const {
    TimesAndCosts settings;
    settings.planned_start = start_->currentText().toStdString();
    settings.planned_end = end_->currentText().toStdString();
    if (cost_->value() > 0)
        settings.cost_per_hour = cost_->value();
    settings.currency = currency_->currentText().toStdString();
    return settings;
}

}  // namespace kivo::meeting

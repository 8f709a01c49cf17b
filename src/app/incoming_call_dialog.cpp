// The incoming-call window (see incoming_call_dialog.h).
#include "incoming_call_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivo::app {

IncomingCallDialog::IncomingCallDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Kivo Incoming Call"));
    number_ = new QLabel(this);
    name_ = new QLabel(this);
    // Text from the caller's line is shown as plain text, never as markup.
    for (QLabel* label : {number_, name_})
        label->setTextFormat(Qt::PlainText);
    machine_ = new QPushButton(QStringLiteral("&Let the Answer Machine take it"), this);
    take_ = new QPushButton(QStringLiteral("&Take Call"), this);
    auto* ignore = new QPushButton(QStringLiteral("&Ignore"), this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Number:"), number_);
    fields->addRow(QStringLiteral("Name:"), name_);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {take_, machine_, ignore})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(machine_, &QPushButton::clicked, this, [this] {
        emit machineChosen();
        accept();
    });
    connect(take_, &QPushButton::clicked, this, [this] {
        emit callTaken();
        accept();
    });
    connect(ignore, &QPushButton::clicked, this, &QDialog::reject);
    ShowCaller(QString(), QString());
}

void IncomingCallDialog::ShowCaller(const QString& number, const QString& name) {
    number_->setText(number.isEmpty() ? QStringLiteral("Withheld") : number);
    name_->setText(name.isEmpty() ? QStringLiteral("Unknown") : name);
}

QString IncomingCallDialog::number_text() const {
    return number_->text();
}

QString IncomingCallDialog::name_text() const {
    return name_->text();
}

}  // namespace kivo::app

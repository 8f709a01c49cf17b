// The line selection dialog (see line_selection_dialog.h).
#include "line_selection_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "kivo/phone/line_tester.h"
#include "line_settings_commands.h"

namespace kivo::app {

LineSelectionDialog::LineSelectionDialog(std::function<phone::LineListing()> list,
                                         phone::SavedLineChoice current, QWidget* parent)
    : QDialog(parent), list_(std::move(list)), current_(std::move(current)) {
    setWindowTitle(QString::fromLatin1(kLineSelectionTitle));
    devices_ = new QTreeWidget(this);
    devices_->setRootIsDecorated(false);
    devices_->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("Description")});
    devices_->header()->resizeSection(0, 60);
    devices_->setMinimumWidth(360);

    auto* list_button = new QPushButton(QStringLiteral("L&ist"), this);
    select_ = new QPushButton(QStringLiteral("&Select"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    test_ = new QPushButton(QStringLiteral("&Test"), this);
    test_->setEnabled(false);
    select_->setDefault(true);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {list_button, select_, cancel, test_})
        buttons->addWidget(button);
    // The SIP accounts behind the lines; the list is read again afterwards.
    auto* line_settings = new QPushButton(QStringLiteral("&Line Settings..."), this);
    line_settings->setObjectName(QStringLiteral("lineSettings"));
    buttons->addWidget(line_settings);
    connect(line_settings, &QPushButton::clicked, this, [this] {
        if (RunLineSettings(this))
            Fill();
    });
    buttons->addStretch(1);
    auto* list_column = new QVBoxLayout;
    auto* list_label = new QLabel(QStringLiteral("Line &Devices"), this);
    list_label->setBuddy(devices_);
    list_column->addWidget(list_label);
    list_column->addWidget(devices_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(list_column, 1);
    layout->addLayout(buttons);

    connect(list_button, &QPushButton::clicked, this, &LineSelectionDialog::Fill);
    connect(select_, &QPushButton::clicked, this, &LineSelectionDialog::Select);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(devices_, &QTreeWidget::itemDoubleClicked, this, &LineSelectionDialog::Select);
    connect(test_, &QPushButton::clicked, this, &LineSelectionDialog::Test);
    Fill();
}

void LineSelectionDialog::Fill() {
    devices_->clear();
    const phone::LineListing listing = list_();
    list_status_ = listing.status;
    if (listing.status > 0)
        emit listFailed(listing.status);
    const phone::ChosenLine current = phone::FindChosenLine(current_, listing.devices);
    const bool current_listed = current.state == phone::ChosenLineState::kFound ||
                                current.state == phone::ChosenLineState::kRenumbered;
    for (const phone::LineDevice& line : listing.devices) {
        auto* item = new QTreeWidgetItem(
            devices_, {QString::number(line.device), QString::fromStdString(line.name)});
        item->setData(0, Qt::UserRole, line.device);
        if (current_listed && current.line.device == line.device) {
            devices_->setCurrentItem(item);
            devices_->setFocus();
        }
    }
    select_->setEnabled(devices_->topLevelItemCount() > 0);
}

void LineSelectionDialog::SetTester(std::function<void(const phone::LineDevice&)> tester) {
    tester_ = std::move(tester);
    test_->setEnabled(static_cast<bool>(tester_));
}

void LineSelectionDialog::Test() {
    QTreeWidgetItem* item = devices_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        QMessageBox::information(this, windowTitle(),
                                 QString::fromLatin1(phone::kSelectLineToTestText));
        return;
    }
    tester_({item->data(0, Qt::UserRole).toUInt(), item->text(1).toStdString()});
}

void LineSelectionDialog::Select() {
    // Only a row the user chose: the list's first row is current by itself.
    QTreeWidgetItem* item = devices_->currentItem();
    if (item == nullptr || !item->isSelected())
        return;
    chosen_ = phone::LineDevice{item->data(0, Qt::UserRole).toUInt(), item->text(1).toStdString()};
    accept();
}

}  // namespace kivo::app

// Buttons that Enter never presses (see dialog_button.h).
#include "kivo/recorder/dialog_button.h"

#include <QAbstractButton>
#include <QBoxLayout>

namespace kivo::recorder {

QPushButton* DialogButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

OkCancelHelp AddOkCancelHelpRow(QBoxLayout* layout, QWidget* parent) {
    OkCancelHelp buttons{DialogButton(QStringLiteral("&OK"), parent),
                         DialogButton(QStringLiteral("CA&NCEL"), parent),
                         DialogButton(QStringLiteral("&HELP"), parent)};
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    row->addWidget(buttons.help);
    layout->addLayout(row);
    return buttons;
}

bool PressFocusedButton(QWidget* dialog) {
    auto* button = qobject_cast<QAbstractButton*>(dialog->focusWidget());
    if (button == nullptr || !button->isEnabled())
        return false;
    button->click();
    return true;
}

}  // namespace kivo::recorder

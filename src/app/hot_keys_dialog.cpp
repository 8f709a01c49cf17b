// The "Kivo Hot Keys Selection" dialog's layout.
#include "hot_keys_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "hot_key_edit.h"

namespace kivo::app {

HotKeysDialog::HotKeysDialog(const core::HotKeyTable& table, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kHotKeysTitle));

    auto* intro = new QLabel(
        tr("Go to a field (click it or press Tab) and press the keys to use while a recording "
           "plays. Every hot key includes Ctrl. Kivo holds these keys only while its message "
           "player is open, even while you type in another program; the rest of the time they "
           "do what they always do in every program. New keys take effect the next time a "
           "recording is played."),
        this);
    intro->setWordWrap(true);

    auto* form = new QFormLayout;
    const auto& actions = core::HotKeyActions();
    for (int position = 0; position < core::kHotKeyCount; ++position) {
        auto* edit = new HotKeyEdit(this);
        edit->set_value(table.value(position));
        // No Alt letter: the focused field would take Alt+letter as a hot
        // key. The buddy names the field for screen readers.
        auto* label =
            new QLabel(QString::fromUtf8(actions[static_cast<std::size_t>(position)].label), this);
        label->setBuddy(edit);
        form->addRow(label, edit);
        edits_[static_cast<std::size_t>(position)] = edit;
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(tr("&Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    buttons->addButton(QDialogButtonBox::Help)->setText(tr("&Help"));
    save->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(QString::fromLatin1(kHotKeysHelpTopic)); });
    auto* help_key = new QShortcut(QKeySequence::HelpContents, this);
    connect(help_key, &QShortcut::activated, this,
            [this] { emit helpRequested(QString::fromLatin1(kHotKeysHelpTopic)); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

core::HotKeyTable HotKeysDialog::table() const {
    core::HotKeyTable table;
    for (int position = 0; position < core::kHotKeyCount; ++position) {
        table.set_value(position, core::WithoutExtendedFlag(edit(position)->value()));
    }
    return table;
}

}  // namespace kivo::app

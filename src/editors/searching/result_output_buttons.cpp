#include "result_output_buttons.h"

#include <QAction>
#include <QBoxLayout>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

namespace kivo::searching {

bool ResultCommand::Accepts(const std::vector<core::SelectedRecord>& records) const {
    if (!run || records.empty())
        return false;
    return takes_video || std::none_of(records.begin(), records.end(), [](const auto& record) {
               return record.view == core::ViewKind::kVideo;
           });
}

ResultOutputButtons::ResultOutputButtons(QBoxLayout* layout, QWidget* dialogs,
                                         SelectionSource selection)
    : QObject(dialogs), dialogs_(dialogs), selection_(std::move(selection)) {
    const auto make = [&](const char* text) {
        auto* button = new QPushButton(QString::fromUtf8(text), dialogs);
        button->setAutoDefault(false);
        button->setEnabled(false);
        layout->addWidget(button);
        return button;
    };
    print_ = make("Pr&int");
    send_ = make("Se&nd");
    export_ = make("E&xport");
    export_menu_ = new QMenu(export_);
    export_->setMenu(export_menu_);
    connect(print_, &QPushButton::clicked, this, [this] { Run(commands_.print); });
    connect(send_, &QPushButton::clicked, this, [this] { Run(commands_.send); });
}

void ResultOutputButtons::SetCommands(ResultOutputCommands commands) {
    commands_ = std::move(commands);
    export_menu_->clear();
    FillExportMenu(export_menu_);
    Update();
}

void ResultOutputButtons::FillExportMenu(QMenu* menu) {
    const auto records = selection_();
    for (const ResultCommand& command : commands_.export_as) {
        QAction* action = menu->addAction(command.text);
        action->setEnabled(command.Accepts(records));
        connect(action, &QAction::triggered, this, [this, &command] { Run(command); });
    }
}

void ResultOutputButtons::Update() {
    const auto records = selection_();
    print_->setEnabled(commands_.print.Accepts(records));
    send_->setEnabled(commands_.send.Accepts(records));
    bool any_export = false;
    const QList<QAction*> actions = export_menu_->actions();
    for (std::size_t i = 0; i < commands_.export_as.size() && i < std::size_t(actions.size());
         ++i) {
        const bool accepted = commands_.export_as[i].Accepts(records);
        actions[static_cast<qsizetype>(i)]->setEnabled(accepted);
        any_export = any_export || accepted;
    }
    export_->setEnabled(any_export);
}

void ResultOutputButtons::AddTo(QMenu* menu) {
    const auto records = selection_();
    QAction* print = menu->addAction(print_->text(), this, [this] { Run(commands_.print); });
    print->setEnabled(commands_.print.Accepts(records));
    QAction* send = menu->addAction(send_->text(), this, [this] { Run(commands_.send); });
    send->setEnabled(commands_.send.Accepts(records));
    QMenu* export_as = menu->addMenu(export_->text());
    FillExportMenu(export_as);
    export_as->setEnabled(export_->isEnabled());
}

void ResultOutputButtons::Run(const ResultCommand& command) {
    const auto records = selection_();
    if (command.Accepts(records))
        command.run(dialogs_, records);
}

}  // namespace kivo::searching

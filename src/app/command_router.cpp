// Building the window's actions and routing them to their handlers.
#include "command_router.h"

#include <QAction>
#include <QKeySequence>

#include "resources.h"

namespace kivo::app {

CommandRouter::CommandRouter(const Resources& resources, QObject* owner) : QObject(owner) {
    for (const CommandEntry& entry : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(entry.text), owner);
        if (entry.icon != nullptr || entry.theme_icon != nullptr)
            action->setIcon(resources.Icon(entry.icon, entry.theme_icon));
        if (entry.shortcut != nullptr)
            action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
        if (entry.tool_tip != nullptr)
            action->setToolTip(QString::fromUtf8(entry.tool_tip));
        action->setCheckable(entry.checkable);
        action->setEnabled(false);
        const Command command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] {
            Entry& entry = entries_[static_cast<std::size_t>(command)];
            if (entry.handler)
                entry.handler();
        });
        entries_[static_cast<std::size_t>(command)].action = action;
    }
}

QAction* CommandRouter::action(Command command) const {
    return entries_[static_cast<std::size_t>(command)].action;
}

void CommandRouter::Route(Command command, std::function<void()> handler) {
    entries_[static_cast<std::size_t>(command)].handler = std::move(handler);
    Update(command);
}

bool CommandRouter::IsRouted(Command command) const {
    return static_cast<bool>(entries_[static_cast<std::size_t>(command)].handler);
}

void CommandRouter::SetAllowed(Command command, bool allowed) {
    entries_[static_cast<std::size_t>(command)].allowed = allowed;
    Update(command);
}

bool CommandRouter::IsAllowed(Command command) const {
    return entries_[static_cast<std::size_t>(command)].allowed;
}

bool CommandRouter::IsEnabled(Command command) const {
    return IsRouted(command) && IsAllowed(command);
}

bool CommandRouter::Trigger(Command command) {
    if (!IsEnabled(command))
        return false;
    entries_[static_cast<std::size_t>(command)].handler();
    return true;
}

void CommandRouter::Update(Command command) {
    action(command)->setEnabled(IsEnabled(command));
}

}  // namespace kivo::app

// CommandRouter: one QAction per row of the command table, and the one place
// where a command is connected to the code that does its work.
//
// A command is enabled only when it is routed (Route) AND the window's current
// state allows it (SetAllowed, true unless the window says otherwise). A
// command that no code routes stays disabled whatever the state: its menu item
// and button are shown gray. To make a new command work, route it once:
//
//     router.Route(Command::kPlay, [this] { PlaySelection(); });
//
// and, when it depends on the window's state, keep SetAllowed up to date (the
// main window already does so for the selection-dependent commands).
#pragma once

#include <QObject>

#include <array>
#include <functional>

#include "command_table.h"

class QAction;

namespace kivo::app {

class Resources;

class CommandRouter : public QObject {
    Q_OBJECT

public:
    // Actions are children of owner; resources supply their icons.
    CommandRouter(const Resources& resources, QObject* owner);

    QAction* action(Command command) const;

    // Connects the command to its handler and enables it (when allowed).
    // A command is routed at most once.
    void Route(Command command, std::function<void()> handler);
    bool IsRouted(Command command) const;

    // Whether the window's state allows the command now.
    void SetAllowed(Command command, bool allowed);
    bool IsAllowed(Command command) const;
    // Routed and allowed: the action is enabled.
    bool IsEnabled(Command command) const;

    // Runs the command's handler when it is enabled. True when it ran.
    bool Trigger(Command command);

private:
    struct Entry {
        QAction* action = nullptr;
        std::function<void()> handler;
        bool allowed = true;
    };
    void Update(Command command);

    std::array<Entry, kCommandCount> entries_;
};

}  // namespace kivo::app

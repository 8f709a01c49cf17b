// The commands of the search results that take the selected records out of
// the store: Print, Send and the Export menu's formats. The window that
// opens the dialog gives them, and runs them as it runs its own list's, on
// the store the dialog searches; a command it does not give stays gray.
#pragma once

#include <QString>

#include <functional>
#include <vector>

#include "kivo/core/record_deletion.h"

class QWidget;

namespace kivo::searching {

struct ResultCommand {
    QString text;             // as in the window's menus: "P&rint", "&WAV Format"
    bool takes_video = true;  // false: gray while a video record is selected
    // Runs the command on the records, with its dialogs over parent; empty
    // when the command cannot be run (it is shown gray).
    std::function<void(QWidget* parent, const std::vector<core::SelectedRecord>& records)> run;

    // Whether it can run on these records.
    bool Accepts(const std::vector<core::SelectedRecord>& records) const;
};

struct ResultOutputCommands {
    ResultCommand print;
    ResultCommand send;
    std::vector<ResultCommand> export_as;  // the Export button's menu, in order
};

}  // namespace kivo::searching

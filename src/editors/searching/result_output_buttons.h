// The Print, Send and Export buttons under the search results, and the same
// commands in the results' context menu: enabled for a selection that their
// command accepts, and run on the selected records.
#pragma once

#include <QObject>

#include <functional>
#include <vector>

#include "kivo/searching/result_commands.h"

class QBoxLayout;
class QMenu;
class QPushButton;
class QWidget;

namespace kivo::searching {

class ResultOutputButtons : public QObject {
    Q_OBJECT

public:
    using SelectionSource = std::function<std::vector<core::SelectedRecord>()>;

    // Adds the buttons to layout; selection gives the records they act on.
    // dialogs is the parent of the commands' own dialogs.
    ResultOutputButtons(QBoxLayout* layout, QWidget* dialogs, SelectionSource selection);

    void SetCommands(ResultOutputCommands commands);
    // Enables each button and menu entry for the current selection.
    void Update();
    // The same commands as entries of a menu (the results' context menu).
    void AddTo(QMenu* menu);

    QMenu* export_menu() const { return export_menu_; }

private:
    void Run(const ResultCommand& command);
    void FillExportMenu(QMenu* menu);

    QWidget* dialogs_;
    SelectionSource selection_;
    ResultOutputCommands commands_;
    QPushButton* print_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* export_ = nullptr;
    QMenu* export_menu_ = nullptr;
};

}  // namespace kivo::searching

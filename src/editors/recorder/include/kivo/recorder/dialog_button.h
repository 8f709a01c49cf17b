// The push buttons of the record editors' dialogs, and the row of OK,
// CANCEL and HELP that ends each of them. Enter in these dialogs
// adds marks or moves between fields; it never presses a button by accident,
// so no button is the default.
#pragma once

#include <QPushButton>
#include <QString>

class QBoxLayout;

namespace kivo::recorder {

QPushButton* DialogButton(const QString& text, QWidget* parent);

// The row that ends every editor's dialog.
struct OkCancelHelp {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* help = nullptr;
};

// Adds "&OK", "CA&NCEL" and "&HELP", at the right of a new row, to layout.
OkCancelHelp AddOkCancelHelpRow(QBoxLayout* layout, QWidget* parent);

// Enter on a button presses it, as Space does, on every desktop: presses the
// enabled button that has the focus in dialog. False (nothing pressed) when
// the focus is elsewhere.
bool PressFocusedButton(QWidget* dialog);

}  // namespace kivo::recorder

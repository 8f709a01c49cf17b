// The push buttons of the record editors' dialogs. Enter in these dialogs
// adds marks or moves between fields; it never presses a button by accident,
// so no button is the default.
#pragma once

#include <QPushButton>
#include <QString>

namespace kivo::recorder {

QPushButton* DialogButton(const QString& text, QWidget* parent);

}  // namespace kivo::recorder

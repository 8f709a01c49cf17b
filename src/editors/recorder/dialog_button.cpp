// Buttons that Enter never presses (see dialog_button.h).
#include "kivo/recorder/dialog_button.h"

namespace kivo::recorder {

QPushButton* DialogButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace kivo::recorder

// OptionsDialog: "Kivo Options" (Tools > Options...). Shows the settings it is
// given and hands back what the user chose; the caller reads and writes the
// profile (OptionsSettings).
#pragma once

#include <QDialog>

#include "options_settings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace kivo::app {

inline constexpr const char* kOptionsTitle = "Kivo Options";
inline constexpr const char* kOptionsHelpTopic = "options.htm";

class OptionsDialog : public QDialog {
    Q_OBJECT

public:
    OptionsDialog(const OptionsSettings& settings, QWidget* parent = nullptr);

    // The values as the dialog shows them now.
    OptionsSettings settings() const;

signals:
    void helpRequested(const QString& topic);

private:
    void Show(const OptionsSettings& settings);

    QLineEdit* phone_cost_;
    QLineEdit* meet_cost_;
    QComboBox* currency_;
    QCheckBox* highlight_;
    QCheckBox* prime_;
    QCheckBox* export_prompt_;
    QCheckBox* diary_on_start_;
    QCheckBox* compress_;
    QCheckBox* phone_warning_;
    QSpinBox* rings_;
    QSlider* silence_;
    QLineEdit* silence_text_;
    QButtonGroup* quality_;
};

}  // namespace kivo::app

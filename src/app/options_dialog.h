// OptionsDialog: "Kivo Options" (Tools > Options...). Shows the settings it is
// given and hands back what the user chose; the caller reads and writes the
// profile (OptionsSettings).
#pragma once

#include <QDialog>
#include <array>
#include <filesystem>

#include "kivo/pedal/pedal_watcher.h"

#include "options_settings.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
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

    // The foot pedal controls, for tests.
    QComboBox* pedal_device_box() const { return pedal_device_; }
    QComboBox* pedal_action_box(int place) const { return pedal_actions_[place]; }
    QPushButton* pedal_test_button() const { return pedal_test_; }
    QLabel* pedal_test_label() const { return pedal_test_text_; }
    // Where the pedals are looked for (normally /sys and /dev), for tests;
    // lists the pedals found there again.
    void SetPedalSearchRoots(std::filesystem::path sysfs_root, std::filesystem::path dev_root);

signals:
    void helpRequested(const QString& topic);

private:
    QGroupBox* BuildPedalBox();
    void FillPedalDevices(const QString& chosen);
    void TestPedal(bool on);
    void ShowPedalEvent(pedal::PedalEvent event);
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
    QComboBox* pedal_device_ = nullptr;
    std::array<QComboBox*, 3> pedal_actions_{};
    QPushButton* pedal_test_ = nullptr;
    QLabel* pedal_test_text_ = nullptr;
    pedal::PedalWatcher* pedal_watcher_ = nullptr;
    std::filesystem::path pedal_sysfs_root_ = "/sys";
    std::filesystem::path pedal_dev_root_ = "/dev";
};

}  // namespace kivo::app

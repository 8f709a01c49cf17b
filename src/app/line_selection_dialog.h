// LineSelectionDialog: "Kivo Modem Selection", where the user picks the line
// device the program monitors: the demo line, the local SIP line when it is
// switched on, and one line per SIP account. List reads the devices again,
// Select takes the chosen row, Cancel leaves the choice as it was, Line
// Settings edits the SIP accounts (and lists the devices again after a change).
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

#include "kivo/phone/chosen_line.h"
#include "kivo/phone/line_choice.h"

class QPushButton;
class QTreeWidget;

namespace kivo::app {

inline constexpr const char* kLineSelectionTitle = "Kivo Modem Selection";

class LineSelectionDialog : public QDialog {
    Q_OBJECT

public:
    // list: reads the devices (on opening and on List); current: the line
    // chosen before, selected when listed (found by its name when the lines
    // were renumbered, and by no other line when it is gone).
    LineSelectionDialog(std::function<phone::LineListing()> list, phone::SavedLineChoice current,
                        QWidget* parent = nullptr);

    // The line taken with Select.
    const std::optional<phone::LineDevice>& chosen() const { return chosen_; }
    QTreeWidget* device_list() const { return devices_; }
    // The library's status when the devices could not be listed, else 0.
    int list_status() const { return list_status_; }
    // Test runs `tester` on the selected row's line; without one it stays gray.
    void SetTester(std::function<void(const phone::LineDevice&)> tester);
    QPushButton* test_button() const { return test_; }

signals:
    void listFailed(int status);

private:
    void Fill();
    void Select();
    void Test();

    std::function<phone::LineListing()> list_;
    phone::SavedLineChoice current_;
    std::optional<phone::LineDevice> chosen_;
    QTreeWidget* devices_ = nullptr;
    QPushButton* select_ = nullptr;
    QPushButton* test_ = nullptr;
    std::function<void(const phone::LineDevice&)> tester_;
    int list_status_ = 0;
};

}  // namespace kivo::app

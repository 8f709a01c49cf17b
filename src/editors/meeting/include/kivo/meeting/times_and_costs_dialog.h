// TimesAndCostsDialog: "Times and Costs", where the meeting's planned start
// and end, its cost per hour and the currency are set. "Due to start at"
// starts at the time of day; changing it sets the end half an hour later;
// the duration and the total cost follow the fields, and an end before the
// start says "The meeting cannot end before it is due to start".
#pragma once

#include <QDialog>

#include "kivo/meeting/meeting_session.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace kivo::meeting {

class TimesAndCostsDialog : public QDialog {
    Q_OBJECT
public:
    TimesAndCostsDialog(const TimesAndCosts& current, QWidget* parent = nullptr);

    // The settings as the fields have them.
    TimesAndCosts settings() const;

    QComboBox* start_box() const { return start_; }
    QComboBox* end_box() const { return end_; }
    QDoubleSpinBox* cost_box() const { return cost_; }
    QLabel* duration_label() const { return duration_; }
    QLabel* total_label() const { return total_; }

private:
    void OnStartChanged();
    void ShowFigures();

    QComboBox* start_ = nullptr;
    QComboBox* end_ = nullptr;
    QLabel* duration_ = nullptr;
    QDoubleSpinBox* cost_ = nullptr;
    QComboBox* currency_ = nullptr;
    QLabel* total_ = nullptr;
};

}  // namespace kivo::meeting

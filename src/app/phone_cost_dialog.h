// PhoneCostDialog: the Phone Recorder's "Settings...": the cost per minute
// of a call ("PhoneCost") and the currency shown before it ("Currency").
// An empty cost means no cost is shown; a cost that is not a number from 0
// to 999999.99 is not accepted.
#pragma once

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;

namespace kivo::app {

class PhoneCostDialog : public QDialog {
    Q_OBJECT

public:
    PhoneCostDialog(std::optional<double> cost_per_minute, const QString& currency,
                    QWidget* parent = nullptr);

    std::optional<double> cost_per_minute() const;
    QString currency() const;
    QLineEdit* cost_edit() const { return cost_; }

    void accept() override;

private:
    QLineEdit* cost_ = nullptr;
    QComboBox* currency_ = nullptr;
};

}  // namespace kivo::app

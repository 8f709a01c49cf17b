// The over-run box of the meeting recorder (see meeting_recorder_dialog.h):
// it beeps every second until it is closed.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "kivo/meeting/meeting_recorder_dialog.h"

namespace kivo::meeting {

int AskRemindMinutes(QWidget* parent) {
    QDialog box(parent);
    box.setWindowTitle(QStringLiteral("Meeting Recorder"));
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(QStringLiteral("Your Meeting has over-run"), &box));
    layout->addWidget(new QLabel(QStringLiteral("Remind Me in"), &box));
    auto* minutes = new QSpinBox(&box);
    minutes->setRange(1, 240);
    minutes->setValue(5);
    minutes->setSuffix(QStringLiteral(" minutes"));
    layout->addWidget(minutes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    QTimer alarm;
    QObject::connect(&alarm, &QTimer::timeout, [] { QApplication::beep(); });
    alarm.start(1000);
    QApplication::beep();
    return box.exec() == QDialog::Accepted ? minutes->value() : 0;
}

}  // namespace kivo::meeting

// Message boxes for the program's messages.
#include "message_box_reporter.h"

#include <QMessageBox>

namespace kivo::app {
namespace {

QMessageBox::Icon IconOf(int style) {
    switch (style & 0xF0) {
        case core::kStyleStop:
            return QMessageBox::Critical;
        case 0x20:  // the question icon of style 36
            return QMessageBox::Question;
        case core::kStyleExclamation:
            return QMessageBox::Warning;
        case core::kStyleInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

bool AsksYesNo(int style) {
    return (style & 0x0F) == 4;  // the Yes/No buttons of style 36
}

}  // namespace

int MessageBoxReporter::ReportMessage(int code, int style, int /*help_context*/) {
    return ReportText(core::MessageText(code), style);
}

int MessageBoxReporter::ReportText(const std::string& text, int style) {
    QMessageBox box(IconOf(style), QString::fromLatin1(kMessageBoxTitle),
                    QString::fromStdString(text), QMessageBox::NoButton, parent_);
    box.setTextFormat(Qt::PlainText);
    if (AsksYesNo(style)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? core::kAnswerYes : core::kAnswerNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return core::kAnswerOk;
}

}  // namespace kivo::app

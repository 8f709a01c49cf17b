// MessageBoxReporter: shows the program's messages in modal message boxes.
//
// The box style is the one callers pass with each message code: 16 stop icon,
// 36 Yes/No question, 48 exclamation, 64 information. The answer comes back
// as the program's answer codes (Yes 6, No 7, OK 1).
#pragma once

#include <QString>

#include "kivo/core/user_messages.h"

class QWidget;

namespace kivo::app {

class MessageBoxReporter : public core::MessageReporter {
public:
    // parent: the window the boxes are modal to (may be null).
    explicit MessageBoxReporter(QWidget* parent = nullptr) : parent_(parent) {}
    void set_parent(QWidget* parent) { parent_ = parent; }

    int ReportMessage(int code, int style, int help_context = 0) override;
    int ReportText(const std::string& text, int style) override;

private:
    QWidget* parent_;
};

// The caption of every message box.
inline constexpr const char* kMessageBoxTitle = "Kivo";

}  // namespace kivo::app

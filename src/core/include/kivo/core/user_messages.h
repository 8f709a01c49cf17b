// The program's user messages: the table of message codes and texts, and the
// MessageReporter interface through which every user-facing error, warning,
// question and notice passes.
//
// A code that is not in the table shows "Message issued but not defined :
// Error 1000". Many texts carry a number of their own (" : Error 109"); the
// number inside a text is part of the text and may differ from its code.
// The window shows a message box, the command-line tool prints to stderr,
// tests record what was reported.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

// Box styles (the values of the Windows message-box flags, kept because
// callers and the tests name them).
enum MessageStyle : int {
    kStyleStop = 16,         // stop icon, OK
    kStyleQuestion = 36,     // Yes/No with question icon
    kStyleExclamation = 48,  // exclamation icon, OK: errors
    kStyleInformation = 64,  // information icon, OK
};

// Box results.
enum MessageAnswer : int {
    kAnswerOk = 1,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

struct MessageEntry {
    int code;
    const char* text;
};

// 139 codes with 138 texts: codes 206 and 207 share one text.
inline constexpr std::size_t kMessageCount = 139;
inline constexpr const char* kUndefinedMessageText = "Message issued but not defined : Error 1000";
// The maker's web page and download page named at the end of codes 22, 800,
// 851 and 852. Until the project has a web page both are the help index
// installed with the program: a file: URL the build makes from the install
// prefix (user_messages.cpp), so no message names a page that does not exist.
extern const char* const kMakerWebAddress;
extern const char* const kMakerDownloadAddress;

// All entries in ascending code order.
std::span<const MessageEntry> MessageTable();

// The text of a code, or the "not defined" text.
std::string MessageText(int code);
bool IsDefinedMessage(int code);

// Where messages reach the user.
class MessageReporter {
public:
    virtual ~MessageReporter() = default;
    // Shows the text of code with the given style; returns the answer.
    virtual int ReportMessage(int code, int style, int help_context = 0) = 0;
    // Shows a text that is not in the table (questions and notices of single
    // commands, such as "Message(s) Deleted"); returns the answer.
    virtual int ReportText(const std::string& text, int style) = 0;
};

// Prints each message to stderr; questions get a fixed answer.
class StderrMessageReporter : public MessageReporter {
public:
    explicit StderrMessageReporter(int answer_to_questions = kAnswerNo);
    int ReportMessage(int code, int style, int help_context = 0) override;
    int ReportText(const std::string& text, int style) override;

private:
    int answer_to_questions_;
};

// Keeps every message; questions get the scripted answer. For tests and for
// callers that want to show the messages later.
class RecordingMessageReporter : public MessageReporter {
public:
    struct Report {
        int code;  // 0 for ReportText
        int style;
        std::string text;
    };
    explicit RecordingMessageReporter(int answer_to_questions = kAnswerYes);
    int ReportMessage(int code, int style, int help_context = 0) override;
    int ReportText(const std::string& text, int style) override;

    const std::vector<Report>& reports() const { return reports_; }
    std::vector<int> codes() const;
    void set_answer(int answer) { answer_ = answer; }

private:
    int answer_;
    std::vector<Report> reports_;
};

}  // namespace kivo::core

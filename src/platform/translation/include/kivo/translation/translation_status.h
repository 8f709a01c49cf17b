// The result of a call of the language library: success, or the program
// message to report (850: the language table could not be read) with a text
// that names what went wrong. The library throws no exceptions.
#pragma once

#include <string>
#include <utility>

namespace kivo::translation {

// "Error reading language info from registry : Error 850": no translation
// pair is installed, so the translator cannot open.
inline constexpr int kMessageNoLanguages = 850;

class TranslationStatus {
public:
    static TranslationStatus Ok() { return TranslationStatus(); }
    static TranslationStatus Error(std::string detail, int message_code = 0) {
        return TranslationStatus(std::move(detail), message_code);
    }

    bool ok() const { return !failed_; }
    // The program message for the failure; 0 when it has none of its own.
    int message_code() const { return message_code_; }
    const std::string& detail() const { return detail_; }

private:
    TranslationStatus() = default;
    TranslationStatus(std::string detail, int message_code)
        : failed_(true), message_code_(message_code), detail_(std::move(detail)) {}

    bool failed_ = false;
    int message_code_ = 0;
    std::string detail_;
};

}  // namespace kivo::translation

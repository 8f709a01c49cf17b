// The result of a wave-file operation: success, or a failure with a message
// that names what was wrong ("fmt chunk at offset 12 declares 0 channels").
// The wave-file library throws no exceptions; every fallible call returns one.
#pragma once

#include <string>
#include <utility>

namespace kivo::wavefile {

class WaveStatus {
public:
    static WaveStatus Ok() { return WaveStatus(); }
    static WaveStatus Error(std::string message) { return WaveStatus(std::move(message)); }

    bool ok() const { return !failed_; }
    const std::string& message() const { return message_; }

private:
    WaveStatus() = default;
    explicit WaveStatus(std::string message) : failed_(true), message_(std::move(message)) {}

    bool failed_ = false;
    std::string message_;
};

}  // namespace kivo::wavefile

// DecodeStatus: how a decode ended. A failure carries a reason worth showing
// the user next to the file's name.
#pragma once

#include <string>
#include <utility>

namespace kivo::decoding {

class DecodeStatus {
public:
    enum class Code {
        kOk,
        kStopped,      // the stop request was seen; the output was removed
        kUnreadable,   // the file could not be opened or holds no audio stream
        kUndecodable,  // the audio stream could not be decoded
        kEmpty,        // the file decoded to no sound at all
        kIoError,      // the output could not be written
    };

    DecodeStatus() = default;
    DecodeStatus(Code code, std::string reason) : code_(code), reason_(std::move(reason)) {}

    bool ok() const { return code_ == Code::kOk; }
    Code code() const { return code_; }
    const std::string& reason() const { return reason_; }

private:
    Code code_ = Code::kOk;
    std::string reason_;
};

}  // namespace kivo::decoding

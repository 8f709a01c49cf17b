// Status: the result of a record-store operation that can fail for a reason
// worth telling (a file that cannot be read, a line that is not a record
// line). Expected failures are values, never exceptions.
#pragma once

#include <string>
#include <utility>

namespace kivo::recordstore {

class Status {
public:
    enum class Code {
        kOk,
        kNotFound,         // the file or the record is not there
        kIoError,          // the operating system refused a read or write
        kCorrupt,          // the bytes are not in the expected format
        kInvalidArgument,  // the caller passed something unusable
    };

    Status() = default;
    static Status Ok() { return Status(); }
    static Status NotFound(std::string message) { return {Code::kNotFound, std::move(message)}; }
    static Status IoError(std::string message) { return {Code::kIoError, std::move(message)}; }
    static Status Corrupt(std::string message) { return {Code::kCorrupt, std::move(message)}; }
    static Status InvalidArgument(std::string message) {
        return {Code::kInvalidArgument, std::move(message)};
    }

    bool ok() const { return code_ == Code::kOk; }
    Code code() const { return code_; }
    const std::string& message() const { return message_; }

private:
    Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

    Code code_ = Code::kOk;
    std::string message_;
};

}  // namespace kivo::recordstore

// RecordLineReader: the record line an index entry points at, read from the
// record log of its type in the working folder ("ReadRecordLine").
//
// Types 0, 5, 9 and 11 to 16 read "Voxwren.xrr", 1 "Voxwren.xrm", 2 and 3
// "Voxwren.xrp", 4 "Voxwren.xrd"; any other type is BAD. The line at the
// position is LOST when it cannot be read whole, is no record line, or its
// record number is not the entry's (the line was erased, or the index is
// older than the log). Each log is opened once and kept open for the
// reader's life.
//
// ReadMany serves a search that lists many records: it reads the lines in
// the order of their logs and positions, and lines that lie close together
// in a log in one read, so tens of thousands of lines cost a few hundred
// reads rather than one each.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::search {

enum class LineLookup { kFound, kBad, kLost };

struct LineRequest {
    std::int32_t record_number = 0;
    std::string_view kind_code;
    std::uint64_t position_bytes = 0;
};

class RecordLineReader {
public:
    // file_system must outlive the reader.
    RecordLineReader(filesystem::FileSystem& file_system, std::string working_folder);
    ~RecordLineReader();

    LineLookup Read(std::int32_t record_number, std::string_view kind_code,
                    std::uint64_t position_bytes, recordstore::RecordLine* line);

    // The longest read of ReadMany, and the widest gap between two wanted
    // lines that it reads through rather than starting a new read (reading
    // a few kilobytes more costs less than another system call).
    static constexpr std::uint64_t kMaxSpanBytes = 1 << 20;
    static constexpr std::uint64_t kMaxGapBytes = 8 << 10;

    // Calls visit(i, lookup, line) once for each request i, with what Read
    // would give for it; line is meaningful only for kFound and only during
    // the call. The calls come in the order of logs and positions.
    using LineVisitor =
        std::function<void(std::size_t request, LineLookup lookup, const recordstore::RecordLine&)>;
    void ReadMany(std::span<const LineRequest> requests, const LineVisitor& visit);

private:
    filesystem::File* LogFile(const char* log_name);
    // Reads up to size bytes at offset into buffer_; the bytes read.
    std::size_t ReadSpan(filesystem::File& log, std::uint64_t offset, std::size_t size);
    LineLookup Judge(std::int32_t record_number, std::string_view bytes,
                     recordstore::RecordLine* line) const;

    filesystem::FileSystem& file_system_;
    std::string working_folder_;
    // By log name; null when the log cannot be opened.
    std::map<std::string, std::unique_ptr<filesystem::File>> logs_;
    std::unique_ptr<char[]> buffer_;  // kMaxSpanBytes, made on first use
};

// The reader's answer as text: "BAD", "LOST" or the line's 401 bytes.
std::string ReadRecordLine(RecordLineReader& reader, std::string_view record_number_text,
                           std::string_view kind_code, std::uint64_t position_bytes);

}  // namespace kivo::search

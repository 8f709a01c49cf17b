// RecordLineReader: the record line an index entry points at, read from the
// record log of its type in the working folder ("ReadRecordLine").
//
// Types 0, 5, 9 and 11 to 16 read "Voxwren.xrr", 1 "Voxwren.xrm", 2 and 3
// "Voxwren.xrp", 4 "Voxwren.xrd"; any other type is BAD. The line at the
// position is LOST when it cannot be read whole, is no record line, or its
// record number is not the entry's (the line was erased, or the index is
// older than the log). Each log is opened once and kept open for the
// reader's life, so a search over many entries reads one line per call.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::search {

enum class LineLookup { kFound, kBad, kLost };

class RecordLineReader {
public:
    // file_system must outlive the reader.
    RecordLineReader(filesystem::FileSystem& file_system, std::string working_folder);
    ~RecordLineReader();

    LineLookup Read(std::int32_t record_number, std::string_view kind_code,
                    std::uint64_t position_bytes, recordstore::RecordLine* line);

private:
    filesystem::File* LogFile(const char* log_name);

    filesystem::FileSystem& file_system_;
    std::string working_folder_;
    // By log name; null when the log cannot be opened.
    std::map<std::string, std::unique_ptr<filesystem::File>> logs_;
};

// The reader's answer as text: "BAD", "LOST" or the line's 401 bytes.
std::string ReadRecordLine(RecordLineReader& reader, std::string_view record_number_text,
                           std::string_view kind_code, std::uint64_t position_bytes);

}  // namespace kivo::search

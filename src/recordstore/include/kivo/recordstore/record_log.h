// RecordLog: reading and rewriting the record logs ("Voxwren.xrr", ".xrm",
// ".xrp", ".xrd"), sequences of 401-byte record lines that begin with a
// header line. Appending a new record belongs to the XRsave operations;
// replacing a line in place (an edit) and rewriting the whole log (erasing
// or dropping lines) happen here.
//
// A log whose length is not a multiple of 401 (a torn write) is read up to
// its last complete line; the torn tail is ignored and reported in the scan.
//
// Every call reads and writes through the FileSystem given; the overloads
// without one use the machine's (filesystem::DefaultFileSystem()).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/status.h"

namespace kivo::recordstore {

struct RecordLogEntry {
    std::uint64_t offset_bytes = 0;  // position of the line in the log
    RecordLine line;
};

struct RecordLogScan {
    std::uint64_t complete_lines = 0;                // 401-byte lines read, header included
    std::uint64_t torn_tail_bytes = 0;               // bytes after the last complete line
    std::uint64_t malformed_lines = 0;               // lines that are not record lines
    std::uint64_t first_malformed_offset_bytes = 0;  // of the first one, when there are any
};

// One complete 401-byte line as Rewrite meets it.
struct RecordLogLine {
    std::uint64_t offset_bytes = 0;      // in the log as it was
    std::uint64_t new_offset_bytes = 0;  // where the line lands when it is kept
    std::string_view bytes;              // well formed or not
};

// What becomes of a line in a rewrite.
struct RecordLogLineEdit {
    enum class Action { kKeep, kDrop, kReplace };
    Action action = Action::kKeep;
    std::string replacement;  // 401 bytes, for kReplace

    static RecordLogLineEdit Keep() { return {}; }
    static RecordLogLineEdit Drop() { return {Action::kDrop, {}}; }
    static RecordLogLineEdit ReplaceWith(std::string line) {
        return {Action::kReplace, std::move(line)};
    }
};

class RecordLog {
public:
    using FileSystem = filesystem::FileSystem;

    // Calls visit for every line of a live record, in file order; a false
    // return stops the scan. Header, erased and malformed lines are passed
    // over (malformed ones are counted in *scan).
    static Status ForEachRecord(FileSystem& file_system, const std::string& path,
                                const std::function<bool(const RecordLogEntry&)>& visit,
                                RecordLogScan* scan = nullptr);
    static Status ForEachRecord(const std::string& path,
                                const std::function<bool(const RecordLogEntry&)>& visit,
                                RecordLogScan* scan = nullptr);

    // Every live record line, in file order.
    static Status ReadAll(FileSystem& file_system, const std::string& path,
                          std::vector<RecordLogEntry>* records, RecordLogScan* scan = nullptr);
    static Status ReadAll(const std::string& path, std::vector<RecordLogEntry>* records,
                          RecordLogScan* scan = nullptr);

    // The line at a byte offset (a multiple of 401).
    static Status ReadAt(FileSystem& file_system, const std::string& path,
                         std::uint64_t offset_bytes, RecordLine* line);
    static Status ReadAt(const std::string& path, std::uint64_t offset_bytes, RecordLine* line);

    // The line of a record by its number; kNotFound when none.
    static Status Find(FileSystem& file_system, const std::string& path, std::int32_t record_number,
                       RecordLogEntry* entry);
    static Status Find(const std::string& path, std::int32_t record_number, RecordLogEntry* entry);

    // Overwrites the line of line.record_number() in place with line's 401
    // bytes (every other line keeps its position), under an exclusive lock
    // of the log from the search to the write. kNotFound when the log has no
    // line with that number. *offset_bytes receives the position and
    // *previous the line that was there (to put it back should a later step
    // fail).
    static Status Replace(FileSystem& file_system, const std::string& path, const RecordLine& line,
                          std::uint64_t* offset_bytes = nullptr, RecordLine* previous = nullptr);
    static Status Replace(const std::string& path, const RecordLine& line,
                          std::uint64_t* offset_bytes = nullptr, RecordLine* previous = nullptr);

    // Calls visit for every complete line in file order, read only (erased and
    // damaged lines too); stops when visit returns false.
    static Status ForEachLine(FileSystem& file_system, const std::string& path,
                              const std::function<bool(const RecordLogLine&)>& visit);
    static Status ForEachLine(const std::string& path,
                              const std::function<bool(const RecordLogLine&)>& visit);

    // Writes the log anew through a temporary file beside it, asking decide
    // about every complete line in file order: kept, dropped or replaced. A
    // torn tail is kept as it is. The new log takes the old one's place
    // atomically (ReplacementFile in line/file_access.h) and keeps its
    // permissions; on any failure, or a replacement that is not 401 bytes,
    // the log is left as it was.
    static Status Rewrite(FileSystem& file_system, const std::string& path,
                          const std::function<RecordLogLineEdit(const RecordLogLine&)>& decide);
    static Status Rewrite(const std::string& path,
                          const std::function<RecordLogLineEdit(const RecordLogLine&)>& decide);
};

}  // namespace kivo::recordstore

// RecordIndex: the record index file ("Voxwren.xri") behind the Zn2Index
// functions of zn2index.h.
//
// The file is append-only with in-place kills: adding appends an entry;
// updating appends the new entry, then marks the old one dead by overwriting
// its record number with "00000000"; deleting only marks. When dead entries
// take more room than live ones (and at least 64 KiB), the file is rewritten
// with the live entries through a temporary file and a rename. Layout:
// docs/formats/record-index.md.
//
// A RecordIndex object keeps the position of every live entry, found by one
// scan and kept current by its own writes, for as long as the object lives
// (a data store session keeps one across record operations). Before it
// reads or writes it checks that the file is the one it scanned or last
// wrote (device, inode, size, change time) and that the bytes at the
// remembered position of the entry concerned still hold that entry;
// otherwise it scans again. It reads and writes through the FileSystem it is
// given (without one: the machine's, filesystem::DefaultFileSystem()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/status.h"

namespace kivo::recordstore {

inline constexpr std::size_t kIndexLengthDigits = 8;
inline constexpr std::size_t kIndexKeywordsMaxBytes = 4999;
inline constexpr std::size_t kIndexMarkCommentsMaxBytes = 5000;
inline constexpr std::size_t kIndexEntryMaxBytes = 65536;  // larger lengths are corrupt
inline constexpr int kIndexFieldCount = 10;
inline constexpr char kIndexFieldSeparator = '\t';

// The fields of one record's entry, in plain text.
struct IndexRecord {
    std::int32_t record_number = 0;
    std::string kind_code;
    std::string start_date;     // "dd/mm/yyyy" as given
    std::string keywords;       // at most 4999 bytes
    std::string mark_comments;  // at most 5000 bytes; " " when none
    std::int64_t line_position = 0;
    bool moved = false;
};

// The bytes of one stored entry: "%08d" length L, L bytes, a line feed.
// Texts are flattened (CR, LF, TAB to spaces) and cut to their limits.
std::string EncodeIndexEntry(const IndexRecord& record);

// Field n (0..9) of an entry's bytes (without the length prefix; the entry
// ends at its line feed, a NUL or the end of the view). Empty when absent.
std::string_view IndexEntryField(std::string_view entry, int n);
// The number of fields of an entry's bytes (separators before its end + 1).
int IndexEntryFieldCount(std::string_view entry);

// The whole entry decoded; nullopt when field 0 is not eight digits.
std::optional<IndexRecord> DecodeIndexEntry(std::string_view entry);

struct IndexScan {
    std::size_t live_entries = 0;
    std::size_t dead_entries = 0;
    std::uint64_t live_bytes = 0;
    std::uint64_t dead_bytes = 0;
    std::size_t other_entries = 0;       // framed as entries, laid out otherwise; kept
    std::uint64_t unreadable_bytes = 0;  // torn or damaged bytes, passed over
};

class RecordIndex {
public:
    // file_system must outlive the index.
    RecordIndex(filesystem::FileSystem& file_system, std::string path);
    explicit RecordIndex(std::string path);

    const std::string& path() const { return path_; }

    // Adds or replaces the record's entry (one live entry per record number).
    Status Put(const IndexRecord& record);
    // Marks the record's entry dead; kNotFound when it has none.
    Status Remove(std::int32_t record_number);
    // The record's entry; kNotFound when it has none.
    Status Get(std::int32_t record_number, IndexRecord* record);
    // Replaces only the mark comments of the record's entry.
    Status SetMarkComments(std::int32_t record_number, std::string_view mark_comments);

    // Calls visit with the bytes of every live entry in file order (without
    // the length prefix, ending with the line feed); false stops the scan.
    Status ForEachEntry(const std::function<bool(std::string_view entry)>& visit,
                        IndexScan* scan = nullptr) const;

    // Rewrites the file with the live entries only.
    Status Compact();

private:
    struct Location {
        std::uint64_t offset = 0;  // of the length prefix
        std::uint64_t size = 0;    // whole stored entry, prefix and line feed included
    };
    struct FileIdentity {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t change_ns = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    using File = filesystem::File;

    // Runs change, which concerns record_number's entry, on the open,
    // exclusively locked file, its scan current (RefreshFor).
    Status WriteLocked(std::int32_t record_number, const std::function<Status(File& file)>& change);
    // Scans again when the open file is not the one scanned last.
    Status Refresh(File& file);
    // As Refresh, and scans again when the scan is an earlier one and
    // record_number's entry is no longer where it says.
    Status RefreshFor(File& file, std::int32_t record_number);
    Status Rescan(File& file);
    Status RememberIdentity(File& file);
    // Reads the stored entry at location and checks it is record_number's.
    Status ReadVerified(File& file, const Location& location, std::int32_t record_number,
                        std::string* stored) const;
    Status Kill(File& file, const Location& location, std::int32_t record_number);
    Status CompactLocked(File& file);
    Status CompactIfWorthIt();

    filesystem::FileSystem* file_system_;
    std::string path_;
    bool scanned_ = false;
    FileIdentity identity_;
    std::unordered_map<std::int32_t, Location> live_;
    // Earlier live entries of a record that has a later one (an update torn
    // between its append and its kill); killed by the next write.
    std::vector<std::pair<std::int32_t, Location>> stale_;
    std::uint64_t live_bytes_ = 0;
    std::uint64_t dead_bytes_ = 0;
    std::uint64_t unreadable_bytes_ = 0;
};

}  // namespace kivo::recordstore

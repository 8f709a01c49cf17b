// RecordIndex: what deletion and compaction need from the record index (the
// keywords and positions kept for every record outside its record line).
// StoreRecordIndex works on the open data store's index file in the working
// folder; tests put their own in its place to watch the calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kivo::core {
class DataStoreSession;
}

namespace kivo::core {

// A record's entry after compaction moved its line.
struct IndexMove {
    std::int32_t record_number = 0;
    std::string kind_code;       // word 2 of the record line
    std::string start_date;      // word 8 of the record line
    std::string keywords;        // as read before the move
    std::uint64_t position = 0;  // new byte position of the line in its log
};

class RecordIndex {
public:
    virtual ~RecordIndex() = default;
    // Removes the record's entry. False when the index could not be changed.
    virtual bool Remove(std::int32_t record_number, const std::string& kind_code) = 0;
    // The record's keywords (empty when it has none or no entry).
    virtual std::string Keywords(std::int32_t record_number) = 0;
    // Points the record's entry at its new position. False on failure.
    virtual bool Move(const IndexMove& move) = 0;
};

// The index of the open data store ("Voxwren.xri" in the working folder).
std::unique_ptr<RecordIndex> OpenStoreRecordIndex(const core::DataStoreSession& session);
// The same index through the session's own index object
// (DataStoreSession::record_index), whose scan outlives the operation.
std::unique_ptr<RecordIndex> SessionRecordIndex(core::DataStoreSession& session);

}  // namespace kivo::core

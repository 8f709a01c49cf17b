// StoreRecordIndex: RecordIndex over the open data store's index file,
// through the record store library's index.
#include <memory>

#include "kivo/core/data_store_session.h"
#include "kivo/core/store_index.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"

namespace kivo::core {
namespace {

class StoreRecordIndex : public RecordIndex {
public:
    explicit StoreRecordIndex(std::string path)
        : owned_(std::make_unique<recordstore::RecordIndex>(std::move(path))), index_(*owned_) {}
    // Works on the session's own index object.
    explicit StoreRecordIndex(recordstore::RecordIndex& index) : index_(index) {}

    bool Remove(std::int32_t record_number, const std::string& /*kind_code*/) override {
        return index_.Remove(record_number).ok();
    }

    std::string Keywords(std::int32_t record_number) override {
        recordstore::IndexRecord record;
        if (!index_.Get(record_number, &record).ok())
            return {};
        return record.keywords;
    }

    // The entry keeps its mark comments; a record without an entry gets one,
    // so its search fields point at the right line from now on.
    bool Move(const IndexMove& move) override {
        recordstore::IndexRecord record;
        if (!index_.Get(move.record_number, &record).ok()) {
            record = recordstore::IndexRecord{};
            record.record_number = move.record_number;
            record.mark_comments.assign(1, ' ');
        }
        record.kind_code = move.kind_code;
        record.start_date = move.start_date;
        record.keywords = move.keywords;
        record.line_position = static_cast<std::int64_t>(move.position);
        record.moved = true;
        return index_.Put(record).ok();
    }

private:
    std::unique_ptr<recordstore::RecordIndex> owned_;
    recordstore::RecordIndex& index_;
};

}  // namespace

std::unique_ptr<RecordIndex> OpenStoreRecordIndex(const core::DataStoreSession& session) {
    return std::make_unique<StoreRecordIndex>(
        session.WorkingPath(recordstore::kIndexName).string());
}

std::unique_ptr<RecordIndex> SessionRecordIndex(core::DataStoreSession& session) {
    return std::make_unique<StoreRecordIndex>(session.record_index());
}

}  // namespace kivo::core

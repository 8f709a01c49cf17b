// The C interface of the record index (zn2index.h). One RecordIndex object
// per index path is kept for the life of the process, so that repeated
// calls find entries without scanning the file again; every call is
// serialised by one mutex.
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/text_encoding.h"
#include "zn2index.h"

namespace rs = kivo::recordstore;

namespace {

// More paths than this (the program has one open data store) start afresh.
constexpr std::size_t kMaxCachedIndexes = 16;

std::mutex& IndexMutex() {
    static std::mutex mutex;
    return mutex;
}

// The index object of a path; the caller holds IndexMutex().
rs::RecordIndex& IndexFor(const std::string& path) {
    static std::unordered_map<std::string, std::unique_ptr<rs::RecordIndex>> indexes;
    auto found = indexes.find(path);
    if (found == indexes.end()) {
        if (indexes.size() >= kMaxCachedIndexes) {
            indexes.clear();
        }
        found = indexes
                    .emplace(path, std::make_unique<rs::RecordIndex>(
                                       kivo::filesystem::DefaultFileSystem(), path))
                    .first;
    }
    return *found->second;
}

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

bool HasIndexPath(const Zn2IndexEntry* entry) {
    return entry != nullptr && entry->index_path != nullptr && entry->index_path[0] != '\0';
}

rs::IndexRecord RecordOf(const Zn2IndexEntry& entry) {
    rs::IndexRecord record;
    record.record_number = entry.record_number;
    record.kind_code = Text(entry.kind_code);
    record.start_date = Text(entry.start_date);
    record.keywords = Text(entry.keywords);
    record.mark_comments = Text(entry.mark_comments);
    record.line_position = entry.line_position;
    record.moved = entry.moved != 0;
    return record;
}

int32_t Put(const Zn2IndexEntry* entry) {
    if (!HasIndexPath(entry)) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(IndexMutex());
    return IndexFor(entry->index_path).Put(RecordOf(*entry)).ok() ? 1 : 0;
}

void CopyOut(std::string_view text, char* out, std::size_t buffer_bytes) {
    const std::string_view fitting = rs::CutAtCharBoundary(text, buffer_bytes - 1);
    std::memcpy(out, fitting.data(), fitting.size());
    out[fitting.size()] = '\0';
}

}  // namespace

extern "C" int32_t Zn2IndexAdd(const Zn2IndexEntry* entry) {
    return Put(entry);
}

extern "C" int32_t Zn2IndexUpd(const Zn2IndexEntry* entry) {
    return Put(entry);
}

extern "C" int32_t Zn2IndexDel(const Zn2IndexEntry* entry) {
    if (!HasIndexPath(entry)) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(IndexMutex());
    return IndexFor(entry->index_path).Remove(entry->record_number).ok() ? 1 : 0;
}

extern "C" int32_t Zn2IndexRead(int32_t record_number, const char* index_path, char* out) {
    if (index_path == nullptr || out == nullptr) {
        return 0;
    }
    rs::IndexRecord record;
    {
        std::lock_guard<std::mutex> lock(IndexMutex());
        if (!IndexFor(index_path).Get(record_number, &record).ok()) {
            return 0;
        }
    }
    CopyOut(record.keywords, out, ZN2INDEX_KEYWORDS_BUFFER_BYTES);
    return 1;
}

extern "C" int32_t Zn2IndexField(int32_t field_number, const char* entry, char* text) {
    if (text == nullptr) {
        return 0;
    }
    text[0] = '\0';
    if (entry == nullptr || field_number < 0 || field_number >= rs::kIndexFieldCount) {
        return 0;
    }
    const std::string_view line(entry);
    const std::string_view field = rs::IndexEntryField(line, field_number);
    if (field.empty() && field_number >= rs::IndexEntryFieldCount(line)) {
        return 0;
    }
    CopyOut(field, text, ZN2INDEX_FIELD_BUFFER_BYTES);
    return 1;
}

extern "C" int32_t Zn2IndexSFS(const Zn2IndexEntry* entry, const char* index_mark_path) {
    if (!HasIndexPath(entry) || index_mark_path == nullptr) {
        return 0;
    }
    rs::IndexMarkRead marks;
    const rs::Status read =
        rs::ReadIndexMarkFile(kivo::filesystem::DefaultFileSystem(), index_mark_path, &marks);
    if (!read.ok() && read.code() != rs::Status::Code::kNotFound) {
        return 0;
    }
    const std::string comments = rs::JoinMarkComments(marks.marks);
    std::lock_guard<std::mutex> lock(IndexMutex());
    return IndexFor(entry->index_path).SetMarkComments(entry->record_number, comments).ok() ? 1 : 0;
}

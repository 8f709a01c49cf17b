#include "search_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::search::test {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string SearchFolder::LineOf(const TestRecord& record) {
    recordstore::RecordFields fields;
    fields.record_number = record.number;
    fields.kind_code = record.kind;
    fields.text_a = record.text_a;
    fields.subject = record.subject;
    fields.lock = record.lock;
    fields.container_name = "D" + std::to_string(record.number) + ".xrz";
    fields.start_date = record.date;
    fields.start_time = "10:00";
    fields.end_date = record.date;
    fields.end_time = "10:05";
    fields.duration = "00:05:00";
    const auto build = recordstore::RecordLine::Build(fields);
    EXPECT_TRUE(build.status.ok());
    return build.bytes;
}

void SearchFolder::Add(const std::vector<TestRecord>& records) {
    recordstore::RecordIndex index(IndexPath());
    for (const TestRecord& record : records) {
        const char* log_name = recordstore::RecordLogNameForKind(record.kind);
        ASSERT_NE(log_name, nullptr) << record.kind;
        const std::string log = File(log_name);
        std::string bytes = ReadBytes(log);
        if (bytes.empty())
            bytes = recordstore::RecordLine::HeaderLine();
        const std::uint64_t position = bytes.size();
        WriteBytes(log, bytes + LineOf(record));
        positions_.emplace_back(record.number, position);

        recordstore::IndexRecord entry;
        entry.record_number = record.number;
        entry.kind_code = record.kind;
        entry.start_date = record.date;
        entry.keywords = record.keywords;
        entry.mark_comments = record.comments;
        entry.line_position = static_cast<std::int64_t>(position);
        ASSERT_TRUE(index.Put(entry).ok());
    }
}

std::uint64_t SearchFolder::PositionOf(std::int32_t number) const {
    for (const auto& [n, position] : positions_) {
        if (n == number)
            return position;
    }
    ADD_FAILURE() << "no record " << number;
    return 0;
}

}  // namespace kivo::search::test

// A working folder shaped for search tests: record logs written line by
// line with the record store's own line builder, and the record index
// written through RecordIndex, each entry pointing at its record's line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace kivo::search::test {

struct TestRecord {
    std::int32_t number = 1;
    std::string kind = "0";
    std::string subject = "Subject";
    std::string text_a = "0";  // caller's name, diary date
    std::string date = "15/03/2024";
    std::string keywords;
    std::string comments = " ";
    std::string lock;
};

class SearchFolder {
public:
    // Appends each record's line to the log of its kind and adds its index
    // entry with the line's position.
    void Add(const std::vector<TestRecord>& records);

    // The byte position of a record's line as written by Add.
    std::uint64_t PositionOf(std::int32_t number) const;

    std::string path() const { return dir_.path().string(); }
    std::string File(const std::string& name) const { return dir_.file(name); }
    std::string IndexPath() const { return File("Voxwren.xri"); }

    static std::string LineOf(const TestRecord& record);

private:
    kivo::test::TempDir dir_;
    std::vector<std::pair<std::int32_t, std::uint64_t>> positions_;
};

// Every byte of a file, and writing one whole.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace kivo::search::test

// Helpers for tests of the program's core classes: record lines, record logs
// and small data stores made member by member through the repository engine,
// so a test can shape a store exactly (a store made before agendas, a store
// whose phone log is missing ...).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace kivo::test {

// Fields of a record line (1-based numbering as in the line).
struct RecordFields {
    std::int32_t number = 1;
    std::string kind = "0";
    std::string text_a = "0";
    std::string text_b;
    std::string subject = "Subject";  // spaces are stored as 0xAC
    std::string lock;
    std::string container = "D20240101120000.xrz";
    std::string start_date = "01/01/2024";
    std::string start_time = "12:00:00";
    std::string end_date = "01/01/2024";
    std::string end_time = "12:01:00";
    std::string duration = "00:01:00";
    std::string kind_number;
    std::string quality = "0";
};

// The 401-byte record line of the fields.
std::string MakeRecordLine(const RecordFields& fields);
// The header line of a record log.
std::string RecordLogHeader();
// A record log: the header line and then the lines.
std::string MakeRecordLog(const std::vector<RecordFields>& records);

// Member name to content.
using StoreMembers = std::map<std::string, std::string>;

// The members of a freshly built store (four logs with their header line,
// empty index, phone book and templates, the agenda marker, two sounds).
StoreMembers NewStoreMembers();

// Writes the members into a new repository at store_path (through a private
// scratch folder). Fails the calling test on error.
void MakeStore(const std::filesystem::path& store_path, const StoreMembers& members);

// Names of the live members and their content, read back from a store.
std::map<std::string, std::string> ReadStoreMembers(const std::filesystem::path& store_path);

}  // namespace kivo::test

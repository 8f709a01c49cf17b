// Record lines and data stores for tests; see store_fixture.h.
#include "store_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "file_bytes.h"
#include "zn2xrrps.h"

namespace kivo::test {

std::string MakeRecordLine(const RecordFields& f) {
    std::string subject = f.subject;
    for (char& c : subject) {
        if (c == ' ')
            c = '\xAC';
    }
    char number[16];
    std::snprintf(number, sizeof number, "%08d", f.number);
    std::string text = std::string(number) + " " + f.kind + " " + f.text_a + " " + f.text_b + " " +
                       subject + " " + f.lock + " " + f.container + " " + f.start_date + " " +
                       f.start_time + " " + f.end_date + " " + f.end_time + " " + f.duration + " " +
                       f.kind_number + " " + f.quality + " ";
    text.resize(400, ' ');
    return text + "\n";
}

std::string RecordLogHeader() {
    std::string header = "00000000 ";
    header.resize(400, ' ');
    return header + "\n";
}

std::string MakeRecordLog(const std::vector<RecordFields>& records) {
    std::string log = RecordLogHeader();
    for (const auto& r : records)
        log += MakeRecordLine(r);
    return log;
}

StoreMembers NewStoreMembers() {
    return {
        {"Voxwren.xrr", RecordLogHeader()},
        {"Voxwren.xrm", RecordLogHeader()},
        {"Voxwren.xrp", RecordLogHeader()},
        {"Voxwren.xrd", RecordLogHeader()},
        {"Voxwren.xri", ""},
        {"xrgreet.wav", "RIFF greeting"},
        {"xrwarn.wav", "RIFF warning"},
        {"Voxwren.xrb", ""},
        {"Voxwren.xrc", ""},
        {"Voxwren.xra", "999999999"},
    };
}

void MakeStore(const std::filesystem::path& store_path, const StoreMembers& members) {
    TempDir scratch;
    std::vector<std::string> names;
    for (const auto& [name, content] : members) {
        WriteFileText(scratch.file(name), content);
        names.push_back(name);
    }
    std::vector<const char*> c_names;
    for (const auto& n : names)
        c_names.push_back(n.c_str());
    RPS_STATUS* status = RPS_Put(store_path.c_str(), scratch.path().c_str(), c_names.data(),
                                 static_cast<int32_t>(c_names.size()));
    ASSERT_EQ(status, nullptr) << (status && status->messages ? status->messages->text : "");
}

std::map<std::string, std::string> ReadStoreMembers(const std::filesystem::path& store_path) {
    std::map<std::string, std::string> result;
    TempDir scratch;
    RPS_STATUS* status = RPS_GetAll(store_path.c_str(), scratch.path().c_str());
    EXPECT_EQ(status, nullptr) << (status && status->messages ? status->messages->text : "");
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        result[entry.path().filename().string()] = ReadFileText(entry.path().string());
    }
    return result;
}

}  // namespace kivo::test

// Shared set-up of the record store tests: a data store built in a temporary
// folder and unpacked into a working folder (as the program keeps it open),
// the files of one record in that folder, and views of repository members.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/record_line.h"
#include "media_codec_wave_builder.h"
#include "temp_dir.h"
#include "zn2xrrps.h"

namespace kivo::test {

struct MemberView {
    std::string name;
    std::uint32_t size_bytes;
    std::uint32_t version;
};

// The live members of a repository, in directory order.
inline std::vector<MemberView> LiveMembers(const std::string& repository) {
    std::vector<MemberView> members;
    const RPS_STATUS* status = RPS_Info(repository.c_str());
    for (const RPS_ENTRY_INFO* e = status == nullptr ? nullptr : status->entries; e != nullptr;
         e = e->next) {
        if (e->deleted == 0)
            members.push_back({e->name, e->size, e->version});
    }
    return members;
}

inline std::vector<std::string> LiveMemberNames(const std::string& repository) {
    std::vector<std::string> names;
    for (const MemberView& member : LiveMembers(repository))
        names.push_back(member.name);
    return names;
}

inline bool PutFiles(const std::string& repository, const std::string& folder,
                     const std::vector<std::string>& names) {
    std::vector<const char*> pointers;
    for (const std::string& name : names)
        pointers.push_back(name.c_str());
    return RPS_Put(repository.c_str(), folder.c_str(), pointers.data(),
                   static_cast<int32_t>(pointers.size())) == nullptr;
}

// The bytes of one live member, extracted into a scratch folder.
inline Bytes MemberBytes(const std::string& repository, const std::string& name) {
    TempDir scratch;
    const char* names[] = {name.c_str()};
    if (RPS_Get(repository.c_str(), scratch.path().c_str(), names, 1) != nullptr)
        return {};
    return ReadFileBytes(scratch.file(name));
}

// A 401-byte record line as the builders write it.
inline std::string MakeRecordLine(int record_number, const std::string& kind,
                                  const std::string& container) {
    recordstore::RecordFields fields;
    fields.record_number = record_number;
    fields.kind_code = kind;
    fields.text_a = "0";
    fields.subject = "Test subject";
    fields.container_name = container;
    fields.start_date = fields.end_date = "01/02/2024";
    fields.start_time = "10:00";
    fields.end_time = "10:01";
    fields.duration = "00:01:00";
    fields.recording_quality = "2";
    const recordstore::RecordLineBuild built = recordstore::RecordLine::Build(fields);
    EXPECT_TRUE(built.status.ok()) << built.status.message();
    return built.bytes;
}

inline std::string LogHeaderLine() {
    return recordstore::RecordLine::HeaderLine();
}

// A data store "Test.xrt" with its ten members, unpacked into a working
// folder, and the files of one record ready to save.
class RecordStoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        store_path_ = store_dir_.file("Test.xrt");
        WriteFileBytes(resources_.file("00001.wav"), BuildWave(WaveRecipe{}));
        WriteFileBytes(resources_.file("00002.wav"), BuildWave(WaveRecipe{}));
        const recordstore::NewDataStore request{store_dir_.path().string(), "Test", working(),
                                                resources_.path().string()};
        ASSERT_EQ(recordstore::DataStore::Build(request), recordstore::BuildResult::kBuilt);
        ASSERT_EQ(RPS_GetAll(store_path_.c_str(), working().c_str()), nullptr);
    }

    std::string working() const { return working_dir_.path().string(); }
    std::string work_file(const std::string& name) const { return working_dir_.file(name); }

    // Writes B.xrw (a wave), B.xrl (a record line naming container) and
    // B.xrs (one 61-byte mark) into the working folder; returns the wave.
    Bytes WriteRecordFiles(const std::string& base, int record_number, const std::string& kind,
                           const std::string& container,
                           const std::string& media_extension = ".xrw") {
        WaveRecipe recipe;
        recipe.frames = 4000 + static_cast<std::uint64_t>(record_number);
        const Bytes wave = BuildWave(recipe);
        WriteFileBytes(work_file(base + media_extension), wave);
        WriteFileText(work_file(base + ".xrl"), MakeRecordLine(record_number, kind, container));
        std::string mark =
            "00:00:01 first\xAC"
            "mark 0";
        mark.resize(61, ' ');
        WriteFileText(work_file(base + ".xrs"), mark);
        return wave;
    }

    TempDir store_dir_;
    TempDir working_dir_;
    TempDir resources_;
    std::string store_path_;
};

}  // namespace kivo::test

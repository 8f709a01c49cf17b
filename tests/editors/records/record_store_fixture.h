// The record edit tests' fixture: a real data store built by the record
// store library and loaded into a working folder, with records saved into it
// the way the recorders save them (XRsaveR/M/P/D, then Zn2IndexAdd).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "committed_store.h"
#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/records/record_edit_session.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "temp_dir.h"
#include "xrsave.h"
#include "zn2index.h"
#include "zn2xrrps.h"

namespace kivo::records {

namespace fs = std::filesystem;

// A 16-bit mono 8000 Hz PCM wave of the given frames, a sawtooth that is
// different for every record.
inline std::vector<std::uint8_t> MakeWave(std::uint32_t frames, int seed) {
    std::vector<std::uint8_t> bytes;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const std::uint32_t data_bytes = frames * 2;
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    u32(36 + data_bytes);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    u32(data_bytes);
    for (std::uint32_t i = 0; i < frames; ++i)
        u16(static_cast<std::uint16_t>((i * 37 + static_cast<std::uint32_t>(seed) * 1000) % 20000));
    return bytes;
}

// What a test record holds.
struct TestRecord {
    std::int32_t number = 1;
    std::string kind = "0";
    std::string text_a = "0";
    std::string text_b;
    std::string subject = "first subject";
    std::string lock;
    std::string kind_number;
    std::string keywords = "old keywords";
    std::vector<std::string> mark_comments = {"opening words"};
    std::string picture_extension;  // ".GIF", ".JPG" or empty
};

class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work_);
        store_ = std::make_unique<core::DataStoreSession>(work_);
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        // 102: the greeting sounds are not installed beside the test.
        ASSERT_TRUE(built == 0 || built == 102) << built;
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);
    }

    std::string store_path() const { return store_->store_path().string(); }
    // The open store the sessions under test save into.
    core::DataStoreSession& target() { return *store_; }

    // Saves a record with the record store library; returns its container.
    std::string AddRecord(const TestRecord& record) {
        const std::string stamp = "2026120" + std::to_string(record.number);
        const std::string base = "D" + stamp;
        const std::string container = base + ".xrz";
        test::WriteFileBytes((work_ / (base + ".xrw")).string(), MakeWave(4000, record.number));

        recordstore::RecordFields fields;
        fields.record_number = record.number;
        fields.kind_code = record.kind;
        fields.text_a = record.text_a;
        fields.text_b = record.text_b;
        fields.subject = record.subject;
        fields.lock = record.lock;
        fields.container_name = container;
        fields.start_date = fields.end_date = "07/12/2026";
        fields.start_time = "09:00:00";
        fields.end_time = "09:00:05";
        fields.duration = "00:00:05";
        fields.kind_number = record.kind_number;
        fields.recording_quality = "0";
        const auto built = recordstore::RecordLine::Build(fields);
        EXPECT_TRUE(built.status.ok());
        test::WriteFileText((work_ / (base + ".xrl")).string(), built.bytes);

        std::vector<recordstore::IndexMark> marks;
        int second = 1;
        for (const std::string& comment : record.mark_comments)
            marks.push_back(
                recordstore::MakeIndexMark("00:00:0" + std::to_string(second++), comment));
        EXPECT_TRUE(
            recordstore::WriteIndexMarkFile((work_ / (base + ".xrs")).string(), marks).ok());

        std::string picture;
        if (!record.picture_extension.empty()) {
            picture = base + record.picture_extension;
            test::WriteFileText((work_ / picture).string(), "picture " + picture);
        }
        using SaveFn = std::int64_t (*)(const char*, const char*, const char*, const char*,
                                        const char*, const char*, const char*, std::int32_t);
        const std::map<std::string, SaveFn> savers = {
            {"0", XRsaveR}, {"5", XRsaveR}, {"9", XRsaveR}, {"17", XRsaveR},
            {"1", XRsaveM}, {"2", XRsaveP}, {"3", XRsaveP}, {"4", XRsaveD}};
        const SaveFn save = savers.at(record.kind);
        const std::int64_t position =
            save((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(),
                 picture.c_str(), work_.c_str(), store_path().c_str(), stamp.c_str(), 0);
        EXPECT_GT(position, 0);

        const std::string index = (work_ / "Voxwren.xri").string();
        const std::string comments = recordstore::JoinMarkComments(marks);
        Zn2IndexEntry entry{};
        entry.index_path = index.c_str();
        entry.store_path = store_path().c_str();
        entry.working_folder = work_.c_str();
        entry.record_number = record.number;
        entry.kind_code = record.kind.c_str();
        entry.start_date = "07/12/2026";
        entry.keywords = record.keywords.c_str();
        entry.mark_comments = comments.c_str();
        entry.line_position = position;
        EXPECT_NE(Zn2IndexAdd(&entry), 0);

        // What the recorder leaves behind is gone, as after a real save.
        for (const char* extension : {".xrw", ".xrl", ".xrs", ".xrz", ".GIF", ".JPG"})
            fs::remove(work_ / (base + extension));
        // The window commits once the recorder has closed.
        EXPECT_EQ(store_->CommitChanges(), core::kStoreOk);
        return container;
    }

    // The bytes of a store member.
    // A component (record log, index ...) as committed: the store with its
    // component journal played back, as the next start reads it.
    std::string StoredMember(const std::string& name) const {
        const auto components = test::ReadCommittedComponents(store_->store_path());
        if (const auto found = components.find(name); found != components.end())
            return found->second;
        test::TempDir scratch;
        const char* names[] = {name.c_str()};
        if (RPS_Get(store_path().c_str(), scratch.path().c_str(), names, 1) != nullptr)
            return {};
        return test::ReadFileText(scratch.file(name));
    }

    // Live member names of a stored container, extracted into a scratch folder.
    std::vector<std::string> ContainerMembers(const std::string& container) const {
        test::TempDir scratch;
        const char* names[] = {container.c_str()};
        std::vector<std::string> live;
        if (RPS_Get(store_path().c_str(), scratch.path().c_str(), names, 1) != nullptr)
            return live;
        const RPS_STATUS* status = RPS_Info(scratch.file(container).c_str());
        for (const RPS_ENTRY_INFO* e = status == nullptr ? nullptr : status->entries; e != nullptr;
             e = e->next) {
            if (e->deleted == 0)
                live.push_back(e->name);
        }
        return live;
    }

    // A member of a stored container, as stored.
    std::string ContainerMember(const std::string& container, const std::string& member) const {
        test::TempDir scratch;
        const char* names[] = {container.c_str()};
        if (RPS_Get(store_path().c_str(), scratch.path().c_str(), names, 1) != nullptr)
            return {};
        const char* members[] = {member.c_str()};
        if (RPS_Get(scratch.file(container).c_str(), scratch.path().c_str(), members, 1) != nullptr)
            return {};
        return test::ReadFileText(scratch.file(member));
    }

    // The record's line in a stored or working record log.
    static recordstore::RecordLine LineOf(const std::string& log, std::int32_t number) {
        for (std::size_t at = 0; at + 401 <= log.size(); at += 401) {
            recordstore::RecordLine line;
            if (recordstore::RecordLine::Parse(std::string_view(log).substr(at, 401), &line).ok() &&
                line.record_number() == number)
                return line;
        }
        ADD_FAILURE() << "record " << number << " not in the log";
        return {};
    }

    // Files of a record's stem left in the working folder, and the replace
    // step's temporary files.
    std::vector<std::string> LeftOverFiles(const std::string& container) const {
        const std::string stem = container.substr(0, container.rfind('.'));
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(stem + ".") || name.starts_with("templog"))
                names.push_back(name);
        }
        return names;
    }

    std::string StoreBytes() const { return test::ReadFileText(store_path()); }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    std::unique_ptr<core::DataStoreSession> store_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
};

}  // namespace kivo::records

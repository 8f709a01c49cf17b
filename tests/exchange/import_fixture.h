// A data store for import tests: built and opened in a folder of its own, with
// its own profile ("RecID") and working folder, records saved into it the way
// every recorder saves them, and what a record holds read back from it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "temp_dir.h"

namespace kivo::test {

// What a test puts in, and reads back from, one record.
struct SampleRecord {
    std::string kind = "0";
    std::string subject;
    std::string keywords;
    std::vector<recordstore::IndexMark> marks;
    std::vector<std::int16_t> samples;  // 8 kHz mono
    std::string picture_text;           // a GIF's bytes; empty for none
    std::string original_text;          // a translation's two texts
    std::string translated_text;
    std::string agenda;  // what a meeting keeps after its record line
};

// Samples that differ from record to record (seed), 0.25 s of them.
std::vector<std::int16_t> DistinctSamples(int seed);

class TestStore {
public:
    explicit TestStore(const std::string& name);

    const std::filesystem::path& folder() const { return dir_.path(); }
    const std::filesystem::path& working_folder() const { return work_; }
    std::filesystem::path store_path() const { return session_->store_path(); }
    core::DataStoreSession& session() { return *session_; }
    core::ProfileFile& profile() { return profile_; }
    const recorder::RecorderTarget& target() const { return target_; }
    void set_recording_quality(int quality) { target_.recording_quality = quality; }

    // Saves a new record; its record number.
    std::int32_t Save(const SampleRecord& record);

    // Every live record line of the four logs of the working folder, by number.
    std::map<std::int32_t, recordstore::RecordLine> Lines() const;
    // The record's keywords in the working index ("" without an entry).
    std::string Keywords(std::int32_t record_number) const;
    // The record read back from the store: kind, subject, marks, samples, texts.
    SampleRecord ReadBack(const recordstore::RecordLine& line) const;
    // The 16-bit samples of the record's decoded wave, and its format.
    std::vector<std::int16_t> Samples(const recordstore::RecordLine& line, int* channels = nullptr,
                                      int* sample_rate_hz = nullptr) const;
    // The store's live member names.
    std::vector<std::string> MemberNames() const;

private:
    TempDir dir_;
    std::filesystem::path work_;
    core::ProfileFile profile_;
    std::unique_ptr<core::DataStoreSession> session_;
    recorder::RecorderTarget target_;
};

// The names of every file under folder, recursively, relative to it.
std::vector<std::string> FilesUnder(const std::filesystem::path& folder);

}  // namespace kivo::test

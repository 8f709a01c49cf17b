// A data store for import tests (see import_fixture.h).
#include "import_fixture.h"

#include <fstream>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/store_repository.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::test {
namespace {

namespace fs = std::filesystem;

recordstore::RecordLogKind LogOf(const std::string& kind) {
    if (kind == "1")
        return recordstore::RecordLogKind::kMeetings;
    if (kind == "2" || kind == "3")
        return recordstore::RecordLogKind::kPhoneCalls;
    if (kind == "4")
        return recordstore::RecordLogKind::kDiary;
    return recordstore::RecordLogKind::kMessages;
}

}  // namespace

std::vector<std::int16_t> DistinctSamples(int seed) {
    std::vector<std::int16_t> samples(2000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(
            8000 * std::sin(0.01 * static_cast<double>((seed + 1) * i)) + 50 * seed);
    return samples;
}

TestStore::TestStore(const std::string& name)
    : work_(dir_.path() / "work"), profile_(dir_.file("KIVO.ini")) {
    fs::create_directories(work_);
    session_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
    const core::StoreLocation location{dir_.path(), name};
    const int built = session_->BuildDataStore(location);
    // 102: the greeting sounds are not installed beside the test.
    EXPECT_TRUE(built == 0 || built == 102) << built;
    session_->set_location(location);
    EXPECT_EQ(session_->LoadDataStore(), 0);
    // Saved as the program saves: bound to the store's session.
    target_ = recorder::RecorderTarget{{}, {}, &profile_, "anna", 0, {}};
    recorder::BindToSession(target_, *session_);
}

std::int32_t TestStore::Save(const SampleRecord& sample) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(sample.samples.data());
    EXPECT_TRUE(wavefile::WritePcmWave(files.wave_path().string(), {1, 8000, 16}, bytes,
                                       sample.samples.size() * 2)
                    .ok());
    recorder::NewRecord record;
    record.fields.kind_code = sample.kind;
    record.fields.text_a = "0";
    record.fields.subject = sample.subject;
    record.fields.container_name = files.container_name();
    record.fields.start_date = record.fields.end_date = "08/12/2026";
    record.fields.start_time = "09:00:00";
    record.fields.end_time = "09:00:01";
    record.fields.duration = "00:00:01";
    record.log = LogOf(sample.kind);
    record.marks = sample.marks;
    record.keywords = sample.keywords;
    if (!sample.picture_text.empty()) {
        record.picture = dir_.path() / "picture.gif";
        WriteFileText(record.picture.string(), sample.picture_text);
    }
    if (!sample.original_text.empty()) {
        WriteFileText(files.Path(".xr1").string(), sample.original_text);
        WriteFileText(files.Path(".xr2").string(), sample.translated_text);
        record.extra_members = {files.Name(".xr1"), files.Name(".xr2")};
    }
    if (!sample.agenda.empty()) {
        record.extend_record_file = [&sample](const fs::path& line_file) {
            std::ofstream out(line_file, std::ios::binary | std::ios::app);
            out << sample.agenda;
            return static_cast<bool>(out.flush());
        };
    }
    recorder::NewRecordSave save(target_, files);
    EXPECT_EQ(save.Save(record), 0);
    files.RemoveAll();
    for (const std::string& extra : record.extra_members)
        fs::remove(work_ / extra);
    return save.record_number();
}

std::map<std::int32_t, recordstore::RecordLine> TestStore::Lines() const {
    std::map<std::int32_t, recordstore::RecordLine> lines;
    for (std::string_view log : {recordstore::kMessageLogName, recordstore::kMeetingLogName,
                                 recordstore::kPhoneLogName, recordstore::kDiaryLogName}) {
        const std::string text = ReadFileText((work_ / log).string());
        for (std::size_t at = 0; at + 401 <= text.size(); at += 401) {
            recordstore::RecordLine line;
            if (recordstore::RecordLine::Parse(text.substr(at, 401), &line).ok() && line.IsRecord())
                lines.emplace(line.record_number(), line);
        }
    }
    return lines;
}

std::string TestStore::Keywords(std::int32_t record_number) const {
    recordstore::RecordIndex index((work_ / recordstore::kIndexName).string());
    recordstore::IndexRecord entry;
    return index.Get(record_number, &entry).ok() ? entry.keywords : std::string();
}

std::vector<std::int16_t> TestStore::Samples(const recordstore::RecordLine& line, int* channels,
                                             int* sample_rate_hz) const {
    TempDir out;
    const recordstore::RecordingContainer container(line.FieldText(7),
                                                    recordstore::MediaKind::kAudio);
    EXPECT_EQ(container.OpenFromStore(out.path().string(), store_path().string(), 0),
              recordstore::ContainerResult::kDone);
    wavefile::WaveData wave;
    EXPECT_TRUE(wavefile::ReadWaveFile((out.path() / container.media_name()).string(), &wave).ok());
    if (channels != nullptr)
        *channels = wave.info.format.channels;
    if (sample_rate_hz != nullptr)
        *sample_rate_hz = static_cast<int>(wave.info.format.sample_rate_hz);
    std::vector<std::int16_t> samples(wave.samples.size() / 2);
    std::copy_n(wave.samples.data(), samples.size() * 2,
                reinterpret_cast<std::uint8_t*>(samples.data()));
    return samples;
}

SampleRecord TestStore::ReadBack(const recordstore::RecordLine& line) const {
    SampleRecord record;
    record.kind = line.FieldText(2);
    record.subject = line.FieldText(5);
    record.keywords = Keywords(line.record_number());
    record.samples = Samples(line);
    // Every member of the record's container, as stored.
    TempDir out;
    const recordstore::RecordingContainer container(line.FieldText(7),
                                                    recordstore::MediaKind::kAudio);
    recordstore::Repository store(filesystem::DefaultFileSystem(), store_path().string());
    EXPECT_TRUE(store.Get(out.path().string(), {container.file_name()}));
    recordstore::Repository repository(filesystem::DefaultFileSystem(),
                                       (out.path() / container.file_name()).string());
    std::vector<std::string> members;
    for (const recordstore::MemberInfo& member : repository.LiveMembers())
        members.push_back(member.name);
    EXPECT_TRUE(repository.Get(out.path().string(), members));
    recordstore::IndexMarkRead marks;
    if (recordstore::ReadIndexMarkFile((out.path() / container.marks_name()).string(), &marks).ok())
        record.marks = marks.marks;
    const std::string base = container.base_name();
    const auto text_of = [&out](const std::string& name) {
        return fs::exists(out.path() / name) ? ReadFileText((out.path() / name).string())
                                             : std::string();
    };
    record.original_text = text_of(base + ".xr1");
    record.translated_text = text_of(base + ".xr2");
    record.picture_text = text_of(base + ".GIF");
    const std::string line_file = text_of(container.line_name());
    if (line_file.size() > 401)
        record.agenda = line_file.substr(401);
    return record;
}

std::vector<std::string> TestStore::MemberNames() const {
    recordstore::Repository repository(filesystem::DefaultFileSystem(), store_path().string());
    std::vector<std::string> names;
    for (const recordstore::MemberInfo& member : repository.LiveMembers())
        names.push_back(member.name);
    return names;
}

std::vector<std::string> FilesUnder(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        names.push_back(fs::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kivo::test

// StoredRecordings: see playback_fixture.h.
#include "playback_fixture.h"

#include <fstream>

#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/wavefile/wave_writer.h"
#include "test_signals.h"
#include "xrsave.h"

namespace kivo::test {

StoredRecordings::StoredRecordings() {
    const std::vector<std::uint8_t> beep = MakeCountingPattern(kMono8k, 800);
    for (const char* sound : {"00001.wav", "00002.wav"})
        if (!wavefile::WritePcmWave(resources_.file(sound), kMono8k, beep).ok())
            return;
    const recordstore::NewDataStore request{store_dir_.path().string(), "Test", working(),
                                            resources_.path().string()};
    store_path_ = request.path();
    session_ = std::make_unique<core::DataStoreSession>(working_.path());
    session_->set_location({store_dir_.path(), "Test"});
    ok_ = recordstore::DataStore::Build(request) == recordstore::BuildResult::kBuilt &&
          session_->LoadDataStore() == core::kStoreOk;
}

std::vector<std::uint8_t> StoredRecordings::AddRecord(
    int number, std::int64_t frames, const std::vector<recordstore::IndexMark>& marks) {
    const std::string base = "D" + std::to_string(number);
    const std::string stamp = std::to_string(number);
    const std::vector<std::uint8_t> samples = MakeCountingPattern(kMono8k, frames);
    ok_ = ok_ && wavefile::WritePcmWave(working_.file(base + ".xrw"), kMono8k, samples).ok();
    ok_ = ok_ && recordstore::WriteIndexMarkFile(working_.file(base + ".xrs"), marks).ok();

    recordstore::RecordFields fields;
    fields.record_number = number;
    fields.kind_code = "0";
    fields.text_a = "0";
    fields.subject = "Subject of record " + stamp;
    fields.container_name = "D" + stamp + ".xrz";
    fields.start_date = fields.end_date = "01/02/2024";
    fields.start_time = "10:00";
    fields.end_time = "10:01";
    fields.duration = "00:01:00";
    fields.recording_quality = "2";
    const recordstore::RecordLineBuild line = recordstore::RecordLine::Build(fields);
    std::ofstream(working_.file(base + ".xrl"), std::ios::binary) << line.bytes;
    ok_ = ok_ && line.status.ok();

    ok_ = ok_ && XRsaveR((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(),
                         "", working().c_str(), store_path_.c_str(), stamp.c_str(), 0) > 0;
    recordstore::IndexRecord entry;
    entry.record_number = number;
    entry.kind_code = "0";
    entry.start_date = "01/02/2024";
    entry.mark_comments = recordstore::JoinMarkComments(marks);
    recordstore::RecordIndex index(working_.file(std::string(recordstore::kIndexName)));
    ok_ = ok_ && index.Put(entry).ok();
    // The window commits once the recorder has closed.
    ok_ = ok_ && session_->CommitChanges() == core::kStoreOk;
    return samples;
}

playback::PlaybackItem StoredRecordings::item(int number) const {
    return {number, "D" + std::to_string(number) + ".xrz"};
}

}  // namespace kivo::test

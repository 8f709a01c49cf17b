// A data store with stored recordings, made by the record store library the
// way the program saves them, for the playback tests: each record is a
// 16-bit mono 8000 Hz wave with index marks, saved with XRsaveR and listed
// in the record index. The store is open in a DataStoreSession.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/playback/playback_session.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/wavefile/pcm_format.h"
#include "temp_dir.h"

namespace kivo::test {

inline const wavefile::PcmFormat kMono8k{1, 8000, 16};

class StoredRecordings {
public:
    StoredRecordings();

    // Saves record `number` ("D<number>.xrz") holding `frames` frames of a
    // counting pattern and the marks; returns the wave's samples.
    std::vector<std::uint8_t> AddRecord(int number, std::int64_t frames,
                                        const std::vector<recordstore::IndexMark>& marks);

    // The open store the sessions under test play from and save into.
    core::DataStoreSession& session() { return *session_; }
    playback::PlaybackItem item(int number) const;
    const std::string& store_path() const { return store_path_; }
    std::string working() const { return working_.path().string(); }
    bool ok() const { return ok_; }

private:
    TempDir store_dir_;
    TempDir working_;
    TempDir resources_;
    std::string store_path_;
    std::unique_ptr<core::DataStoreSession> session_;
    bool ok_ = false;
};

}  // namespace kivo::test

// A data store with stored recordings, made by the record store library the
// way the program saves them, for the playback tests: each record is a
// 16-bit mono 8000 Hz wave with index marks, saved with XRsaveR and listed
// in the record index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

    playback::PlaybackPlaces places() const;
    playback::PlaybackItem item(int number) const;
    const std::string& store_path() const { return store_path_; }
    std::string working() const { return working_.path().string(); }
    bool ok() const { return ok_; }

private:
    TempDir store_dir_;
    TempDir working_;
    TempDir resources_;
    std::string store_path_;
    bool ok_ = false;
};

}  // namespace kivo::test

// What a video record is made of when it is saved: the kind "9" line in
// "Voxwren.xrr" with an ".xrv" container, the marks in the meeting form
// (no type). The video recorder and the recovery of a left-over capture
// both save through this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/index_mark_file.h"

namespace kivo::video {

struct VideoRecordTexts {
    std::string subject;
    std::string keywords;
    std::string start_log_date;  // "dd/mm/yyyy HH:MM:SS"
    std::string end_log_date;    // empty: now
    std::int64_t duration_ms = 0;
    std::vector<recordstore::IndexMark> marks;
};

// The new record for files (whose B.wmv is the converted video).
recorder::NewRecord MakeVideoRecord(const VideoRecordTexts& texts,
                                    const recorder::RecordFiles& files);

}  // namespace kivo::video

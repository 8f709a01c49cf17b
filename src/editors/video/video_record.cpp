// A video record as it is saved (see video_record.h).
#include "kivo/video/video_record.h"

#include "kivo/recorder/log_date.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::video {

recorder::NewRecord MakeVideoRecord(const VideoRecordTexts& texts,
                                    const recorder::RecordFiles& files) {
    recorder::NewRecord record;
    record.fields.kind_code = recordstore::kind_code::kVideo;
    record.fields.text_a = "0";
    record.fields.subject = texts.subject;
    record.fields.container_name = files.Name(recordstore::kVideoContainerExtension);
    std::tie(record.fields.start_date, record.fields.start_time) =
        recorder::SplitLogDate(texts.start_log_date);
    std::tie(record.fields.end_date, record.fields.end_time) = recorder::SplitLogDate(
        texts.end_log_date.empty() ? recorder::NowLogDate() : texts.end_log_date);
    record.fields.duration = recordstore::DurationText(texts.duration_ms);
    record.fields.recording_quality = "0";  // video recorded by the program
    record.log = recordstore::RecordLogKind::kMessages;
    record.media_kind = recordstore::MediaKind::kVideo;
    record.marks = texts.marks;
    record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    record.keywords = texts.keywords;
    return record;
}

}  // namespace kivo::video

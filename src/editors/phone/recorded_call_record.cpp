// The recorded call's phone record (see recorded_call_record.h).
#include "kivo/phone/recorded_call_record.h"

#include "kivo/recorder/log_date.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::phone {

recorder::NewRecord RecordedCallRecord(const RecordedCall& call,
                                       const recorder::RecordFiles& files) {
    recorder::NewRecord record;
    recordstore::RecordFields& fields = record.fields;
    fields.kind_code = recordstore::kind_code::kRecordedCall;
    fields.text_a = call.caller_name;
    fields.text_b = call.cost;
    fields.subject = call.caller_number;
    fields.container_name = files.container_name();
    std::tie(fields.start_date, fields.start_time) = recorder::SplitLogDate(call.start_log_date);
    std::tie(fields.end_date, fields.end_time) = recorder::SplitLogDate(call.end_log_date);
    fields.duration = recordstore::DurationText(call.duration_ms);
    fields.recording_quality = "0";
    record.log = recordstore::RecordLogKind::kPhoneCalls;
    recorder::RecorderMarks marks;
    for (const recorder::RecorderMark& mark : call.marks)
        marks.Add(mark.time_ms, mark.comment, mark.type);
    record.marks = marks.ToIndexMarks();
    record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    record.keywords = call.keywords;
    return record;
}

}  // namespace kivo::phone

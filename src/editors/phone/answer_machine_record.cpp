// The answering machine's phone record (see answer_machine_record.h).
#include "kivo/phone/answer_machine_record.h"

#include "kivo/recorder/log_date.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::phone {

recorder::NewRecord AnswerMachineRecord(const AnsweredCall& call,
                                        const recorder::RecordFiles& files) {
    recorder::NewRecord record;
    recordstore::RecordFields& fields = record.fields;
    fields.kind_code = recordstore::kind_code::kAnsweredCall;
    fields.text_a = call.caller_name;
    fields.subject = call.caller_number;
    fields.container_name = files.container_name();
    std::tie(fields.start_date, fields.start_time) = recorder::SplitLogDate(call.start_log_date);
    std::tie(fields.end_date, fields.end_time) = recorder::SplitLogDate(call.end_log_date);
    fields.duration = recordstore::DurationText(call.duration_ms);
    fields.kind_number = kNewMessageMark;
    fields.recording_quality = "0";
    record.log = recordstore::RecordLogKind::kPhoneCalls;
    record.keywords = kAnswerMachineTitle;
    return record;
}

}  // namespace kivo::phone

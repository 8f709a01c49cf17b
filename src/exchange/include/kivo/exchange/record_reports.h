// The report texts of selected records, for printing: each record formatted
// by its kind's Zn2Fmt function, in selection order.
//
// The formatter takes the record's members out of its container and deletes
// them afterwards; it is given a private folder inside the working folder,
// so it never touches the files of a player or editor open on the same
// record. Records whose report cannot be made ("filerr") or whose line names
// no recording are left out.
#pragma once

#include <string>
#include <vector>

#include "kivo/core/record_deletion.h"
#include "kivo/exchange/recording_export.h"

namespace kivo::exchange {

struct RecordReport {
    std::int32_t record_number = 0;
    std::string text;  // lines end with CR LF
};

std::vector<RecordReport> CollectRecordReports(const ExportSource& source,
                                               const std::vector<core::SelectedRecord>& records);

}  // namespace kivo::exchange

// CollectRecordReports: Zn2Fmt by view kind, in a private folder.
#include "kivo/exchange/record_reports.h"

#include "kivo/core/recording_name.h"
#include "kivo/exchange/export_staging.h"
#include "kivo/format/record_report.h"
#include "kivo/format/zn2fmt.h"

namespace kivo::exchange {
namespace {

using ReportFunction = std::string (*)(const char*, const char*, const char*, const char*);

ReportFunction ReportFor(core::ViewKind view) {
    switch (view) {
        case core::ViewKind::kMeeting:
            return Zn2FmtMeeting;
        case core::ViewKind::kPhone:
            return Zn2FmtPhone;
        case core::ViewKind::kDiary:
            return Zn2FmtDiary;
        case core::ViewKind::kTranslation:
            return Zn2FmtTrans;
        case core::ViewKind::kVideo:
            return Zn2FmtVideo;
        case core::ViewKind::kDictation:
            return Zn2FmtMessage;
        default:
            return nullptr;
    }
}

}  // namespace

std::vector<RecordReport> CollectRecordReports(const ExportSource& source,
                                               const std::vector<core::SelectedRecord>& records) {
    std::vector<RecordReport> reports;
    ExportStaging staging(source.working_folder);
    if (!staging.ok())
        return reports;
    for (const core::SelectedRecord& record : records) {
        const ReportFunction format = ReportFor(record.view);
        if (format == nullptr || !core::IsRecordingName(record.recording_file))
            continue;
        std::string text = format(source.store_path.c_str(), staging.path().c_str(),
                                  record.recording_file.c_str(), source.index_path.c_str());
        if (text == format::kReportFileError)
            continue;
        reports.push_back({record.record_number, std::move(text)});
    }
    return reports;
}

}  // namespace kivo::exchange

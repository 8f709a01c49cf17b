// The Zn2Fmt functions: extract a stored record's container into the
// working folder, build its report from the extracted files, and delete
// them again.
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "kivo/format/record_report.h"
#include "kivo/format/zn2fmt.h"
#include "xrsave.h"
#include "zn2index.h"

namespace {

using kivo::format::ExtractedRecordFiles;
using kivo::format::ReportKind;

// The container name comes from a record line, which may come from a
// stranger's file: it must be a plain file name, so that nothing outside
// the working folder is read or deleted.
bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

std::string FormatStored(ReportKind kind, const char* store_path, const char* working_folder,
                         const char* container_name, const char* index_path) {
    if (store_path == nullptr || working_folder == nullptr || container_name == nullptr ||
        !IsPlainFileName(container_name)) {
        return kivo::format::kReportFileError;
    }
    const std::string folder = working_folder;
    const std::string container = container_name;
    const int32_t selector =
        kind == ReportKind::kTranslation ? XR_OPEN_TRANSLATION : XR_OPEN_LINE_MARKS;
    // A failed extraction shows as a record line that cannot be read.
    if (kind == ReportKind::kVideo) {
        XRopenXRV(container_name, working_folder, store_path, selector);
    } else {
        XRopenXRZ(container_name, working_folder, store_path, selector);
    }

    const std::string base = container.substr(0, container.rfind('.'));
    ExtractedRecordFiles files;
    files.record_line_path = InFolder(folder, base + ".xrl");
    files.index_marks_path = InFolder(folder, base + ".xrs");
    std::vector<std::string> extracted = {files.record_line_path, files.index_marks_path};
    if (kind == ReportKind::kTranslation) {
        files.original_text_path = InFolder(folder, base + ".xr1");
        files.translated_text_path = InFolder(folder, base + ".xr2");
        extracted.push_back(files.original_text_path);
        extracted.push_back(files.translated_text_path);
        extracted.push_back(InFolder(folder, base + ".xrw"));
    }
    const std::string index = index_path != nullptr ? index_path : "";
    const std::string report =
        kivo::format::FormatRecordReport(kind, files, [&](std::int32_t record_number) {
            std::string keywords(ZN2INDEX_KEYWORDS_BUFFER_BYTES, '\0');
            Zn2IndexRead(record_number, index.c_str(), keywords.data());
            return std::string(keywords.c_str());
        });

    extracted.push_back(InFolder(folder, container));
    for (const std::string& path : extracted) {
        ::unlink(path.c_str());
    }
    return report;
}

}  // namespace

std::string Zn2FmtMessage(const char* store_path, const char* working_folder,
                          const char* container_name, const char* index_path) {
    return FormatStored(ReportKind::kMessage, store_path, working_folder, container_name,
                        index_path);
}

std::string Zn2FmtVideo(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path) {
    return FormatStored(ReportKind::kVideo, store_path, working_folder, container_name, index_path);
}

std::string Zn2FmtTrans(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path) {
    return FormatStored(ReportKind::kTranslation, store_path, working_folder, container_name,
                        index_path);
}

std::string Zn2FmtMeeting(const char* store_path, const char* working_folder,
                          const char* container_name, const char* index_path) {
    return FormatStored(ReportKind::kMeeting, store_path, working_folder, container_name,
                        index_path);
}

std::string Zn2FmtPhone(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path) {
    return FormatStored(ReportKind::kPhone, store_path, working_folder, container_name, index_path);
}

std::string Zn2FmtDiary(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path) {
    return FormatStored(ReportKind::kDiary, store_path, working_folder, container_name, index_path);
}

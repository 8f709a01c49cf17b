// recover: rebuilds a damaged "XR01" directory from the internal directory
// entries at the head of every member block. Without --write it only reports
// what a rebuild would keep; with it, the engine rewrites the directory (under
// its journal, like every other write).
//
// Output: the entries found, as "list --all" prints them, then a summary of
// "key<TAB>value" lines.
#include <cstdio>

#include "changing_command.h"
#include "commands.h"
#include "entry_line.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/recovery.h"
#include "status_report.h"

namespace kivo::xrrps {
namespace {

RPS_SYSTEMTIME ToRps(const repository::SystemTime& time) {
    return RPS_SYSTEMTIME{time.year, time.month,  time.day_of_week, time.day,
                          time.hour, time.minute, time.second,      time.milliseconds};
}

// The entry as a node of the C interface's entry list, so it prints like one.
RPS_ENTRY_INFO ToRps(const repository::EntryInfo& entry) {
    RPS_ENTRY_INFO node{};
    node.name = const_cast<char*>(entry.name.c_str());
    node.version = entry.version;
    node.stored = ToRps(entry.stored);
    node.deleted_at = ToRps(entry.deleted_at);
    node.size = entry.size_bytes;
    node.attributes = entry.attributes;
    node.deleted = entry.deleted;
    node.nested = entry.nested;
    return node;
}

void PrintSummary(const repository::RecoveryReport& report, bool write_asked) {
    std::uint64_t deleted = 0;
    for (const repository::EntryInfo& entry : report.entries) {
        deleted += entry.deleted != 0 ? 1 : 0;
    }
    auto number = [](const char* key, std::uint64_t value) {
        std::printf("%s\t%llu\n", key, static_cast<unsigned long long>(value));
    };
    number("entries found", report.entries.size());
    number("deleted entries found", deleted);
    number("blocks end", report.blocks_end_offset);
    number("file size", report.file_size_bytes);
    number("header directory offset", report.directory_offset);
    number("header entry count", report.header_entry_count);
    if (!report.stop_reason.empty()) {
        std::printf("walk stopped\t%s\n", EscapeName(report.stop_reason.c_str()).c_str());
    }
    if (report.written) {
        std::printf("directory\trewritten\n");
    } else if (write_asked) {
        std::printf("directory\tnot rewritten\n");
    } else {
        std::printf("directory\tnot rewritten (use --write to rewrite it)\n");
    }
}

bool Report(const repository::RecoveryReport& report, bool write_asked) {
    for (const repository::EntryInfo& entry : report.entries) {
        std::printf("%s\n", FormatEntryLine(ToRps(entry)).c_str());
    }
    PrintSummary(report, write_asked);
    std::fflush(stdout);
    return ReportStatus(report.status);
}

}  // namespace

int RunRecover(const CommandLine& command) {
    filesystem::FileSystem& file_system = filesystem::DefaultFileSystem();
    if (!command.write_repairs) {
        return ExitStatus(Report(repository::RecoverDirectory(file_system, command.repository,
                                                              false, ToolEngineOptions()),
                                 false));
    }
    return RunChange(command.repository, /*create_missing=*/false,
                     [&](repository::Engine&, const repository::WriterLock& lock) {
                         return Report(
                             repository::RecoverDirectory(file_system, lock, command.repository,
                                                          true, ToolEngineOptions()),
                             true);
                     });
}

}  // namespace kivo::xrrps

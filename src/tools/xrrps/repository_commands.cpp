// list, info, check and compress: the commands on a repository as a whole.
#include <cstdio>

#include "changing_command.h"
#include "commands.h"
#include "entry_line.h"
#include "entry_list.h"
#include "progress_bar.h"
#include "status_report.h"

namespace kivo::xrrps {

int RunList(const CommandLine& command) {
    const RPS_STATUS* status = command.all_entries ? RPS_AllInfo(command.repository.c_str())
                                                   : RPS_Info(command.repository.c_str());
    for (const RPS_ENTRY_INFO* entry : EntriesOf(status)) {
        std::printf("%s\n", FormatEntryLine(*entry).c_str());
    }
    std::fflush(stdout);
    return ExitStatus(ReportStatus(status));
}

int RunInfo(const CommandLine& command) {
    const RPS_STATUS* status = RPS_AllInfo(command.repository.c_str());
    if (!ReportStatus(status)) {
        return 1;
    }
    std::uint64_t live = 0;
    std::uint64_t deleted = 0;
    for (const RPS_ENTRY_INFO* entry : EntriesOf(status)) {
        ++(entry->deleted != 0 ? deleted : live);
    }
    std::printf("format\t%s\n", FormatName(FormatOf(status)));
    std::printf("entries\t%llu\n", static_cast<unsigned long long>(live + deleted));
    std::printf("live entries\t%llu\n", static_cast<unsigned long long>(live));
    std::printf("deleted entries\t%llu\n", static_cast<unsigned long long>(deleted));
    std::printf("total size\t%llu\n", static_cast<unsigned long long>(status->total_size));
    std::printf("deleted size\t%llu\n", static_cast<unsigned long long>(status->deleted_size));
    std::printf("header time\t%s\n", FormatSystemTime(status->repository_time).c_str());
    return 0;
}

int RunCheck(const CommandLine& command) {
    return ExitStatus(ReportStatus(RPS_CheckIntegrity(command.repository.c_str())));
}

int RunCompress(const CommandLine& command) {
    return RunChange(command.repository, /*create_missing=*/false,
                     [&](repository::Engine& engine, const repository::WriterLock&) {
                         std::uint64_t total_bytes = 0;
                         if (ProgressBar::Wanted()) {
                             const RPS_STATUS* listing = RPS_AllInfo(command.repository.c_str());
                             total_bytes = CompactionBytes(listing, FormatOf(listing));
                         }
                         ProgressBar bar(total_bytes);
                         return ReportStatus(engine.Compress(command.repository, ProgressOf(bar)));
                     });
}

}  // namespace kivo::xrrps

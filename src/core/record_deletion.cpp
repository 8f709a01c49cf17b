// Erasing records from their record logs; see record_deletion.h.
#include "kivo/core/record_deletion.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <system_error>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/core/record_line_text.h"
#include "kivo/core/safe_file_io.h"
#include "kivo/core/store_index.h"

namespace kivo::core {
namespace {

using core::kRecordLineBytes;
using core::ViewKind;

constexpr std::size_t kFieldContainer = 7;
constexpr std::size_t kFieldKind = 2;

const char* LogOf(ViewKind view) {
    switch (view) {
        case ViewKind::kDictation:
        case ViewKind::kTranslation:
        case ViewKind::kVideo:
            return core::kRecordLogMember;
        case ViewKind::kMeeting:
            return core::kMeetingLogMember;
        case ViewKind::kPhone:
            return core::kPhoneLogMember;
        case ViewKind::kDiary:
            return core::kDiaryLogMember;
        default:
            return nullptr;
    }
}

struct ErasedRecord {
    std::int32_t number;
    std::string kind_code;
    std::string container;
};

// A line to erase: where it lies and what it held.
struct FoundLine {
    std::uint64_t offset = 0;
    std::string bytes;
};

// Collects the live lines of the given numbers. False when the log cannot be
// read.
bool FindLines(int fd, const std::set<std::int32_t>& numbers, std::vector<FoundLine>& found) {
    std::string buffer(kRecordLineBytes * 1024, '\0');
    for (std::uint64_t block_start = 0;; block_start += buffer.size()) {
        std::size_t filled = 0;
        if (!core::ReadFully(fd, buffer.data(), buffer.size(), filled))
            return false;
        const std::size_t whole = filled / kRecordLineBytes * kRecordLineBytes;
        for (std::size_t at = 0; at < whole; at += kRecordLineBytes) {
            std::string_view line(buffer.data() + at, kRecordLineBytes);
            auto number = core::LeadingRecordNumber(line);
            if (number && *number >= 1 && *number < core::kErasedRecordNumber &&
                numbers.count(static_cast<std::int32_t>(*number)) != 0) {
                found.push_back({block_start + at, std::string(line)});
            }
        }
        if (filled < buffer.size())
            return true;
    }
}

bool WriteLineAt(int fd, std::string_view line, std::uint64_t offset) {
    return ::pwrite(fd, line.data(), line.size(), static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(line.size());
}

// Erases the lines of the given numbers in the working log, in place, and
// collects what was erased. Only the working copy changes (the commit that
// follows makes it durable), so nothing is synced. When a write fails, the
// lines already erased are written back and false is returned.
bool EraseInLog(const std::filesystem::path& log, const std::set<std::int32_t>& numbers,
                std::vector<ErasedRecord>& erased) {
    const int fd = ::open(log.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<FoundLine> found;
    bool ok = FindLines(fd, numbers, found);
    const std::string erased_line = ErasedRecordLine();
    std::size_t written = 0;
    while (ok && written < found.size()) {
        ok = WriteLineAt(fd, erased_line, found[written].offset);
        if (ok)
            ++written;
    }
    if (!ok) {
        for (std::size_t i = 0; i < written; ++i)
            (void)WriteLineAt(fd, found[i].bytes, found[i].offset);
    }
    if (::close(fd) != 0 || !ok)
        return false;
    for (const FoundLine& line : found) {
        const std::string_view text(line.bytes);
        auto fields = core::SplitRecordFields(text.substr(0, core::kRecordTextBytes));
        erased.push_back({static_cast<std::int32_t>(*core::LeadingRecordNumber(text)),
                          std::string(core::RecordField(fields, kFieldKind)),
                          std::string(core::RecordField(fields, kFieldContainer))});
    }
    return true;
}

}  // namespace

std::string ErasedRecordLine() {
    std::string line = "99999999 ";
    line.resize(core::kRecordTextBytes, '#');
    line += '\n';
    return line;
}

std::string DeleteQuestion(std::span<const SelectedRecord> selection,
                           const std::string& current_id) {
    if (selection.size() == 1)
        return kDeleteOneQuestion + current_id;
    return kDeleteManyQuestion;
}

int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection) {
    auto index = OpenStoreRecordIndex(session);
    return DeleteRecords(session, selection, *index);
}

int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection,
                  RecordIndex& index) {
    // Records up to the first one without a record log are handled.
    std::size_t usable = 0;
    while (usable < selection.size() && LogOf(selection[usable].view) != nullptr)
        ++usable;
    const bool stopped = usable < selection.size();

    // One rewrite per log, in the order the logs first appear.
    std::vector<std::pair<const char*, std::set<std::int32_t>>> logs;
    for (std::size_t i = 0; i < usable; ++i) {
        const char* log = LogOf(selection[i].view);
        auto it =
            std::find_if(logs.begin(), logs.end(), [&](const auto& l) { return l.first == log; });
        if (it == logs.end())
            it = logs.insert(logs.end(), {log, {}});
        it->second.insert(selection[i].record_number);
    }

    std::vector<ErasedRecord> erased;
    for (const auto& [log, numbers] : logs) {
        if (!EraseInLog(session.WorkingPath(log), numbers, erased))
            return kDeleteFailed;
    }
    for (const auto& record : erased)
        index.Remove(record.number, record.kind_code);
    if (stopped)
        return kDeleteFailed;

    // The erased lines and index entries are made durable first: should
    // that fail, no recording is removed while the store still names it.
    if (session.CommitChanges() != core::kStoreOk)
        return kDeleteFailed;
    std::vector<std::string> containers;
    for (const auto& record : erased) {
        if (!record.container.empty() &&
            std::find(containers.begin(), containers.end(), record.container) == containers.end()) {
            containers.push_back(record.container);
        }
    }
    if (!containers.empty())
        core::StoreDelete(session.store_path().string(), containers);
    return kDeleteOk;
}

}  // namespace kivo::core

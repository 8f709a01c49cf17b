// Pending deletions of recordings; see pending_deletions.h.
#include "kivo/core/pending_deletions.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>
#include <system_error>

#include "kivo/core/data_store_session.h"
#include "kivo/core/recording_name.h"
#include "kivo/core/safe_file_io.h"
#include "kivo/core/store_access.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"

namespace kivo::core {
namespace {

constexpr const char* kNoteSuffix = "-deleting";
// A note is a few names; anything larger is not one of ours.
constexpr std::uint64_t kMaxNoteBytes = 4u << 20;

const std::string_view kRecordLogs[] = {recordstore::kMessageLogName, recordstore::kMeetingLogName,
                                        recordstore::kPhoneLogName, recordstore::kDiaryLogName};

// Adds to `named` those of `noted` (sorted) that a live line of one log
// names as its recording. Each line's container field is compared with the
// few noted names, so nothing is kept per line. False when the log cannot
// be read.
bool CollectNamedRecordings(const std::filesystem::path& log,
                            const std::vector<std::string_view>& noted,
                            std::set<std::string>& named) {
    using recordstore::RecordLine;
    return recordstore::RecordLog::ForEachLine(
               log.string(),
               [&](const recordstore::RecordLogLine& line) {
                   const std::string_view container = RecordLine::StoredFieldOf(
                       line.bytes, recordstore::record_field::kContainerName);
                   if (!std::binary_search(noted.begin(), noted.end(), container))
                       return true;
                   const std::int32_t number = RecordLine::NumberOf(line.bytes);
                   if (number >= 1 && number < recordstore::kErasedRecordNumber)
                       named.emplace(container);
                   return true;
               })
        .ok();
}

// Whether what was read covers the noted names: then the logs it read need
// not be read again.
bool Covers(const NamedRecordingsRead& read, const std::vector<std::string>& noted) {
    return std::all_of(noted.begin(), noted.end(), [&](const std::string& name) {
        return std::binary_search(read.looked_for.begin(), read.looked_for.end(), name);
    });
}

// The noted recordings that a live record line of the working logs names;
// none when a log cannot be read. The logs that `read` covers are taken
// from it.
std::optional<std::set<std::string>> NamedByLiveLines(const DataStoreSession& session,
                                                      const std::vector<std::string>& noted,
                                                      const NamedRecordingsRead& read) {
    std::vector<std::string_view> sorted(noted.begin(), noted.end());
    std::sort(sorted.begin(), sorted.end());
    std::set<std::string> named;
    const bool covered = Covers(read, noted);
    if (covered)
        named.insert(read.named.begin(), read.named.end());
    for (const std::string_view log : kRecordLogs) {
        if (covered && std::find(read.logs.begin(), read.logs.end(), log) != read.logs.end())
            continue;
        if (!CollectNamedRecordings(session.WorkingPath(log), sorted, named))
            return std::nullopt;
    }
    return named;
}

}  // namespace

std::filesystem::path PendingDeletionsPath(const std::filesystem::path& store) {
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(store, ec);
    if (ec)
        real = store;
    return real.string() + kNoteSuffix;
}

std::vector<std::string> PendingDeletions(const std::filesystem::path& store) {
    std::string text;
    if (ReadWholeFile(PendingDeletionsPath(store), kMaxNoteBytes, text) != ReadResult::kOk)
        return {};
    std::vector<std::string> names;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string name = text.substr(begin, end - begin);
        if (IsRecordingName(name) && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
        begin = end + 1;
    }
    return names;
}

bool NotePendingDeletions(const std::filesystem::path& store, std::span<const std::string> names) {
    std::vector<std::string> noted = PendingDeletions(store);
    for (const auto& name : names) {
        if (std::find(noted.begin(), noted.end(), name) == noted.end())
            noted.push_back(name);
    }
    std::string text;
    for (const auto& name : noted)
        text += name + "\n";
    return ReplaceFileAtomically(PendingDeletionsPath(store), text);
}

bool FinishPendingDeletions(const DataStoreSession& session) {
    return FinishPendingDeletions(session, NamedRecordingsRead{});
}

bool FinishPendingDeletions(const DataStoreSession& session, const NamedRecordingsRead& read) {
    const std::filesystem::path store = session.store_path();
    const std::filesystem::path note = PendingDeletionsPath(store);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(note, ec)))
        return true;
    const std::vector<std::string> noted = PendingDeletions(store);
    // Without the logs or the store's directory nothing can be known to be
    // unnamed. Both are asked about the noted names only.
    StoreAccess access = session.store_access();
    const auto named = NamedByLiveLines(session, noted, read);
    const auto members = access.LiveAmong(store.string(), noted);
    if (!named || !members)
        return false;
    std::vector<std::string> doomed;
    for (const auto& name : *members) {
        if (named->count(name) == 0)
            doomed.push_back(name);
    }
    if (!doomed.empty() && !access.Delete(store.string(), doomed))
        return false;
    return ::unlink(note.c_str()) == 0 || errno == ENOENT;
}

}  // namespace kivo::core

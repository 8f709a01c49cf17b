// Saving the playback dialog's changes: see playback_saver.h.
#include "kivo/playback/playback_saver.h"

#include <filesystem>

#include "kivo/core/data_store_session.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_log.h"

namespace kivo::playback {
namespace {

namespace fs = std::filesystem;
using recordstore::RecordLine;

std::string BaseName(const std::string& container_name) {
    return container_name.substr(0, container_name.rfind('.'));
}

// The line with field n (1-based) replaced by value, every other field (the
// stored effect settings after field 14 included) kept as it was; nullopt
// when the line has no field n or the result would not fit.
std::optional<RecordLine> WithField(const RecordLine& line, int n, const std::string& value) {
    std::string text = line.bytes().substr(0, recordstore::kRecordLineTextBytes);
    text.erase(text.find_last_not_of(' ') + 1);
    std::vector<std::string> fields;
    std::size_t from = 0;
    while (true) {
        const std::size_t space = text.find(' ', from);
        fields.push_back(text.substr(from, space == std::string::npos ? space : space - from));
        if (space == std::string::npos)
            break;
        from = space + 1;
    }
    if (n < 1 || static_cast<int>(fields.size()) < n)
        return std::nullopt;
    fields[static_cast<std::size_t>(n - 1)] = value;
    std::string joined;
    for (const std::string& field : fields)
        joined += field + ' ';
    if (joined.size() > recordstore::kRecordLineTextBytes)
        return std::nullopt;
    joined.resize(recordstore::kRecordLineTextBytes, ' ');
    joined += '\n';
    RecordLine rewritten;
    if (!RecordLine::Parse(joined, &rewritten).ok())
        return std::nullopt;
    return rewritten;
}

// True when the record log of the line's kind holds the record.
bool LogHolds(const fs::path& working_folder, const RecordLine& line) {
    const char* log =
        recordstore::RecordLogNameForKind(line.StoredField(recordstore::record_field::kKindCode));
    recordstore::RecordLogEntry entry;
    return log != nullptr && recordstore::RecordLog::Find((working_folder / log).string(),
                                                          line.record_number(), &entry)
                                 .ok();
}

}  // namespace

PlaybackSaver::PlaybackSaver(core::DataStoreSession& store) : store_(store), updater_(store) {}

PlaybackSaver::Result PlaybackSaver::Save(const Changes& changes) const {
    if (!updater_.bound())
        return {Outcome::kNotBound,
                core::RecordUpdateStatusText(core::RecordUpdateStatus::kNotBound)};
    const std::string base = BaseName(changes.container_name);
    const std::string marks_name = base + std::string(recordstore::kIndexMarksExtension);
    // A working-folder file, stored only inside the container (scratch).
    const recordstore::Status written = recordstore::WriteIndexMarkFile(
        filesystem::ScratchFileSystem(), (store_.working_folder() / marks_name).string(),
        changes.marks);
    if (!written.ok())
        return {Outcome::kMarksNotWritten, written.message()};

    core::RecordChange change;
    if (changes.new_duration) {
        change = AudioChange(changes, base);
    } else {
        // Only the marks member is replaced: the media and any texts or
        // picture stay as they were.
        change.container_name = changes.container_name;
        change.changed_members = {marks_name};
    }
    Result result;
    std::string index_failure;
    change.index_entry = IndexEntry(changes, &index_failure);
    result.without_index_entry = !change.index_entry && index_failure.empty();

    const core::RecordUpdateResult updated = updater_.Update(change);
    if (!updated.stored()) {
        result.outcome = changes.new_duration ? Outcome::kAudioNotStored : Outcome::kMarksNotStored;
        result.detail = updated.detail;
    } else if (!updated.ok() || !index_failure.empty()) {
        result.outcome = Outcome::kIndexFailed;
        result.detail = updated.ok() ? index_failure : updated.detail;
    }
    return result;
}

// The wave and the marks go into the container; the record line with its
// new duration too, and into its log when the log holds the record.
core::RecordChange PlaybackSaver::AudioChange(const Changes& changes,
                                              const std::string& base) const {
    core::RecordChange change;
    change.container_name = changes.container_name;
    change.changed_members = {base + std::string(recordstore::kAudioMediaExtension),
                              base + std::string(recordstore::kIndexMarksExtension)};
    const std::string line_name = base + std::string(recordstore::kRecordLineExtension);
    const fs::path line_path = store_.working_folder() / line_name;
    RecordLine line;
    if (!RecordLine::ReadFile(line_path.string(), &line).ok())
        return change;
    const std::optional<RecordLine> updated =
        WithField(line, recordstore::record_field::kDuration, *changes.new_duration);
    if (!updated)
        return change;
    if (LogHolds(store_.working_folder(), *updated)) {
        change.line = *updated;
    } else if (updated->WriteFile(line_path.string()).ok()) {
        change.changed_members.push_back(line_name);
    }
    return change;
}

// The record's entry with the marks' comments of now; absent when the record
// has none or it cannot be read (then *failure says why).
std::optional<recordstore::IndexRecord> PlaybackSaver::IndexEntry(const Changes& changes,
                                                                  std::string* failure) const {
    recordstore::RecordIndex index((store_.working_folder() / recordstore::kIndexName).string());
    recordstore::IndexRecord entry;
    const recordstore::Status found = index.Get(changes.record_number, &entry);
    if (found.code() == recordstore::Status::Code::kNotFound)
        return std::nullopt;
    if (!found.ok()) {
        *failure = found.message();
        return std::nullopt;
    }
    entry.mark_comments = recordstore::JoinMarkComments(changes.marks);
    return entry;
}

}  // namespace kivo::playback

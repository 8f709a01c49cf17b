// kivoctl's commands over the program's core classes.
#include "kivoctl_commands.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

#include "kivo/core/data_store_session.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/record_list.h"
#include "kivo/core/recording_name.h"
#include "kivo/core/user_messages.h"
#include "kivo/core/working_folder.h"
#include "kivo/exchange/store_compaction.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/repository/engine.h"
#include "kivoctl_export.h"
#include "kivoctl_failures.h"
#include "kivoctl_import.h"
#include "kivoctl_new_store.h"
#include "kivoctl_search.h"
#include "kivoctl_store.h"

#if defined(KIVOCTL_HAVE_FORMAT)
#include "kivo/format/zn2fmt.h"
#endif

namespace kivo::kivoctl {
namespace {

using core::ViewKind;

constexpr const char* kUsage =
    "usage: kivoctl new STORE.xrt\n"
    "       kivoctl list STORE.xrt [--kind dictation|meeting|phone|diary|translation|video]\n"
    "                              [--sort COLUMN] [--descending]\n"
    "       kivoctl show STORE.xrt ID\n"
    "       kivoctl delete STORE.xrt ID...\n"
    "       kivoctl compact STORE.xrt\n"
    "       kivoctl info STORE.xrt\n"
    "       kivoctl search STORE.xrt [--from DATE] [--to DATE] [--area AREA] [--smart] WORDS...\n"
    "       kivoctl import STORE.xrt FILE...   (.xrz, .wav, .mp3, .ogg, .wma)\n"
    "       kivoctl export STORE.xrt --to DIR [--format xrz|wav|mp3|ogg|wma] [--lock]\n"
    "                                [--compress] [--voice] ID...\n"
    "       kivoctl --help | --version\n";

int Usage(std::ostream& err, const std::string& problem) {
    if (!problem.empty())
        err << "kivoctl: " << problem << "\n";
    err << kUsage;
    return kExitUsage;
}

// One line naming the step, the store and the reason (kivoctl_failures.h).
int Fail(std::ostream& err, FailedStep step, const std::filesystem::path& store, int code) {
    err << FailureLine(step, store, code) << "\n";
    return kExitFailed;
}

// Opens the store for a command. On failure prints why and returns the
// exit status.
std::optional<int> OpenOrFail(CommandStore& store, const std::string& path,
                              CommandStore::Purpose purpose, std::ostream& err) {
    if (auto refusal = CommandStore::Refusal(AbsoluteStorePath(path), purpose)) {
        err << *refusal << "\n";
        return kExitFailed;
    }
    const int code = store.Open(path, purpose);
    if (code == CommandStore::kStoreHeld) {
        err << "kivoctl: " << store.lock_message() << ": nothing was changed\n";
        return kExitInUse;
    }
    if (code != 0)
        return Fail(err, FailedStep::kOpenStore, AbsoluteStorePath(path), code);
    return std::nullopt;
}

// Tabs and line breaks would split the columns of the output.
// Appends text as one cell: a tab or line break in it becomes a space.
void AppendCell(std::string& line, std::string_view text) {
    const std::size_t start = line.size();
    line.append(text);
    for (std::size_t i = start; i < line.size(); ++i) {
        if (line[i] == '\t' || line[i] == '\n' || line[i] == '\r')
            line[i] = ' ';
    }
}

std::string Cell(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

bool SameTitle(const std::string& a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::optional<int> ParseColumn(ViewKind view, const std::string& text) {
    const auto columns = core::ListKind(view).columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].title[0] != '\0' && SameTitle(text, columns[i].title)) {
            return static_cast<int>(i);
        }
    }
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
        text.size() < 3) {
        int index = std::stoi(text);
        if (index < static_cast<int>(columns.size()) && columns[index].title[0] != '\0') {
            return index;
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> ParseRecordId(const std::string& text) {
    if (text.empty() || text.size() > 8 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    std::int32_t value = std::stoi(text);
    if (value < 1)
        return std::nullopt;
    return value;
}

int CommandNew(const std::vector<std::string>& args, std::ostream& err) {
    if (args.size() != 2)
        return Usage(err, "new takes one store path");
    const auto chosen = AbsoluteStorePath(args[1]);
    const auto location = core::StoreLocation::FromNewPath(chosen);
    std::error_code ec;
    if (std::filesystem::exists(chosen, ec) || std::filesystem::exists(location.StorePath(), ec)) {
        return Fail(err, FailedStep::kMakeStore, chosen, core::kStoreNameExists);
    }
    std::optional<RegisteredFolder> registered_folder;  // ends after the folder
    core::WorkingFolder folder;
    if (int code = registered_folder.emplace(folder).result(); code != 0)
        return Fail(err, FailedStep::kMakeStore, chosen, code);
    core::DataStoreSession session(folder.path());
    if (int code = MakeNewStore(session, location); code != core::kStoreOk)
        return Fail(err, FailedStep::kMakeStore, chosen, code);
    return kExitOk;
}

int CommandList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2)
        return Usage(err, "list needs a store path");
    ViewKind view = ViewKind::kDictation;
    std::string sort_text;
    bool descending = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--kind" && i + 1 < args.size()) {
            auto kind = core::ViewKindFromName(args[++i]);
            if (!kind)
                return Usage(err, "unknown kind " + args[i]);
            view = *kind;
        } else if (args[i] == "--sort" && i + 1 < args.size()) {
            sort_text = args[++i];
        } else if (args[i] == "--kind" || args[i] == "--sort") {
            return Usage(err, args[i] + " needs a " +
                                  (args[i] == "--kind" ? "kind" : "column name") + " after it");
        } else if (args[i] == "--descending") {
            descending = true;
        } else {
            return Usage(err, "unknown option " + args[i]);
        }
    }
    int column = 0;
    if (!sort_text.empty()) {
        auto parsed = ParseColumn(view, sort_text);
        if (!parsed)
            return Usage(err, "no column " + sort_text + " in this list");
        column = *parsed;
    }
    CommandStore store;
    if (auto failed = OpenOrFail(store, args[1], CommandStore::Purpose::kRead, err))
        return *failed;
    core::RecordList list;
    list.List(view, store.working_folder());
    list.SetSort(column, descending);
    if (!list.DamageText().empty())
        err << "kivoctl: " << list.DamageText() << "\n";

    const auto columns = core::ListKind(view).columns;
    std::string header;
    for (const auto& c : columns) {
        if (c.title[0] == '\0')
            continue;
        header += header.empty() ? "" : "\t";
        header += c.title;
    }
    out << header << "\n";
    std::string line;  // one buffer for every row
    for (const auto& row : list.rows()) {
        line.clear();
        bool first = true;
        for (std::size_t i = 0; i < columns.size() && i < row.columns.size(); ++i) {
            if (columns[i].title[0] == '\0')
                continue;
            if (!first)
                line += '\t';
            first = false;
            AppendCell(line, row.columns[i]);
        }
        line += '\n';
        out << line;
    }
    return kExitOk;
}

// Where each record of the store is listed: view kind and recording file.
std::map<std::int32_t, core::SelectedRecord> ListedRecords(const std::filesystem::path& working) {
    std::map<std::int32_t, core::SelectedRecord> records;
    for (ViewKind view : core::KindIconOrder()) {
        const auto& kind = core::ListKind(view);
        for (const auto& row : core::SearchLog(working / kind.log_member, kind.search_kind)) {
            auto id = ParseRecordId(row.columns[0]);
            if (!id)
                continue;
            const int file_column = core::ColumnOf(view, core::ColumnRole::kRecordingFile);
            records.emplace(*id, core::SelectedRecord{*id, view, row.columns[file_column]});
        }
    }
    return records;
}

int NoSuchRecord(std::ostream& err, std::int32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "%08d", id);
    err << "kivoctl: the data store holds no record with ID " << text << "\n";
    return kExitFailed;
}

// A record without a recording has nothing to delete but its line.
bool IsDeletableRecording(const std::string& name) {
    return name.empty() || core::IsRecordingName(name);
}

int NotARecording(std::ostream& err, const core::SelectedRecord& record, const char* outcome) {
    err << "kivoctl: " << core::NotARecordingText(record.record_number, record.recording_file)
        << ": " << outcome << "\n";
    return kExitFailed;
}

int CommandDelete(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 3)
        return Usage(err, "delete needs a store path and at least one ID");
    std::vector<std::int32_t> ids;
    for (std::size_t i = 2; i < args.size(); ++i) {
        auto id = ParseRecordId(args[i]);
        if (!id)
            return Usage(err, "not a record ID: " + args[i]);
        ids.push_back(*id);
    }
    CommandStore store;
    if (auto failed = OpenOrFail(store, args[1], CommandStore::Purpose::kChange, err))
        return *failed;
    const auto listed = ListedRecords(store.working_folder());
    std::vector<core::SelectedRecord> selection;
    for (std::int32_t id : ids) {
        auto it = listed.find(id);
        if (it == listed.end())
            return NoSuchRecord(err, id);
        if (!IsDeletableRecording(it->second.recording_file))
            return NotARecording(err, it->second, "nothing was deleted");
        selection.push_back(it->second);
    }
    std::vector<core::RefusedRecording> refused;
    core::DeletionOptions options;
    options.refused = &refused;
    if (core::DeleteRecords(store.session(), selection, options) != core::kDeleteOk) {
        for (const auto& record : refused) {
            err << "kivoctl: " << core::NotARecordingText(record.record_number, record.name)
                << ": nothing was deleted\n";
        }
        err << core::kDeleteFailedText << "\n";
        return kExitFailed;
    }
    out << core::kDeletedText << "\n";
    // The deletion is durable in the journal; the store takes it now, so it
    // holds everything on its own when the command ends. Should that fail,
    // the journal keeps the deletion for the next program that opens it.
    if (store.session().SaveDataStore() == core::kStoreRepositoryFailed) {
        err << "kivoctl: warning: the data store " << store.session().store_path().string()
            << " was not saved; the deletion is kept in its journal for the next program that "
               "opens it (Error "
            << core::kStoreSaveFailed << ")\n";
    }
    return kExitOk;
}

int CommandCompact(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2)
        return Usage(err, "compact takes one store path");
    CommandStore store;
    if (auto failed = OpenOrFail(store, args[1], CommandStore::Purpose::kChange, err))
        return *failed;
    exchange::StoreCompaction compaction(store.session());
    compaction.RunAll([&](const exchange::CompactionStepReport& report) {
        if (!report.components_label.empty())
            out << report.components_label << "\n";
        if (!report.store_label.empty())
            out << report.store_label << "\n";
        if (!report.error_row.empty())
            err << report.error_row << "\n";
    });
    return compaction.errors().empty() ? kExitOk : kExitFailed;
}

int CommandInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2)
        return Usage(err, "info takes one store path");
    const std::string path = AbsoluteStorePath(args[1]).string();
    std::error_code ec;
    if (auto refusal = CommandStore::Refusal(path, CommandStore::Purpose::kRead)) {
        err << *refusal << "\n";
        return kExitFailed;
    }
    if (!std::filesystem::is_regular_file(path, ec))
        return Fail(err, FailedStep::kOpenStore, path, core::kStoreMissing);
    const repository::StatusRecord status =
        repository::Engine(filesystem::DefaultFileSystem()).Info(path);
    // A store always has members: one that lists none (an empty file) fails
    // as it does for list.
    if (status.severity != repository::kSeverityNone || status.entries.empty()) {
        if (!status.messages.empty()) {
            err << "kivoctl: " << status.messages.front().text << "\n";
        }
        return Fail(err, FailedStep::kOpenStore, path, core::kStoreRepositoryFailed);
    }
    out << "Member\tSize\n";
    for (const repository::EntryInfo& entry : status.entries)
        out << Cell(entry.name) << "\t" << entry.size_bytes << "\n";
    const std::size_t count = status.entries.size();
    const std::uint64_t total = status.total_size_bytes;
    const std::uint64_t deleted = status.deleted_size_bytes;
    const double waste =
        total == 0 ? 0.0 : 100.0 * static_cast<double>(deleted) / static_cast<double>(total);
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.1f", waste);
    out << "Members: " << count << "\n"
        << "Total size: " << total << " bytes\n"
        << "Deleted size: " << deleted << " bytes\n"
        << "Waste: " << percent << " %\n";
    return kExitOk;
}

int CommandShow(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty())
        return Usage(err, "");
    const std::string& command = arguments[0];
    if (command == "new")
        return CommandNew(arguments, err);
    if (command == "list")
        return CommandList(arguments, out, err);
    if (command == "show")
        return CommandShow(arguments, out, err);
    if (command == "delete")
        return CommandDelete(arguments, out, err);
    if (command == "compact")
        return CommandCompact(arguments, out, err);
    if (command == "info")
        return CommandInfo(arguments, out, err);
    if (command == "search")
        return CommandSearch(arguments, out, err);
    if (command == "import")
        return CommandImport(arguments, out, err);
    if (command == "export")
        return CommandExport(arguments, out, err);
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "--version" || command == "-v") {
        out << "kivoctl " << KIVO_VERSION << "\n";
        return kExitOk;
    }
    return Usage(err, "unknown command " + command);
}

namespace {

#if defined(KIVOCTL_HAVE_FORMAT)
using ReportFunction = std::string (*)(const char*, const char*, const char*, const char*);

ReportFunction ReportFor(ViewKind view) {
    switch (view) {
        case ViewKind::kMeeting:
            return Zn2FmtMeeting;
        case ViewKind::kPhone:
            return Zn2FmtPhone;
        case ViewKind::kDiary:
            return Zn2FmtDiary;
        case ViewKind::kTranslation:
            return Zn2FmtTrans;
        case ViewKind::kVideo:
            return Zn2FmtVideo;
        default:
            return Zn2FmtMessage;
    }
}

int CommandShow(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 3)
        return Usage(err, "show takes a store path and one ID");
    auto id = ParseRecordId(args[2]);
    if (!id)
        return Usage(err, "not a record ID: " + args[2]);
    CommandStore store;
    if (auto failed = OpenOrFail(store, args[1], CommandStore::Purpose::kRead, err))
        return *failed;
    const auto listed = ListedRecords(store.working_folder());
    auto it = listed.find(*id);
    if (it == listed.end())
        return NoSuchRecord(err, *id);
    if (!core::IsRecordingName(it->second.recording_file))
        return NotARecording(err, it->second, "nothing was extracted");
    const std::string report = ReportFor(it->second.view)(
        store.session().store_path().c_str(), store.working_folder().c_str(),
        it->second.recording_file.c_str(),
        store.session().WorkingPath(recordstore::kIndexName).c_str());
    if (report == "filerr")
        return Fail(err, FailedStep::kReadStore, store.session().store_path(),
                    core::kComponentUnreadable);
    // The report's lines end with CR LF, as printed and mailed; a terminal
    // wants LF.
    std::string text;
    for (char c : report) {
        if (c != '\r')
            text += c;
    }
    out << text;
    if (!text.empty() && text.back() != '\n')
        out << "\n";
    return kExitOk;
}
#else
int CommandShow(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
    if (args.size() != 3)
        return Usage(err, "show takes a store path and one ID");
    err << "kivoctl: show is not available: this build has no record formatting library\n";
    return kExitFailed;
}
#endif

}  // namespace

}  // namespace kivo::kivoctl

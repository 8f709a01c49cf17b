// kivoctl export over the export classes of the program.
#include "kivoctl_export.h"

#include <map>
#include <optional>
#include <system_error>

#include "kivo/core/record_list.h"
#include "kivo/core/user_messages.h"
#include "kivo/exchange/audio_export.h"
#include "kivo/exchange/export_delivery.h"
#include "kivo/exchange/recording_compressor.h"
#include "kivo/exchange/recording_export.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivoctl_commands.h"
#include "kivoctl_store.h"

namespace kivo::kivoctl {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExportUsage =
    "usage: kivoctl export STORE.xrt --to DIR [--format xrz|wav|mp3|ogg|wma] [--lock]\n"
    "                      [--compress] [--voice] ID...\n";

struct ExportRequest {
    std::string store;
    fs::path folder;
    std::optional<encoding::AudioFormat> audio;  // none: Kivo recording files
    exchange::ExportOptions options;
    std::vector<std::int32_t> ids;
};

int ExportUsage(std::ostream& err, const std::string& problem) {
    err << "kivoctl: " << problem << "\n" << kExportUsage;
    return kExitUsage;
}

std::optional<std::int32_t> ParseId(const std::string& text) {
    if (text.empty() || text.size() > 8 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::int32_t value = std::stoi(text);
    return value >= 1 ? std::optional(value) : std::nullopt;
}

std::optional<std::optional<encoding::AudioFormat>> ParseFormat(const std::string& text) {
    using encoding::AudioFormat;
    static const std::map<std::string, std::optional<AudioFormat>> formats = {
        {"xrz", std::nullopt},
        {"wav", AudioFormat::kWav},
        {"mp3", AudioFormat::kMp3},
        {"ogg", AudioFormat::kOgg},
        {"wma", AudioFormat::kWma}};
    auto it = formats.find(text);
    if (it == formats.end())
        return std::nullopt;
    return it->second;
}

// Returns the exit status of a bad command line, or nothing.
std::optional<int> Parse(const std::vector<std::string>& args, ExportRequest* request,
                         std::ostream& err) {
    if (args.size() < 2)
        return ExportUsage(err, "export needs a store path");
    request->store = args[1];
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--to" && i + 1 < args.size()) {
            request->folder = args[++i];
        } else if (arg == "--format" && i + 1 < args.size()) {
            auto format = ParseFormat(args[++i]);
            if (!format)
                return ExportUsage(err, "unknown format " + args[i]);
            request->audio = *format;
        } else if (arg == "--lock") {
            request->options.lock = true;
        } else if (arg == "--compress") {
            request->options.compress = true;
        } else if (arg == "--voice") {
            request->options.convert_to_voice = true;
        } else if (auto id = ParseId(arg)) {
            request->ids.push_back(*id);
        } else {
            return ExportUsage(err, "not a record ID or option: " + arg);
        }
    }
    if (request->folder.empty())
        return ExportUsage(err, "export needs --to DIR");
    if (request->ids.empty())
        return ExportUsage(err, "export needs at least one ID");
    if (request->audio &&
        (request->options.lock || request->options.compress || request->options.convert_to_voice)) {
        return ExportUsage(err, "--lock, --compress and --voice apply to xrz only");
    }
    return std::nullopt;
}

// The recording file of every listed record, by record number.
std::map<std::int32_t, std::string> RecordingFiles(const fs::path& working) {
    std::map<std::int32_t, std::string> files;
    for (core::ViewKind view : core::KindIconOrder()) {
        const auto& kind = core::ListKind(view);
        const int file_column = core::ColumnOf(view, core::ColumnRole::kRecordingFile);
        for (const auto& row : core::SearchLog(working / kind.log_member, kind.search_kind)) {
            auto id = ParseId(row.columns[0]);
            if (id && file_column >= 0 && file_column < static_cast<int>(row.columns.size()))
                files.emplace(*id, row.columns[file_column]);
        }
    }
    return files;
}

bool IsVideo(const std::string& recording_file) {
    return recording_file.size() > 4 && recording_file.substr(recording_file.size() - 4) == ".xrv";
}

fs::path TargetOf(const ExportRequest& request, const std::string& recording_file) {
    if (!request.audio)
        return request.folder / recording_file;
    return request.folder /
           (fs::path(recording_file).stem().string() + encoding::FileExtension(*request.audio));
}

}  // namespace

int CommandExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ExportRequest request;
    if (auto bad = Parse(args, &request, err))
        return *bad;
    std::error_code ec;
    if (!fs::is_directory(request.folder, ec)) {
        err << "kivoctl: " << request.folder.string() << " is not a folder\n";
        return kExitFailed;
    }
    CommandStore store;
    if (auto refusal =
            CommandStore::Refusal(AbsoluteStorePath(request.store), CommandStore::Purpose::kRead)) {
        err << *refusal << "\n";
        return kExitFailed;
    }
    if (int code = store.Open(request.store, CommandStore::Purpose::kRead); code != 0) {
        err << core::MessageText(code) << "\n";
        return kExitFailed;
    }
    const auto listed = RecordingFiles(store.working_folder());
    std::vector<std::string> files;
    bool all_done = true;
    for (std::int32_t id : request.ids) {
        auto it = listed.find(id);
        if (it == listed.end()) {
            err << "kivoctl: the data store holds no record with ID " << id << "\n";
            all_done = false;
        } else if (request.audio && IsVideo(it->second)) {
            err << "kivoctl: record " << id << " is a video: only xrz applies\n";
            all_done = false;
        } else {
            files.push_back(it->second);
        }
    }
    exchange::RecordingExport exporter({store.session().store_path(),
                                        store.session().WorkingPath(recordstore::kIndexName),
                                        store.working_folder(), store.session().store_access()});
    if (int code = exporter.Prepare(files, request.options); code != exchange::kExportOk) {
        err << core::MessageText(code) << "\n" << exporter.last_error() << "\n";
        return kExitFailed;
    }
    for (exchange::PreparedFile& file : exporter.files()) {
        if (file.ok() && !IsVideo(file.recording_file) &&
            (request.options.compress || request.options.convert_to_voice)) {
            exchange::CompressRecording(file, request.options, exporter.MakeScratch());
        }
        if (!file.ok()) {
            // Negative codes are the compressor's, whose text is the detail.
            err << file.recording_file << ": ";
            if (file.code > 0)
                err << core::MessageText(file.code) << " (" << file.detail << ")\n";
            else
                err << file.detail << "\n";
            all_done = false;
            continue;
        }
        const fs::path target = TargetOf(request, file.recording_file);
        const exchange::Delivery delivered =
            request.audio
                ? exchange::ExportAsAudio(file.path, exporter.MakeScratch(), *request.audio, target,
                                          exchange::Overwrite::kNever)
                : exchange::DeliverFile(file.path, target, exchange::Overwrite::kNever);
        if (delivered.outcome == exchange::DeliveryOutcome::kTargetExists) {
            err << "kivoctl: " << target.string() << " exists: not overwritten\n";
            all_done = false;
        } else if (!delivered.ok()) {
            err << "kivoctl: " << file.recording_file << ": " << delivered.message << "\n";
            all_done = false;
        } else {
            out << "exported " << target.string() << "\n";
        }
    }
    return all_done ? kExitOk : kExitFailed;
}

}  // namespace kivo::kivoctl

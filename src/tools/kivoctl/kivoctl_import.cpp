// kivoctl import (see kivoctl_import.h).
#include "kivoctl_import.h"

#include <QString>
#include <filesystem>

#include "kivo/core/application_folders.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/user_messages.h"
#include "kivo/exchange/import_audio_file.h"
#include "kivo/exchange/import_audio_types.h"
#include "kivo/exchange/import_recording.h"
#include "kivo/recorder/recorder_target.h"
#include "kivoctl_commands.h"
#include "kivoctl_store.h"

namespace kivo::kivoctl {
namespace {

namespace fs = std::filesystem;

bool IsRecordingFile(const fs::path& file) {
    return QString::fromStdString(file.filename().string()).endsWith(".xrz", Qt::CaseInsensitive);
}

// One file; true when it became a record.
bool ImportOne(const recorder::RecorderTarget& target, const fs::path& file, std::ostream& out,
               std::ostream& err) {
    if (IsRecordingFile(file)) {
        const exchange::RecordingImportResult result =
            exchange::RecordingImport(target).Import(file);
        if (result.stored)
            out << file.string() << ": record " << result.record_number << "\n";
        if (!result.ok())
            err << "kivoctl: " << file.string() << ": " << core::MessageText(result.message) << " ("
                << result.reason << ")\n";
        return result.ok();
    }
    if (!exchange::AudioFileTypeOfName(file.filename().string())) {
        err << "kivoctl: " << file.string()
            << ": not a recording (.xrz) or audio file (.wav, .mp3, .ogg, .wma)\n";
        return false;
    }
    const exchange::AudioImportResult result =
        exchange::AudioFileImport(target, nullptr).Import(file);
    if (result.record_number != 0 && result.message != 109)
        out << file.string() << ": record " << result.record_number << "\n";
    if (!result.ok()) {
        // "check format" only where the format is at fault: a full disk is not.
        err << "kivoctl: " << file.string() << ": ";
        if (result.outcome == exchange::AudioImportResult::Outcome::kUndecodable)
            err << exchange::kCheckFormatText << ": ";
        err << result.reason << "\n";
    }
    return result.ok();
}

}  // namespace

int CommandImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 3) {
        err << "kivoctl: import needs a store path and at least one file\n";
        return kExitUsage;
    }
    if (auto refusal =
            CommandStore::Refusal(AbsoluteStorePath(args[1]), CommandStore::Purpose::kAddRecords)) {
        err << *refusal << "\n";
        return kExitFailed;
    }
    CommandStore store;
    const int opened = store.Open(args[1], CommandStore::Purpose::kAddRecords);
    if (opened == CommandStore::kStoreHeld) {
        err << "kivoctl: " << store.lock_message() << ": nothing was changed\n";
        return kExitInUse;
    }
    if (opened != 0) {
        err << core::MessageText(opened) << "\n";
        return kExitFailed;
    }
    const core::ApplicationFolders folders =
        core::LocateApplicationFolders(core::ProcessEnvironment(), core::CurrentExecutablePath());
    if (!folders.CreateWritableFolders()) {
        err << "kivoctl: the profile folder " << folders.profile_file.parent_path().string()
            << " cannot be made: nothing was imported\n";
        return kExitFailed;
    }
    core::ProfileFile profile(folders.profile_file.string());
    const std::string section = core::CurrentProfileSection();
    // Saved as the program saves: bound to the store's session, each record
    // under the writer lock, the log and index journaled until the close.
    recorder::RecorderTarget target{
        {}, {}, &profile, section, recorder::ReadRecordingQuality(profile, section), {}};
    recorder::BindToSession(target, store.session());
    std::size_t imported = 0;
    const std::size_t total = args.size() - 2;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (ImportOne(target, args[i], out, err))
            ++imported;
    }
    const bool saved = store.session().SaveDataStore() == core::kStoreOk;
    if (!saved)
        err << core::MessageText(core::kStoreSaveFailed) << "\n";
    out << imported << " of " << total << " files imported\n";
    return imported == total && saved ? kExitOk : kExitFailed;
}

}  // namespace kivo::kivoctl

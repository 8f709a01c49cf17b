// ShellSession: what the main window works on while the program runs, without
// any widget: the working folder, the profile, the open data store and the
// start-up settings, and the window's store commands (Open, New, Delete,
// component import and export, the close-time save).
//
// Every message reaches the user through the MessageReporter; every choice of
// a store file through the StoreChooser. Tests drive a session with scripted
// versions of both.
#pragma once

#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "kivo/core/application_folders.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/startup_configuration.h"
#include "kivo/core/user_messages.h"
#include "kivo/core/working_folder.h"

namespace kivo::core {

class StoreChooser;

// Where a session keeps its files.
struct SessionPlaces {
    core::ApplicationFolders folders;
    std::string section;              // profile section: the login name or "Default"
    std::filesystem::path temp_root;  // parent of the working folder; empty: $TMPDIR
};

// Line state texts.
inline constexpr const char* kLineMonitoringActive = "Line monitoring active";
inline constexpr const char* kLineMonitoringInactive = "Line monitoring inactive";
inline constexpr const char* kUsingStoreText = " : Using Kivo File : ";
inline constexpr const char* kSavingStoreText = "Saving Kivo Data Store.....Please wait";

class ShellSession {
public:
    ShellSession(SessionPlaces places, core::MessageReporter& reporter, StoreChooser& chooser);
    ~ShellSession();
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;

    // The start-up sequence: makes the working folder, reads the profile
    // (writing a first start's keys and building the store "KIVO"), opens the
    // data store used last (when it is gone, asks message 105: Yes opens
    // another, No builds a new one) and reads the settings. False when the
    // program must close; the reason has been reported.
    bool Start();
    bool started() const { return store_ != nullptr && store_->has_open_store(); }

    core::DataStoreSession& store() { return *store_; }
    const core::DataStoreSession& store() const { return *store_; }
    core::ProfileFile& profile() { return profile_; }
    const std::string& section() const { return places_.section; }
    const SessionPlaces& places() const { return places_; }
    const core::StartupProfile& startup_profile() const { return startup_profile_; }
    const core::StartupSettings& settings() const { return settings_; }
    void set_recording_quality(int quality) { settings_.recording_quality = quality; }
    void set_export_prompt(bool prompt) { settings_.export_prompt = prompt; }
    bool line_monitoring() const { return line_monitoring_; }

    // "Line monitoring inactive : Using Kivo File : /path/KIVO.xrt".
    std::string LineStateText() const;
    // The folder of the open store (else the user's folder): where the file
    // dialogs start.
    std::filesystem::path StoreFolder() const;

    // File > Open Kivo Datastore and File > New Kivo Datastore. A cancelled or
    // failed choice keeps the store that was open (it is still saved at
    // close). True when a store is open afterwards, so the list is shown
    // again.
    bool OpenStore();
    bool NewStore();

    // Delete, in two steps: the question (naming the ID when one record is
    // selected; true on Yes), then the erasure, which reports how it went
    // (true when every record was erased).
    bool ConfirmDelete(std::span<const core::SelectedRecord> selection,
                       const std::string& current_id);
    bool EraseRecords(std::span<const core::SelectedRecord> selection);

    // Makes what a record operation changed in the open store durable
    // (DataStoreSession::CommitChanges). False, reported with message 107,
    // when it could not.
    bool CommitStoreChanges();
    // An idle moment: the store takes the journaled changes when that is
    // cheap against the journal (DataStoreSession::SaveWhenWorthwhile).
    void SaveStoreWhenIdle();

    // Tools > Import > Phone Book / Templates / Agendas: from another data
    // store or from an exported file, made durable at once; reports success
    // (message 4) or failure.
    void ImportComponentFromStore(core::ComponentKind kind, const std::filesystem::path& store);
    void ImportComponentFromFile(core::ComponentKind kind, const std::filesystem::path& file);
    // Tools > Export > ...: false (and reported) when the file was not written.
    bool ExportComponent(core::ComponentKind kind, const std::filesystem::path& file);

    // True when the open store holds so much deleted space that compaction
    // is offered (message 24).
    bool CompactionAdvised() const;

    // The close-time save: puts the open store's components back and removes
    // the working folder. Returns the save's code (0, 103 or 106), which the
    // caller reports when it is positive.
    int Close();

private:
    bool OpenAtStartUp();
    // Commits an import that succeeded, then reports 4; else the failure.
    void ReportImport(int code);
    // A failed store operation: the refusal naming another program when
    // there is one, else the message of code.
    void ReportStoreFailure(int code);

    SessionPlaces places_;
    core::MessageReporter& reporter_;
    StoreChooser& chooser_;
    core::WorkingFolder working_folder_;
    core::ProfileFile profile_;
    std::unique_ptr<core::DataStoreSession> store_;
    core::StartupProfile startup_profile_;
    core::StartupSettings settings_;
    bool line_monitoring_ = false;
    bool closed_ = false;
};

}  // namespace kivo::core

// The main window's session: start-up, store commands and the close-time save.
#include "kivo/core/shell_session.h"

#include "kivo/core/compaction_advice.h"
#include "kivo/core/pending_deletions.h"
#include "kivo/core/store_chooser.h"

namespace kivo::core {

ShellSession::ShellSession(SessionPlaces places, core::MessageReporter& reporter,
                           StoreChooser& chooser)
    : places_(std::move(places)),
      reporter_(reporter),
      chooser_(chooser),
      profile_(places_.folders.profile_file.string()) {}

ShellSession::~ShellSession() {
    // Close() normally ran; without it the working copies are dropped.
    working_folder_.Remove();
}

bool ShellSession::Start() {
    places_.folders.CreateWritableFolders();
    if (int code = working_folder_.Create(places_.temp_root); code != 0) {
        reporter_.ReportMessage(code, core::kStyleStop);
        return false;
    }
    core::StartupConfiguration configuration(profile_, places_.folders.profiles_folder,
                                             places_.section);
    // No line device can be chosen until the telephone functions exist.
    startup_profile_ = configuration.ReadProfile();
    store_ = std::make_unique<core::DataStoreSession>(working_folder_.path(), &profile_,
                                                      places_.section);
    if (startup_profile_.first_start) {
        if (int code = core::BuildFirstDataStore(*store_, startup_profile_); code > 0) {
            reporter_.ReportMessage(code, core::kStyleStop);
            return false;
        }
    }
    if (!OpenAtStartUp())
        return false;
    settings_ = configuration.ApplySettings();
    return true;
}

bool ShellSession::OpenAtStartUp() {
    store_->set_location(startup_profile_.store());
    const int code = store_->LoadDataStore();
    if (code == core::kStoreMissing) {
        if (reporter_.ReportMessage(code, core::kStyleQuestion) == core::kAnswerYes) {
            OpenStore();
        } else {
            NewStore();
        }
        return store_->state() == core::StoreState::kOpen && store_->has_open_store();
    }
    if (code != core::kStoreOk) {
        reporter_.ReportMessage(code, core::kStyleStop);
        return false;
    }
    // A delete cut short by the end of an earlier run is finished first.
    core::FinishPendingDeletions(*store_);
    return true;
}

std::string ShellSession::LineStateText() const {
    std::string text = line_monitoring_ ? kLineMonitoringActive : kLineMonitoringInactive;
    if (store_ != nullptr && store_->has_open_store())
        text += kUsingStoreText + store_->store_path().string();
    return text;
}

std::filesystem::path ShellSession::StoreFolder() const {
    std::error_code ec;
    if (store_ != nullptr && std::filesystem::is_directory(store_->location().folder, ec))
        return store_->location().folder;
    if (std::filesystem::is_directory(startup_profile_.user_folder, ec))
        return startup_profile_.user_folder;
    return places_.folders.home;
}

bool ShellSession::OpenStore() {
    const auto chosen = chooser_.ChooseStoreToOpen();
    if (!chosen) {
        store_->CancelChoice();
        return store_->has_open_store();
    }
    if (int code = store_->Open(*chosen); code != core::kStoreOk)
        reporter_.ReportMessage(code, core::kStyleExclamation);
    else
        core::FinishPendingDeletions(*store_);
    return store_->has_open_store();
}

bool ShellSession::NewStore() {
    for (;;) {
        const auto chosen = chooser_.ChooseNewStore();
        if (!chosen) {
            store_->CancelChoice();
            return store_->has_open_store();
        }
        const int code = store_->New(*chosen);
        if (code == core::kStoreNameExists) {
            reporter_.ReportMessage(code, core::kStyleInformation);
            continue;
        }
        if (code != core::kStoreOk)
            reporter_.ReportMessage(code, core::kStyleExclamation);
        return store_->has_open_store();
    }
}

bool ShellSession::ConfirmDelete(std::span<const core::SelectedRecord> selection,
                                 const std::string& current_id) {
    if (selection.empty())
        return false;
    const std::string question = core::DeleteQuestion(selection, current_id);
    return reporter_.ReportText(question, core::kStyleQuestion) == core::kAnswerYes;
}

bool ShellSession::EraseRecords(std::span<const core::SelectedRecord> selection) {
    if (core::DeleteRecords(*store_, selection) != core::kDeleteOk) {
        reporter_.ReportText(core::kDeleteFailedText, core::kStyleExclamation);
        if (!store_->last_refusal().empty())
            reporter_.ReportText(store_->last_refusal(), core::kStyleExclamation);
        return false;
    }
    reporter_.ReportText(core::kDeletedText, core::kStyleInformation);
    return true;
}

bool ShellSession::CommitStoreChanges() {
    if (store_ == nullptr || !store_->has_open_store())
        return false;
    if (store_->CommitChanges() == core::kStoreOk)
        return true;
    ReportStoreFailure(core::kStoreSaveFailed);
    return false;
}

void ShellSession::ReportStoreFailure(int code) {
    // Another program holding or changing the store says so in its own words.
    if (!store_->last_refusal().empty())
        reporter_.ReportText(store_->last_refusal(), core::kStyleExclamation);
    else
        reporter_.ReportMessage(code, core::kStyleExclamation);
}

void ShellSession::SaveStoreWhenIdle() {
    if (store_ != nullptr && store_->has_open_store())
        store_->SaveWhenWorthwhile();
}

void ShellSession::ReportImport(int code) {
    if (code != 0) {
        reporter_.ReportMessage(code, core::kStyleExclamation);
    } else if (CommitStoreChanges()) {
        reporter_.ReportMessage(4, core::kStyleInformation);
    }
}

void ShellSession::ImportComponentFromStore(core::ComponentKind kind,
                                            const std::filesystem::path& store) {
    ReportImport(store_->CopyComponentFromStore(store, static_cast<int>(kind)));
}

void ShellSession::ImportComponentFromFile(core::ComponentKind kind,
                                           const std::filesystem::path& file) {
    ReportImport(store_->ImportComponentFile(kind, file));
}

bool ShellSession::ExportComponent(core::ComponentKind kind, const std::filesystem::path& file) {
    if (store_->ExportComponent(kind, file))
        return true;
    reporter_.ReportText("The file " + file.string() + " could not be written.",
                         core::kStyleExclamation);
    return false;
}

bool ShellSession::CompactionAdvised() const {
    if (store_ == nullptr || !store_->has_open_store())
        return false;
    const auto advice = core::AdviseCompactionForStore(store_->store_path().string());
    return advice && advice->offer;
}

int ShellSession::Close() {
    if (closed_)
        return core::kStoreOk;
    closed_ = true;
    int code = core::kStoreOk;
    if (store_ != nullptr && store_->has_open_store()) {
        code = store_->SaveDataStore();
    }
    working_folder_.Remove();
    return code;
}

}  // namespace kivo::core

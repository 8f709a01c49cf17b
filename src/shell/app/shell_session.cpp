// The main window's session: start-up, store commands and the close-time save.
#include "shell_session.h"

#include "shell/compaction_advice.h"
#include "store_chooser.h"

namespace kivo::app {

ShellSession::ShellSession(SessionPlaces places, shell::MessageReporter& reporter,
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
        reporter_.ReportMessage(code, shell::kStyleStop);
        return false;
    }
    shell::StartupConfiguration configuration(profile_, places_.folders.profiles_folder,
                                              places_.section);
    // No line device can be chosen until the telephone functions exist.
    startup_profile_ = configuration.ReadProfile();
    store_ = std::make_unique<shell::DataStoreSession>(working_folder_.path(), &profile_,
                                                       places_.section);
    if (startup_profile_.first_start) {
        if (int code = shell::BuildFirstDataStore(*store_, startup_profile_); code > 0) {
            reporter_.ReportMessage(code, shell::kStyleStop);
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
    if (code == shell::kStoreMissing) {
        if (reporter_.ReportMessage(code, shell::kStyleQuestion) == shell::kAnswerYes) {
            OpenStore();
        } else {
            NewStore();
        }
        return store_->state() == shell::StoreState::kOpen && store_->has_open_store();
    }
    if (code != shell::kStoreOk) {
        reporter_.ReportMessage(code, shell::kStyleStop);
        return false;
    }
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
    if (int code = store_->Open(*chosen); code != shell::kStoreOk)
        reporter_.ReportMessage(code, shell::kStyleExclamation);
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
        if (code == shell::kStoreNameExists) {
            reporter_.ReportMessage(code, shell::kStyleInformation);
            continue;
        }
        if (code != shell::kStoreOk)
            reporter_.ReportMessage(code, shell::kStyleExclamation);
        return store_->has_open_store();
    }
}

bool ShellSession::ConfirmDelete(std::span<const exchange::SelectedRecord> selection,
                                 const std::string& current_id) {
    if (selection.empty())
        return false;
    const std::string question = exchange::DeleteQuestion(selection, current_id);
    return reporter_.ReportText(question, shell::kStyleQuestion) == shell::kAnswerYes;
}

bool ShellSession::EraseRecords(std::span<const exchange::SelectedRecord> selection) {
    if (exchange::DeleteRecords(*store_, selection) != exchange::kDeleteOk) {
        reporter_.ReportText(exchange::kDeleteFailedText, shell::kStyleExclamation);
        return false;
    }
    reporter_.ReportText(exchange::kDeletedText, shell::kStyleInformation);
    return true;
}

void ShellSession::ImportComponentFromStore(shell::ComponentKind kind,
                                            const std::filesystem::path& store) {
    const int code = store_->CopyComponentFromStore(store, static_cast<int>(kind));
    reporter_.ReportMessage(code == 0 ? 4 : code,
                            code == 0 ? shell::kStyleInformation : shell::kStyleExclamation);
}

void ShellSession::ImportComponentFromFile(shell::ComponentKind kind,
                                           const std::filesystem::path& file) {
    const int code = store_->ImportComponentFile(kind, file);
    reporter_.ReportMessage(code == 0 ? 4 : code,
                            code == 0 ? shell::kStyleInformation : shell::kStyleExclamation);
}

bool ShellSession::ExportComponent(shell::ComponentKind kind, const std::filesystem::path& file) {
    if (store_->ExportComponent(kind, file))
        return true;
    reporter_.ReportText("The file " + file.string() + " could not be written.",
                         shell::kStyleExclamation);
    return false;
}

bool ShellSession::CompactionAdvised() const {
    if (store_ == nullptr || !store_->has_open_store())
        return false;
    const auto advice = shell::AdviseCompactionForStore(store_->store_path().string());
    return advice && advice->offer;
}

int ShellSession::Close() {
    if (closed_)
        return shell::kStoreOk;
    closed_ = true;
    int code = shell::kStoreOk;
    if (store_ != nullptr && store_->has_open_store()) {
        code = store_->SaveDataStore();
    }
    working_folder_.Remove();
    return code;
}

}  // namespace kivo::app

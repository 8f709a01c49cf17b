// Helpers for the window tests: a private Kivo home, scripted store choices,
// and record logs in an open store's working folder.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kivo/core/shell_session.h"
#include "kivo/core/store_chooser.h"
#include "resources.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::test {

// A fresh Kivo home ($KIVO_HOME) and temporary root for one test, with the
// profile section "tester".
class AppHome {
public:
    AppHome();
    core::SessionPlaces places() const;
    app::Resources resources() const;
    const std::filesystem::path& home() const { return home_; }
    std::filesystem::path user_folder() const { return home_ / "Profiles" / "tester"; }
    std::filesystem::path profile_path() const { return home_ / "KIVO.ini"; }

private:
    TempDir dir_;
    std::filesystem::path home_;
};

// Store choices given in advance; nothing (a cancel) once they run out.
class ScriptedChooser : public core::StoreChooser {
public:
    std::deque<std::optional<std::filesystem::path>> open_answers;
    std::deque<std::optional<std::filesystem::path>> new_answers;
    int open_asked = 0;
    int new_asked = 0;

    std::optional<std::filesystem::path> ChooseStoreToOpen() override;
    std::optional<std::filesystem::path> ChooseNewStore() override;
};

// Replaces a record log in the working folder with a header and the records.
void WriteWorkingLog(const std::filesystem::path& working_folder, const std::string& member,
                     const std::vector<RecordFields>& records);

// A dictation record with a subject, date and duration.
RecordFields Dictation(std::int32_t number, const std::string& subject, const std::string& date,
                       const std::string& duration);

}  // namespace kivo::test

// Helpers for the window tests; see app_fixture.h.
#include "app_fixture.h"

#include "file_bytes.h"
#include "kivo/core/application_folders.h"

namespace kivo::test {

AppHome::AppHome() : home_(dir_.path() / "home") {}

core::SessionPlaces AppHome::places() const {
    core::SessionPlaces places;
    const std::string home = home_.string();
    places.folders = core::LocateApplicationFolders(
        [home](const char* name) { return std::string(name) == "KIVO_HOME" ? home : ""; },
        std::filesystem::path(KIVO_SOURCE_SHARE_DIR) / ".." / ".." / "bin" / "kivo");
    places.folders.resources = KIVO_SOURCE_SHARE_DIR;
    places.section = "tester";
    places.temp_root = dir_.path();
    return places;
}

app::Resources AppHome::resources() const {
    return app::Resources(KIVO_SOURCE_SHARE_DIR);
}

std::optional<std::filesystem::path> ScriptedChooser::ChooseStoreToOpen() {
    ++open_asked;
    if (open_answers.empty())
        return std::nullopt;
    auto answer = open_answers.front();
    open_answers.pop_front();
    return answer;
}

std::optional<std::filesystem::path> ScriptedChooser::ChooseNewStore() {
    ++new_asked;
    if (new_answers.empty())
        return std::nullopt;
    auto answer = new_answers.front();
    new_answers.pop_front();
    return answer;
}

void WriteWorkingLog(const std::filesystem::path& working_folder, const std::string& member,
                     const std::vector<RecordFields>& records) {
    WriteFileText((working_folder / member).string(), MakeRecordLog(records));
}

RecordFields Dictation(std::int32_t number, const std::string& subject, const std::string& date,
                       const std::string& duration) {
    RecordFields fields;
    fields.number = number;
    fields.kind = "0";
    fields.subject = subject;
    fields.start_date = date;
    fields.end_date = date;
    fields.duration = duration;
    char container[32];
    std::snprintf(container, sizeof container, "D2024%010d.xrz", number);
    fields.container = container;
    return fields;
}

}  // namespace kivo::test

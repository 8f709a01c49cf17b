// Keywords typed into a record's edit dialog from the Kivo window, OK, and
// then the program killed with SIGKILL before it could save the store: at
// the next start the keywords are there. The window runs in a process of
// its own (window_edit_probe) that is really killed.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "app_fixture.h"
#include "file_bytes.h"
#include "kivo/core/user_messages.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "main_window.h"
#include "xrsave.h"

namespace kivo::app {
namespace {

// Runs the probe on the home, waits for its "saved", kills it with SIGKILL.
void EditInTheWindowThenKill(const test::AppHome& home, const std::string& keywords) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const std::string home_folder = home.home().string();
    const std::string temp_root = home.places().temp_root.string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execl(KIVO_WINDOW_EDIT_PROBE, KIVO_WINDOW_EDIT_PROBE, home_folder.c_str(),
                temp_root.c_str(), keywords.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    char said[16] = {};
    const ssize_t got = ::read(out[0], said, sizeof said - 1);
    ::close(out[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(std::string(said, got > 0 ? static_cast<std::size_t>(got) : 0), "saved\n")
        << "the probe ended with status " << status;
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

TEST(WindowEditKillTest, KeywordsSavedInTheEditDialogSurviveAKillOfTheProgram) {
    test::AppHome home;
    core::RecordingMessageReporter reporter{core::kAnswerYes};
    test::ScriptedChooser chooser;
    {
        // A first start, a meeting recorded into its store, a clean close.
        MainWindow window(home.resources(), home.places(), &reporter, &chooser);
        ASSERT_TRUE(window.Start());
        const std::filesystem::path working = window.session().store().working_folder();
        const std::string stamp = "202612081";
        const std::string base = "D" + stamp;
        test::WriteFileText((working / (base + ".xrw")).string(), "sound");
        test::WriteFileText((working / (base + ".xrs")).string(), "");
        recordstore::RecordFields fields;
        fields.record_number = 1;
        fields.kind_code = "1";
        fields.subject = "weekly meeting";
        fields.container_name = base + ".xrz";
        fields.start_date = fields.end_date = "08/12/2026";
        fields.start_time = "10:00:00";
        fields.end_time = "10:30:00";
        fields.duration = "00:30:00";
        test::WriteFileText((working / (base + ".xrl")).string(),
                            recordstore::RecordLine::Build(fields).bytes);
        const std::string store = window.session().store().store_path().string();
        ASSERT_GT(XRsaveM((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(),
                          "", working.c_str(), store.c_str(), stamp.c_str(), 0),
                  0);
    }

    EditInTheWindowThenKill(home, "budget travel");

    MainWindow restarted(home.resources(), home.places(), &reporter, &chooser);
    ASSERT_TRUE(restarted.Start());
    recordstore::RecordIndex index(
        (restarted.session().store().working_folder() / "Voxwren.xri").string());
    recordstore::IndexRecord entry;
    ASSERT_TRUE(index.Get(1, &entry).ok());
    EXPECT_EQ(entry.keywords, "budget travel");
}

}  // namespace
}  // namespace kivo::app

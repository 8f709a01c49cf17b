// A record edited and saved, then the program killed with SIGKILL before it
// could save the store: after a restart the edit is there, keywords (which
// live in the index) included. The edit runs in a separate process
// (record_edit_probe) that is really killed.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "kivo/core/working_folder.h"
#include "kivo/recordstore/record_index.h"
#include "record_store_fixture.h"

// Records are described with designated initializers that name only the
// fields a test cares about; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kivo::records {
namespace {

// Runs the probe, waits for its "saved", kills it with SIGKILL.
void EditThenKill(const std::string& store, const std::string& working_root,
                  const std::string& container, const std::string& mode) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execl(KIVO_RECORD_EDIT_PROBE, KIVO_RECORD_EDIT_PROBE, store.c_str(), working_root.c_str(),
                container.c_str(), "edited subject", "new keywords", mode.c_str(),
                static_cast<char*>(nullptr));
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

class RecordEditKillTest : public RecordStoreTest {
protected:
    // Opens the store again, as the next start of the program does, and
    // reads the record's subject (from the log) and keywords (from the index).
    void Restart(std::string* subject, std::string* keywords) {
        core::WorkingFolder working;
        ASSERT_EQ(working.Create(dir_.path()), 0);
        core::DataStoreSession restarted(working.path());
        restarted.set_location(store_->location());
        ASSERT_EQ(restarted.LoadDataStore(), 0);
        const recordstore::RecordLine line =
            LineOf(test::ReadFileText(restarted.WorkingPath("Voxwren.xrr").string()), 2);
        *subject = std::string(line.StoredField(recordstore::record_field::kSubject));
        recordstore::IndexRecord entry;
        recordstore::RecordIndex index(restarted.WorkingPath("Voxwren.xri").string());
        ASSERT_TRUE(index.Get(2, &entry).ok());
        *keywords = entry.keywords;
    }
};

TEST_F(RecordEditKillTest, KeywordsOfACommittedEditSurviveAKill) {
    AddRecord({.number = 1});
    const std::string container = AddRecord({.number = 2, .keywords = "old keywords"});
    ASSERT_EQ(store_->SaveDataStore(), 0);  // the program closed: all in the store

    EditThenKill(store_path(), dir_.path().string(), container, "commit");
    std::string subject, keywords;
    Restart(&subject, &keywords);
    EXPECT_EQ(subject,
              "edited\xAC"
              "subject");
    EXPECT_EQ(keywords, "new keywords");
}

// The edit itself makes the keywords durable: the program killed right after
// the save, before anything else commits, keeps them too.
TEST_F(RecordEditKillTest, KeywordsOfAnEditSurviveAKillRightAfterTheSave) {
    AddRecord({.number = 1});
    const std::string container = AddRecord({.number = 2, .keywords = "old keywords"});
    ASSERT_EQ(store_->SaveDataStore(), 0);

    EditThenKill(store_path(), dir_.path().string(), container, "no-commit");
    std::string subject, keywords;
    Restart(&subject, &keywords);
    EXPECT_EQ(subject,
              "edited\xAC"
              "subject");
    EXPECT_EQ(keywords, "new keywords");
}

}  // namespace
}  // namespace kivo::records

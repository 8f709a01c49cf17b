// A dialog's change of a whole component file: durable before it reports
// success, written only into the store it was opened on, and nothing
// written when the change is given up or the store refused.
#include "kivo/core/bound_component.h"

#include <gtest/gtest.h>

#include "committed_store.h"
#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

namespace fs = std::filesystem;
using test::ReadFileText;
using test::TempDir;

class BoundComponentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(session.New(stores.path() / "KIVO.xrt"), 0); }

    std::string Committed(const std::string& name) const {
        return test::ReadCommittedComponents(session.store_path())[name];
    }

    TempDir stores;
    TempDir work;
    DataStoreSession session{work.path()};
};

TEST_F(BoundComponentTest, AChangeIsCommittedBeforeItIsReportedSaved) {
    BoundComponent agendas(session, "Voxwren.xra");
    std::string bytes;
    ASSERT_TRUE(agendas.Read(bytes));
    EXPECT_EQ(bytes, "999999999");
    const ComponentSave save = agendas.Change([](std::string& current) {
        current += "\nT Board\n";
        return true;
    });
    ASSERT_TRUE(save.saved()) << save.detail;
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xra").string()), "999999999\nT Board\n");
    // What a restart after a kill sees: the store with its journal.
    EXPECT_EQ(Committed("Voxwren.xra"), "999999999\nT Board\n");
}

TEST_F(BoundComponentTest, AGivenUpChangeWritesNothing) {
    BoundComponent templates(session, "Voxwren.xrc");
    const fs::path journal = session.JournalPath();
    const bool had_journal = fs::exists(journal);
    const ComponentSave save = templates.Change([](std::string& current) {
        current = "changed";
        return false;
    });
    EXPECT_TRUE(save.saved());
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrc").string()), "");
    EXPECT_EQ(fs::exists(journal), had_journal);
}

TEST_F(BoundComponentTest, AfterNewOrOpenTheComponentWritesIntoNeitherStore) {
    const fs::path first = session.store_path();
    BoundComponent bound_to_first(session, "Voxwren.xrc");
    ASSERT_EQ(session.New(stores.path() / "Other.xrt"), 0);
    const auto change = [](std::string& current) {
        current = "N written into the wrong store\n";
        return true;
    };
    EXPECT_EQ(bound_to_first.Change(change).status, ComponentSaveStatus::kNotBound);
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrc").string()), "");
    EXPECT_EQ(Committed("Voxwren.xrc"), "");
    // Opening the first store again does not bind it anew.
    ASSERT_EQ(session.Open(first), 0);
    EXPECT_EQ(bound_to_first.Change(change).status, ComponentSaveStatus::kNotBound);
    EXPECT_EQ(Committed("Voxwren.xrc"), "");
}

TEST_F(BoundComponentTest, AnUnwritableWorkingCopyIsReportedAndKept) {
    BoundComponent templates(session, "Voxwren.xrc");
    // A folder in the file's place cannot be replaced by a file.
    fs::remove(session.WorkingPath("Voxwren.xrc"));
    fs::create_directories(session.WorkingPath("Voxwren.xrc") / "in-the-way");
    const ComponentSave save = templates.Change([](std::string& current) {
        current = "N lost\n";
        return true;
    });
    EXPECT_FALSE(save.saved());
    EXPECT_TRUE(fs::is_directory(session.WorkingPath("Voxwren.xrc")));
}

}  // namespace
}  // namespace kivo::core

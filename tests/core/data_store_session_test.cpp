// The data store session: unpacking, saving, switching and component copies.
#include "kivo/core/data_store_session.h"

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/store_operation.h"
#include "kivo/core/working_folder.h"
#include "store_fixture.h"
#include "temp_dir.h"
#include "zn2xrrps.h"

namespace kivo::core {
namespace {

using test::MakeRecordLog;
using test::MakeStore;
using test::NewStoreMembers;
using test::ReadFileText;
using test::ReadStoreMembers;
using test::RecordFields;
using test::StoreMembers;
using test::TempDir;
using test::WriteFileText;

class DataStoreTest : public ::testing::Test {
protected:
    // The working folder must exist before the session below copies its path;
    // an empty path would make the session unpack into the current folder.
    static WorkingFolder CreatedIn(const std::filesystem::path& root) {
        WorkingFolder folder;
        EXPECT_EQ(folder.Create(root), 0);
        return folder;
    }

    void SetUp() override { ASSERT_FALSE(working.path().empty()); }

    std::filesystem::path Store(const std::string& name) { return stores.path() / name; }

    TempDir root, stores, home;
    WorkingFolder working = CreatedIn(root.path());
    ProfileFile profile{home.file("KIVO.ini")};
    DataStoreSession session{working.path(), &profile, "anna"};
};

TEST_F(DataStoreTest, LoadUnpacksTheElevenMembers) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    for (std::string_view member : UnpackedMembers()) {
        EXPECT_TRUE(std::filesystem::exists(session.WorkingPath(member))) << member;
    }
    EXPECT_EQ(session.state(), StoreState::kOpen);
}

TEST_F(DataStoreTest, MissingStoreGives105) {
    session.set_location({stores.path(), "Nowhere"});
    EXPECT_EQ(session.LoadDataStore(), 105);
}

TEST_F(DataStoreTest, StoreMadeBeforeAgendasGainsAgendasAndLists) {
    StoreMembers members = NewStoreMembers();
    members.erase("Voxwren.xra");
    MakeStore(Store("Old.xrt"), members);
    session.set_location({stores.path(), "Old"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    auto stored = ReadStoreMembers(Store("Old.xrt"));
    EXPECT_EQ(stored["Voxwren.xra"], "999999999");
    EXPECT_EQ(stored["Voxwren.xrl"], "999999999");
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrl").string()), "999999999");
}

TEST_F(DataStoreTest, SaveWithThePhoneLogMissingSavesTheOtherEightAndReports106) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    const std::string changed = MakeRecordLog({RecordFields{}});
    WriteFileText(session.WorkingPath("Voxwren.xrr").string(), changed);
    WriteFileText(session.WorkingPath("Voxwren.xrb").string(), "phone book");
    std::filesystem::remove(session.WorkingPath("Voxwren.xrp"));

    EXPECT_EQ(session.SaveDataStore(), 106);
    auto stored = ReadStoreMembers(Store("KIVO.xrt"));
    EXPECT_EQ(stored["Voxwren.xrr"], changed);
    EXPECT_EQ(stored["Voxwren.xrb"], "phone book");
    EXPECT_EQ(stored["Voxwren.xrp"], test::RecordLogHeader());  // the stored one stays
}

TEST_F(DataStoreTest, OpenOfficeSetsFolderAndNameAndRecordsThem) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    StoreMembers office = NewStoreMembers();
    RecordFields meeting;
    meeting.number = 5;
    meeting.kind = "1";
    office["Voxwren.xrm"] = MakeRecordLog({meeting});
    MakeStore(Store("Office.xrt"), office);
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    WriteFileText(session.WorkingPath("Voxwren.xrb").string(), "saved before switching");

    ASSERT_EQ(session.Open(Store("Office.xrt")), 0);
    EXPECT_EQ(session.location().folder, stores.path());
    EXPECT_EQ(session.location().name, "Office");
    EXPECT_EQ(profile.Read("anna", "LastPath"), stores.path().string());
    EXPECT_EQ(profile.Read("anna", "LastFile"), "Office");
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrm").string()), office["Voxwren.xrm"]);
    EXPECT_EQ(ReadStoreMembers(Store("KIVO.xrt"))["Voxwren.xrb"], "saved before switching");
}

TEST_F(DataStoreTest, OpenOfAFileWithoutExtensionFailsAndKeepsTheOpenStore) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    WriteFileText(Store("Office").string(), "not a store");
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);

    EXPECT_EQ(session.Open(Store("Office")), 105);
    EXPECT_EQ(session.state(), StoreState::kOpen);
    EXPECT_EQ(session.location().name, "KIVO");
    EXPECT_TRUE(std::filesystem::exists(session.WorkingPath("Voxwren.xrr")));
    EXPECT_EQ(profile.Read("anna", "LastFile"), "Bad");
}

TEST_F(DataStoreTest, FailedOpenWithNoStoreOpenMarksTheStateFailed) {
    EXPECT_EQ(session.Open(Store("Missing.xrt")), 105);
    EXPECT_EQ(session.state(), StoreState::kFailed);
}

TEST_F(DataStoreTest, CancelledChoiceKeepsAnOpenStoreOpen) {
    session.CancelChoice();
    EXPECT_EQ(session.state(), StoreState::kCancelled);  // start-up: nothing open

    DataStoreSession open_session{working.path()};
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    open_session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(open_session.LoadDataStore(), 0);
    open_session.CancelChoice();
    EXPECT_EQ(open_session.state(), StoreState::kOpen);
}

TEST_F(DataStoreTest, NewRefusesAnExistingName) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    EXPECT_EQ(session.New(Store("KIVO.xrt")), 3);
    EXPECT_EQ(session.New(Store("KIVO")), 3);  // the name becomes KIVO.xrt
}

TEST_F(DataStoreTest, NewSavesTheOpenStoreThenBuildsAndOpensTheNewOne) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    WriteFileText(session.WorkingPath("Voxwren.xrc").string(), "templates of KIVO");

    ASSERT_EQ(session.New(stores.path() / "sub" / "Fresh"), 0);
    EXPECT_EQ(session.location().name, "Fresh");
    EXPECT_TRUE(std::filesystem::exists(stores.path() / "sub" / "Fresh.xrt"));
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrc").string()), "");
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrl").string()), "999999999");
    EXPECT_EQ(profile.Read("anna", "LastFile"), "Fresh");
    EXPECT_EQ(ReadStoreMembers(Store("KIVO.xrt"))["Voxwren.xrc"], "templates of KIVO");
}

TEST_F(DataStoreTest, NewThatCannotBuildKeepsThePreviousStoreOpen) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    WriteFileText(root.file("blocker"), "a file where the folder should be");

    const int code = session.New(root.path() / "blocker" / "Fresh.xrt");
    EXPECT_GT(code, 100);
    EXPECT_EQ(session.state(), StoreState::kOpen);
    EXPECT_EQ(session.location().name, "KIVO");
    EXPECT_TRUE(std::filesystem::exists(session.WorkingPath("Voxwren.xrr")));
}

TEST_F(DataStoreTest, StoreLocationsSplitChosenPaths) {
    auto opened = StoreLocation::FromOpenedPath("/d/stores/Office.xrt");
    EXPECT_EQ(opened.folder, "/d/stores");
    EXPECT_EQ(opened.name, "Office");
    EXPECT_EQ(StoreLocation::FromOpenedPath("/d/stores/Office").name, "");
    EXPECT_EQ(StoreLocation::FromNewPath("/d/stores/Office").name, "Office");
    EXPECT_EQ(StoreLocation::FromNewPath("/d/my.stores/a.b.xrt").name, "a.b");
    EXPECT_EQ(opened.StorePath(), "/d/stores/Office.xrt");
}

TEST_F(DataStoreTest, ComponentsAreAppendedFromFilesAndOtherStores) {
    StoreMembers other = NewStoreMembers();
    other["Voxwren.xrb"] = "B2";
    MakeStore(Store("Other.xrt"), other);
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    WriteFileText(session.WorkingPath("Voxwren.xrb").string(), "B1");

    EXPECT_EQ(session.CopyComponentFromStore(Store("Other.xrt"), 0), 0);
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrb").string()), "B1B2");
    EXPECT_EQ(session.CopyComponentFromStore(Store("Other.xrt"), 3), 124);
    EXPECT_EQ(session.CopyComponentFromStore(Store("Missing.xrt"), 0), 112);

    WriteFileText(root.file("templates.xrc"), "T");
    EXPECT_EQ(session.ImportComponentFile(ComponentKind::kTemplates, root.file("templates.xrc")),
              0);
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrc").string()), "T");
    EXPECT_EQ(AppendComponentFile(session.WorkingPath("x"), root.file("missing")), 125);

    ASSERT_TRUE(session.ExportComponent(ComponentKind::kPhoneBook, root.file("PhoneBook.xrb")));
    EXPECT_EQ(ReadFileText(root.file("PhoneBook.xrb")), "B1B2");
}

// The member's version in the store (0 when it has none).
std::uint32_t StoredVersion(const std::filesystem::path& store, const std::string& member) {
    const RPS_STATUS* status = RPS_Info(store.c_str());
    for (const RPS_ENTRY_INFO* e = status == nullptr ? nullptr : status->entries; e != nullptr;
         e = e->next) {
        if (e->name != nullptr && member == e->name)
            return e->version;
    }
    return 0;
}

std::string FileText(const std::filesystem::path& path) {
    return std::filesystem::exists(path) ? ReadFileText(path.string()) : std::string();
}

TEST_F(DataStoreTest, CommittedChangesOfAKilledSessionArePlayedBackByTheNextLoad) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    const std::string log = MakeRecordLog({RecordFields{}});
    WriteFileText(session.WorkingPath("Voxwren.xrr").string(), log);
    WriteFileText(session.WorkingPath("Voxwren.xri").string(), "keywords of record 1");
    ASSERT_EQ(session.CommitChanges(), 0);
    EXPECT_TRUE(std::filesystem::exists(session.JournalPath()));
    EXPECT_EQ(ReadStoreMembers(Store("KIVO.xrt"))["Voxwren.xri"], "");  // not put yet

    // The session ends without saving (a kill); the next one finds the journal.
    WorkingFolder next = CreatedIn(root.path());
    DataStoreSession restarted{next.path()};
    restarted.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(restarted.LoadDataStore(), 0);
    EXPECT_EQ(ReadFileText(restarted.WorkingPath("Voxwren.xri").string()), "keywords of record 1");
    EXPECT_EQ(ReadFileText(restarted.WorkingPath("Voxwren.xrr").string()), log);
    auto stored = ReadStoreMembers(Store("KIVO.xrt"));
    EXPECT_EQ(stored["Voxwren.xri"], "keywords of record 1");
    EXPECT_EQ(stored["Voxwren.xrr"], log);
    EXPECT_FALSE(std::filesystem::exists(restarted.JournalPath()));
}

// The repository's crash journal stays beside the store, idle, between the
// session's operations (no file made and removed by each), never undoes
// anything, and goes with the next save.
TEST_F(DataStoreTest, TheCrashJournalKeptBetweenOperationsIsIdleAndGoneAfterASave) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    const std::filesystem::path crash_journal = Store("KIVO.xrt-journal");
    WriteFileText(session.WorkingPath("D20250101120000.xrz").string(), "a recording");
    {
        StoreOperation operation(session);
        ASSERT_TRUE(operation.ok());
        const std::string names[] = {"D20250101120000.xrz"};
        ASSERT_TRUE(session.store_access().Put(Store("KIVO.xrt").string(),
                                               session.working_folder().string(), names));
    }
    ASSERT_TRUE(std::filesystem::exists(crash_journal));
    const std::string idle = ReadFileText(crash_journal.string());
    ASSERT_GE(idle.size(), 48u);
    EXPECT_EQ(idle.substr(0, 8), std::string(8, '\0'));
    // Another writer takes it for no journal: the put stands.
    EXPECT_EQ(ReadStoreMembers(Store("KIVO.xrt"))["D20250101120000.xrz"], "a recording");

    ASSERT_EQ(session.SaveDataStore(), 0);
    EXPECT_FALSE(std::filesystem::exists(crash_journal));
    EXPECT_EQ(ReadStoreMembers(Store("KIVO.xrt"))["D20250101120000.xrz"], "a recording");
}

TEST_F(DataStoreTest, AStoreOpenedThroughALinkUsesTheJournalOfTheRealFile) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    std::filesystem::create_symlink(Store("KIVO.xrt"), Store("Link.xrt"));
    session.set_location({stores.path(), "Link"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    EXPECT_EQ(session.JournalPath(), Store("KIVO.xrt-changes"));
    WriteFileText(session.WorkingPath("Voxwren.xrb").string(), "through the link");
    ASSERT_EQ(session.CommitChanges(), 0);

    WorkingFolder next = CreatedIn(root.path());
    DataStoreSession by_real_name{next.path()};
    by_real_name.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(by_real_name.LoadDataStore(), 0);
    EXPECT_EQ(ReadFileText(by_real_name.WorkingPath("Voxwren.xrb").string()), "through the link");
}

TEST_F(DataStoreTest, AReadOnlyLoadWritesNeitherTheStoreNorItsJournal) {
    StoreMembers members = NewStoreMembers();
    members.erase("Voxwren.xra");  // a store made before agendas
    MakeStore(Store("Old.xrt"), members);
    const std::string old_bytes = FileText(Store("Old.xrt"));
    WorkingFolder first = CreatedIn(root.path());
    DataStoreSession first_reader{first.path()};
    first_reader.set_location({stores.path(), "Old"});
    ASSERT_EQ(first_reader.LoadDataStore(recordstore::StoreAccess::kReadOnly), 0);
    EXPECT_EQ(ReadFileText(first_reader.WorkingPath("Voxwren.xra").string()), "999999999");
    EXPECT_EQ(FileText(Store("Old.xrt")), old_bytes);  // it gained nothing

    session.set_location({stores.path(), "Old"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    WriteFileText(session.WorkingPath("Voxwren.xrb").string(), "committed");
    ASSERT_EQ(session.CommitChanges(), 0);
    const std::string store_bytes = FileText(Store("Old.xrt"));
    const std::string journal_bytes = FileText(session.JournalPath());

    WorkingFolder other = CreatedIn(root.path());
    DataStoreSession reader{other.path()};
    reader.set_location({stores.path(), "Old"});
    ASSERT_EQ(reader.LoadDataStore(recordstore::StoreAccess::kReadOnly), 0);
    EXPECT_EQ(ReadFileText(reader.WorkingPath("Voxwren.xrb").string()), "committed");
    EXPECT_EQ(FileText(Store("Old.xrt")), store_bytes);
    EXPECT_EQ(FileText(session.JournalPath()), journal_bytes);
    WriteFileText(reader.WorkingPath("Voxwren.xrc").string(), "changed by a reader");
    EXPECT_EQ(reader.CommitChanges(), kStoreSaveFailed);
    EXPECT_EQ(reader.SaveDataStore(), kStoreRepositoryFailed);
    EXPECT_EQ(FileText(Store("Old.xrt")), store_bytes);
}

TEST_F(DataStoreTest, SavingPutsOnlyTheComponentsThatChanged) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    WriteFileText(session.WorkingPath("Voxwren.xrr").string(), MakeRecordLog({RecordFields{}}));
    ASSERT_EQ(session.SaveDataStore(), 0);
    EXPECT_EQ(StoredVersion(Store("KIVO.xrt"), "Voxwren.xrr"), 2u);
    EXPECT_EQ(StoredVersion(Store("KIVO.xrt"), "Voxwren.xri"), 1u);
    ASSERT_EQ(session.SaveDataStore(), 0);  // nothing changed since
    EXPECT_EQ(StoredVersion(Store("KIVO.xrt"), "Voxwren.xrr"), 2u);
}

TEST_F(DataStoreTest, ANewStoreNeverPlaysBackAJournalLeftByAnEarlierStoreOfItsName) {
    MakeStore(Store("KIVO.xrt"), NewStoreMembers());
    session.set_location({stores.path(), "KIVO"});
    ASSERT_EQ(session.LoadDataStore(), 0);
    WriteFileText(Store("Fresh.xrt-changes").string(), "journal of a store that is gone");

    ASSERT_EQ(session.New(Store("Fresh.xrt")), 0);
    EXPECT_EQ(ReadFileText(session.WorkingPath("Voxwren.xrb").string()), "");
    EXPECT_FALSE(std::filesystem::exists(Store("Fresh.xrt-changes")));
}

}  // namespace
}  // namespace kivo::core

// Crash safety of record operations: a save, an edit, a delete, an import
// and an index rewrite are committed after two earlier commits; so are a
// save made by the record saver itself (container built in the working
// folder, only the container put, the line appended to the working log) and
// an edit that stores a new version of its container. The machine goes down
// at the 1st, 2nd, 3rd ... change of the commit (unsynced writes dropped,
// torn at 512-byte sectors, or all kept). The next start unpacks the store
// into a fresh working folder and plays the journal back; that recovery is
// itself crashed at each of its changes and run again. A save stores its
// container before its commit and a delete marks it deleted after, and the
// crash counts those changes too. Afterwards the record log, the index and
// the phone book are together exactly as before the operation or exactly as
// after it (never one without the other), the log names no container the
// store lacks, the two earlier commits are there, the store holds the same
// on its own, it passes the integrity check, and no journal is left.
#include <gtest/gtest.h>

#include <functional>

#include "kivo/recordstore/record_save.h"
#include "power_loss_store.h"

namespace kivo::recordstore::test {
namespace {

using filesystem::PowerLossStyle;

std::string Container(int number) {
    return "D" + std::to_string(number) + ".xrz";
}

// A record line naming its recording container.
std::string Line(int number, char fill = ' ') {
    std::string line = std::to_string(10000000 + number) + " 0 subject " + Container(number) + " ";
    line.resize(400, fill);
    return line + '\n';
}

std::string Entry(int number, const std::string& keywords) {
    return std::to_string(10000000 + number) + "\t0\t" + keywords + "\n";
}

Members InitialMembers() {
    std::string log = Line(0);
    std::string index;
    for (int n = 1; n <= 12; ++n) {
        log += Line(n);
        index += Entry(n, "first keywords");
    }
    Members members = {{"Voxwren.xri", index}, {"Voxwren.xrr", log}, {"Voxwren.xrb", "phone book"}};
    for (int n = 1; n <= 12; ++n)
        members[Container(n)] = "the recording of record " + std::to_string(n);
    return members;
}

// Steps of an operation on the store itself: a save stores the record's
// container before its commit; a delete marks the container deleted after
// its commit. False when the step failed (the operation stops there).
using StoreStep = std::function<bool(PowerLossFileSystem&)>;

bool PutContainer(PowerLossFileSystem& disk, int number) {
    WriteDiskFile(disk, "/w1/" + Container(number),
                  "the recording of record " + std::to_string(number));
    repository::Engine engine(disk);
    return engine.Put(kStorePath, "/w1", {Container(number)}).ok();
}

bool DeleteContainer(PowerLossFileSystem& disk, int number) {
    repository::Engine engine(disk);
    return engine.Delete(kStorePath, {Container(number)}).ok();
}

// The saver's own save of record 13: the media (bytes the codec keeps as
// they are), line and marks packed into its container in the working
// folder, the container alone put into the store, the line appended to the
// working log; the log and index then wait for the commit.
bool SaveWithTheSaver(PowerLossFileSystem& disk) {
    WriteDiskFile(disk, "/w1/D13.xrw", "media of record 13");
    WriteDiskFile(disk, "/w1/D13.xrl", Line(13));
    WriteDiskFile(disk, "/w1/D13.xrs", "00:00:01 mark\n");
    RecordSaveRequest request;
    request.media = "D13.xrw";
    request.record_line = "D13.xrl";
    request.index_marks = "D13.xrs";
    request.working_folder = "/w1";
    request.store_path = kStorePath;
    request.stamp = "13";
    request.container_only = true;
    return RecordSaver(disk).Save(request).ok();
}

// A new version of record 5's container (new marks or a new picture) in the
// working folder; the commit made with it puts it into the store.
constexpr char kOriginalRecording[] = "the recording of record 5";
constexpr char kEditedRecording[] = "the recording of record 5, with new marks";
bool EditContainer(PowerLossFileSystem& disk) {
    WriteDiskFile(disk, "/w1/" + Container(5), kEditedRecording);
    return true;
}

// A record operation as it changes the working copies.
using Operation = std::function<void(Members&)>;

struct NamedOperation {
    const char* name;
    Operation change;
    StoreStep before_commit;
    StoreStep after_commit;
    // What before_commit itself does to the working copies (the saver
    // appends the line).
    Operation step_change;
    // The container's stored content once the operation is complete, for
    // an operation that stores a new one (its commit is made together with
    // the container); empty otherwise.
    std::string container_after;
};

const std::vector<NamedOperation>& Operations() {
    static const std::vector<NamedOperation> operations = {
        {"save",
         [](Members& m) {
             m["Voxwren.xrr"] += Line(13);
             m["Voxwren.xri"] += Entry(13, "new record");
         },
         [](PowerLossFileSystem& disk) { return PutContainer(disk, 13); },
         {},
         {},
         {}},
        {"save by the record saver",
         [](Members& m) { m["Voxwren.xri"] += Entry(13, "new record"); },
         SaveWithTheSaver,
         {},
         [](Members& m) { m["Voxwren.xrr"] += Line(13); },
         {}},
        {"edit with its container",
         [](Members& m) {
             m["Voxwren.xrr"].replace(401 * 5, 401, Line(5, '*'));
             m["Voxwren.xri"] += Entry(5, "new marks");
         },
         EditContainer,
         {},
         {},
         kEditedRecording},
        {"edit",
         [](Members& m) {
             m["Voxwren.xrr"].replace(401 * 5, 401, Line(5, '*'));
             m["Voxwren.xri"].replace(m["Voxwren.xri"].find(Entry(5, "first keywords")), 8,
                                      "00000000");
             m["Voxwren.xri"] += Entry(5, "edited keywords");
         },
         {},
         {},
         {},
         {}},
        {"delete",
         [](Members& m) {
             m["Voxwren.xrr"].replace(401 * 7, 401, std::string(400, '#') + "\n");
             m["Voxwren.xri"].replace(m["Voxwren.xri"].find(Entry(7, "first keywords")), 8,
                                      "00000000");
         },
         {},
         [](PowerLossFileSystem& disk) { return DeleteContainer(disk, 7); },
         {},
         {}},
        {"import",  // a commit of several disk sectors
         [](Members& m) {
             for (int n = 0; n < 200; ++n)
                 m["Voxwren.xrb"] += "; caller " + std::to_string(n) + " 0123 456 789 0";
             m["Voxwren.xrr"] += Line(14);
             m["Voxwren.xri"] += Entry(14, "imported");
         },
         [](PowerLossFileSystem& disk) { return PutContainer(disk, 14); },
         {},
         {},
         {}},
        {"index rewrite",
         [](Members& m) {
             std::string rewritten;
             for (int n = 1; n <= 12; ++n)
                 rewritten += Entry(n, "rewritten");
             m["Voxwren.xri"] = rewritten;
             m["Voxwren.xrb"] = "phone book, longer now";
         },
         {},
         {},
         {},
         {}},
    };
    return operations;
}

// The two commits before the crashed one: a phone book entry, a save.
void EarlierChange(int which, PowerLossFileSystem& disk, Members& m) {
    if (which == 0) {
        m["Voxwren.xrb"] += "; Anna 0123";
    } else {
        EXPECT_TRUE(PutContainer(disk, 20));
        m["Voxwren.xrr"] += Line(20);
        m["Voxwren.xri"] += Entry(20, "earlier");
    }
}

void WriteWorkingCopies(PowerLossFileSystem& disk, const std::string& folder, const Members& m) {
    for (const auto& [name, content] : m)
        WriteDiskFile(disk, folder + "/" + name, content);
}

struct Outcome {
    Members before;
    Members after;
};

// Session 1: recover, two earlier commits, the operation; the commit of the
// operation runs with the machine going down at its nth change (0: never).
// Returns the states before and after the operation.
Outcome RunUpToTheCrash(PowerLossFileSystem& disk, const NamedOperation& operation,
                        const DurableComponentsOptions& options, std::uint64_t nth) {
    BuildStore(disk, InitialMembers());
    EXPECT_TRUE(Unpack(disk, "/w1"));
    DurableComponents session(disk, PlacesIn("/w1"), StoreAccess::kReadWrite, options);
    EXPECT_TRUE(session.Recover().ok());
    Outcome outcome;
    Members state = WorkingCopies(disk, "/w1");
    for (int which = 0; which < 2; ++which) {
        EarlierChange(which, disk, state);
        WriteWorkingCopies(disk, "/w1", state);
        EXPECT_TRUE(session.Commit().ok());
    }
    outcome.before = state;
    operation.change(state);
    WriteWorkingCopies(disk, "/w1", state);
    if (operation.step_change)
        operation.step_change(state);
    outcome.after = state;
    disk.CrashAtChange(nth);
    if (operation.before_commit && !operation.before_commit(disk))
        return outcome;
    const Status committed = operation.container_after.empty()
                                 ? session.Commit()
                                 : session.CommitWithContainer(Container(5));
    if (committed.ok() && operation.after_commit)
        (void)operation.after_commit(disk);
    return outcome;
}

// A start after the crash: unpack into a fresh folder and recover, with the
// machine going down at the nth change (0: never). True when it finished.
bool Restart(PowerLossFileSystem& disk, const std::string& folder, std::uint64_t nth) {
    disk.CrashAtChange(nth);
    if (!Unpack(disk, folder))
        return false;
    DurableComponents session(disk, PlacesIn(folder), StoreAccess::kReadWrite);
    return session.Recover().ok() && !disk.crashed();
}

// Changes the commit of the operation makes when nothing goes wrong.
std::uint64_t CountCommitChanges(const NamedOperation& operation,
                                 const DurableComponentsOptions& options) {
    PowerLossFileSystem disk;
    RunUpToTheCrash(disk, operation, options, 0);
    return disk.changes_counted();
}

std::uint64_t CountRestartChanges(const NamedOperation& operation,
                                  const DurableComponentsOptions& options, std::uint64_t nth) {
    PowerLossFileSystem disk;
    RunUpToTheCrash(disk, operation, options, nth);
    disk.PowerLoss(PowerLossStyle::kDropUnsynced, 1);
    EXPECT_TRUE(Restart(disk, "/w2", 0));
    return disk.changes_counted();
}

// The containers that the live lines of a record log name.
std::vector<std::string> NamedContainers(const std::string& log) {
    std::vector<std::string> names;
    for (std::size_t at = 401; at + 401 <= log.size(); at += 401) {
        const std::string line = log.substr(at, 401);
        const std::size_t name = line.find(" D");
        if (line[0] != '#' && name != std::string::npos)
            names.push_back(line.substr(name + 1, line.find(' ', name + 1) - name - 1));
    }
    return names;
}

bool LiveInStore(PowerLossFileSystem& disk, const std::string& member) {
    repository::Engine engine(disk);
    for (const auto& entry : engine.Info(kStorePath).entries) {
        if (entry.name == member && entry.deleted == 0)
            return true;
    }
    return false;
}

// A member of the store as stored; empty when it has none live.
std::string StoredMember(PowerLossFileSystem& disk, const std::string& member) {
    (void)disk.MakeDirectory("/member-check", 0700);
    repository::Engine engine(disk);
    if (!engine.Get(kStorePath, "/member-check", {member}).ok())
        return {};
    return ReadDiskFile(disk, "/member-check/" + member);
}

void ExpectBeforeOrAfter(PowerLossFileSystem& disk, const Outcome& outcome,
                         const NamedOperation& operation, const std::string& folder,
                         const std::string& what) {
    const Members recovered = WorkingCopies(disk, folder);
    const bool before = recovered == outcome.before;
    const bool after = recovered == outcome.after;
    EXPECT_TRUE(before || after) << what;
    // An edit that stores its container is one step: complete with the new
    // container, or absent with the old one.
    if (!operation.container_after.empty()) {
        EXPECT_EQ(StoredMember(disk, Container(5)),
                  after ? operation.container_after : std::string(kOriginalRecording))
            << what;
    }
    // The log never names a recording the store does not hold.
    for (const std::string& container : NamedContainers(recovered.at("Voxwren.xrr")))
        EXPECT_TRUE(LiveInStore(disk, container)) << container << ": " << what;
    EXPECT_EQ(StoredMembers(disk, folder + "-check"), recovered) << what;
    EXPECT_FALSE(disk.Exists(kJournalPath)) << what;
    repository::Engine engine(disk);
    EXPECT_TRUE(engine.CheckIntegrity(kStorePath).ok()) << what;
}

struct Limit {
    const char* name;
    std::uint64_t journal_limit_bytes;
};

// The default limit journals every operation; smaller ones make the
// operation's commit cross it (the commit, then a checkpoint) or exceed it
// alone (a checkpoint instead of the commit).
const Limit kLimits[] = {{"journaled", 4u << 20}, {"crossing", 900}, {"exceeding", 300}};

class DurableComponentsCrashTest : public testing::Test {
protected:
    static void TearDownTestSuite() {
        std::printf("[ INFO     ] %d crashed commits, %d crashed restarts, all before or after\n",
                    crashed_commits_, crashed_restarts_);
    }
    static int crashed_commits_;
    static int crashed_restarts_;
};

int DurableComponentsCrashTest::crashed_commits_ = 0;
int DurableComponentsCrashTest::crashed_restarts_ = 0;

TEST_F(DurableComponentsCrashTest, EveryCrashOfACommitLeavesTheOperationAbsentOrComplete) {
    struct Crash {
        PowerLossStyle style;
        std::uint32_t seed;
    };
    // Torn in many ways: each seed keeps or loses each sector differently.
    std::vector<Crash> crashes = {{PowerLossStyle::kDropUnsynced, 1},
                                  {PowerLossStyle::kKeepEverything, 1}};
    for (std::uint32_t seed = 1; seed <= 12; ++seed)
        crashes.push_back({PowerLossStyle::kTearUnsynced, seed * 7919});
    for (const Limit& limit : kLimits) {
        DurableComponentsOptions options;
        options.journal_limit_bytes = limit.journal_limit_bytes;
        for (const NamedOperation& operation : Operations()) {
            const std::uint64_t changes = CountCommitChanges(operation, options);
            ASSERT_GT(changes, 0u) << operation.name;
            for (std::uint64_t nth = 1; nth <= changes + 1; ++nth) {
                for (const Crash& crash : crashes) {
                    const std::string what = std::string(operation.name) + ", " + limit.name +
                                             ", crash at change " + std::to_string(nth) +
                                             ", style " +
                                             std::to_string(static_cast<int>(crash.style)) +
                                             ", seed " + std::to_string(crash.seed);
                    PowerLossFileSystem disk;
                    const Outcome outcome = RunUpToTheCrash(disk, operation, options, nth);
                    disk.PowerLoss(crash.style, crash.seed);
                    ASSERT_TRUE(Restart(disk, "/w2", 0)) << what;
                    ExpectBeforeOrAfter(disk, outcome, operation, "/w2", what);
                    ++crashed_commits_;
                }
            }
        }
    }
}

TEST_F(DurableComponentsCrashTest, EveryCrashOfTheRecoveryIsRecoveredAgain) {
    for (const Limit& limit : kLimits) {
        DurableComponentsOptions options;
        options.journal_limit_bytes = limit.journal_limit_bytes;
        for (const NamedOperation& operation : Operations()) {
            const std::uint64_t changes = CountCommitChanges(operation, options);
            for (std::uint64_t nth = 1; nth <= changes + 1; ++nth) {
                const std::uint64_t restart_changes = CountRestartChanges(operation, options, nth);
                for (std::uint64_t mth = 1; mth <= restart_changes; ++mth) {
                    // The second power cut drops or tears, by turns.
                    for (PowerLossStyle style : {mth % 2 == 0 ? PowerLossStyle::kDropUnsynced
                                                              : PowerLossStyle::kTearUnsynced}) {
                        const std::string what =
                            std::string(operation.name) + ", " + limit.name + ", crash at " +
                            std::to_string(nth) + ", restart crashed at " + std::to_string(mth) +
                            ", style " + std::to_string(static_cast<int>(style));
                        PowerLossFileSystem disk;
                        const Outcome outcome = RunUpToTheCrash(disk, operation, options, nth);
                        disk.PowerLoss(PowerLossStyle::kDropUnsynced, 1);
                        EXPECT_FALSE(Restart(disk, "/w2", mth)) << what;
                        disk.PowerLoss(style, static_cast<std::uint32_t>(mth));
                        ASSERT_TRUE(Restart(disk, "/w3", 0)) << what;
                        ExpectBeforeOrAfter(disk, outcome, operation, "/w3", what);
                        ++crashed_restarts_;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace kivo::recordstore::test

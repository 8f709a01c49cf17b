// On the machine's file system a store of several files opens the next
// sources on a helper thread, and an extraction makes its next output files
// there; over a test double every call is made in turn. The two must give
// the same repository, the same files and the same messages, whatever the
// names: a name given twice (whose second opening meets the first one's
// lock), unsafe names, missing files, a folder, outputs that already exist.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/filesystem/forwarding_file_system.h"
#include "kivo/filesystem/posix_file_system.h"
#include "repository_test_support.h"
#include "temp_dir.h"

namespace kivo::repository::test {
namespace {

// Not the machine's file system itself, so the engine works alone over it.
class OneThreadFileSystem : public filesystem::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
};

constexpr int kFiles = 40;

std::string FileName(int index) {
    return "f" + std::to_string(index);
}

// A store, an extraction into an empty folder and a second one over it, all
// in a fresh folder; messages with the folder written as "<dir>".
struct Outcome {
    std::string messages;
    std::vector<EntryInfo> entries;
    std::map<std::string, Bytes> extracted;
};

std::string Normalised(const StatusRecord& status, const std::string& folder) {
    std::string text = Messages(status);
    for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder)) {
        text.replace(at, folder.size(), "<dir>");
    }
    return text;
}

Outcome StoreAndExtract(bool one_thread) {
    kivo::test::TempDir dir;
    const std::string folder = dir.path().string();
    std::filesystem::create_directory(dir.path() / "src");
    std::filesystem::create_directory(dir.path() / "src" / "sub");
    std::filesystem::create_directory(dir.path() / "out");
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        // Sizes from empty to a few pages, some past a piece of 1 MiB.
        const std::size_t size = i % 10 == 9 ? (1 << 20) + 4099 * i : 997 * i;
        kivo::test::WriteFileBytes(dir.file("src/" + FileName(i)), Pattern(size, i));
        names.push_back(FileName(i));
        if (i == 5) {
            names.insert(names.end(), {"f2", "../escape", "missing", "sub", "f5"});
        }
    }
    ::chmod(dir.file("src/f7").c_str(), 0444);

    filesystem::PosixFileSystem posix;
    OneThreadFileSystem alone(posix);
    filesystem::FileSystem& file_system =
        one_thread ? static_cast<filesystem::FileSystem&>(alone) : posix;
    Engine engine(file_system, TestOptions());
    const std::string repository = dir.file("r.xrt");
    Outcome run;
    run.messages += Normalised(engine.Put(repository, dir.file("src"), names), folder);
    run.messages += Normalised(engine.PutAll(repository, dir.file("src")), folder);
    run.entries = engine.AllInfo(repository).entries;
    run.messages += Normalised(engine.GetAll(repository, dir.file("out")), folder);
    // Over files that exist now, the read-only one among them.
    run.messages += Normalised(engine.GetAll(repository, dir.file("out")), folder);
    for (const auto& file : std::filesystem::directory_iterator(dir.path() / "out")) {
        run.extracted[file.path().filename().string()] =
            kivo::test::ReadFileBytes(file.path().string());
    }
    return run;
}

TEST(WorkAhead, StoringAndExtractingWithAHelperThreadGiveWhatOneThreadGives) {
    const Outcome helped = StoreAndExtract(false);
    const Outcome alone = StoreAndExtract(true);

    EXPECT_EQ(helped.messages, alone.messages);
    // Each refusal is reported once per store, in the order of the names.
    EXPECT_NE(alone.messages.find("../escape"), std::string::npos) << alone.messages;
    EXPECT_NE(alone.messages.find("<dir>/src/missing"), std::string::npos) << alone.messages;
    EXPECT_NE(alone.messages.find("<dir>/src/sub"), std::string::npos) << alone.messages;

    ASSERT_EQ(helped.entries.size(), alone.entries.size());
    // Every file twice (Put, then PutAll), f2 and f5 three times.
    EXPECT_EQ(alone.entries.size(), 2u * kFiles + 2u);
    for (std::size_t i = 0; i < alone.entries.size(); ++i) {
        const EntryInfo& a = alone.entries[i];
        const EntryInfo& h = helped.entries[i];
        EXPECT_EQ(h.name, a.name) << i;
        EXPECT_EQ(h.version, a.version) << a.name;
        EXPECT_EQ(h.size_bytes, a.size_bytes) << a.name;
        EXPECT_EQ(h.attributes, a.attributes) << a.name;
        EXPECT_EQ(h.deleted, a.deleted) << a.name;
    }

    // Exactly the files, whole, and nothing left of the unnamed files made
    // ahead and not used.
    EXPECT_EQ(helped.extracted.size(), static_cast<std::size_t>(kFiles));
    EXPECT_EQ(helped.extracted, alone.extracted);
    for (int i = 0; i < kFiles; ++i) {
        const std::size_t size = i % 10 == 9 ? (1 << 20) + 4099 * i : 997 * i;
        EXPECT_EQ(helped.extracted.at(FileName(i)), Pattern(size, i)) << i;
    }
}

}  // namespace
}  // namespace kivo::repository::test

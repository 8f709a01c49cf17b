// Repository engine benchmark: stores and extracts one 512 MiB file and
// 10,000 files of 40 KiB, lists the 10,000-member repository, and compacts it
// with half its members deleted. Each figure is printed next to cp or tar
// doing the same work in the same run, in the same folder, with the page
// cache as it happens to be (nothing is dropped; engine and reference take
// turns, and the best of a few rounds of each is kept).
//
// Usage: repository_bench [FOLDER] [--rounds N]
// FOLDER (default: the current folder) should be on the disk being measured;
// the benchmark makes a private folder inside it (about 5 GiB) and removes it.
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "zn2xrrps.h"

namespace kivo::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kLargeFileBytes = 512ULL << 20;
constexpr int kSmallFileCount = 10000;
constexpr std::uint64_t kSmallFileBytes = 40 << 10;
constexpr std::uint64_t kXR01EntryBytes = 99;
constexpr double kListingTargetMs = 10.0;

// One line of the result table.
struct Row {
    std::string operation;
    std::uint64_t bytes = 0;
    double engine_s = 0;
    std::string reference;
    double reference_s = 0;
    double reference_sync_s = 0;  // the reference plus an fsync of its output; 0 if none
    std::string target;
    double allowed_ratio = 0;  // engine time / reference time must not exceed this; 0: no target
};

std::vector<const char*> CStrings(const std::vector<std::string>& texts) {
    std::vector<const char*> pointers;
    for (const std::string& text : texts) {
        pointers.push_back(text.c_str());
    }
    return pointers;
}

std::string SmallFileName(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "f%05d", index);
    return name;
}

class Benchmark {
public:
    Benchmark(const std::string& folder, int rounds) : root_(folder), rounds_(rounds) {}

    void Run() {
        PrepareFiles();
        StoreAndExtractLargeFile();
        StoreAndExtractSmallFiles();
        ListSmallFiles();
        CompactHalfDeleted();
        PrintTable();
    }

private:
    std::string Path(const std::string& name) const { return (root_ / name).string(); }

    void PrepareFiles() {
        std::printf("preparing %s ...\n", root_.c_str());
        std::fflush(stdout);
        fs::create_directories(Path("large"));
        WriteRandomFile(Path("large/large.bin"), kLargeFileBytes, 1);
        fs::create_directories(Path("small"));
        for (int i = 0; i < kSmallFileCount; ++i) {
            WriteRandomFile(Path("small/" + SmallFileName(i)), kSmallFileBytes, 100 + i);
        }
    }

    void StoreAndExtractLargeFile() {
        Row store{
            "store one 512 MiB file", kLargeFileBytes, 1e9, "cp", 1e9, 1e9, "<= cp + 10%", 1.10};
        Row extract{
            "extract one 512 MiB file", kLargeFileBytes, 1e9, "cp", 1e9, 1e9, "<= cp + 10%", 1.10};
        const char* names[] = {"large.bin"};
        for (int round = 0; round < rounds_; ++round) {
            fs::remove(Path("large.xrt"));
            fs::remove(Path("large-copy.bin"));
            Best(store.reference_s, [&] {
                RunProgram({"cp", Path("large/large.bin"), Path("large-copy.bin")});
            });
            fs::remove(Path("large-copy.bin"));
            Best(store.reference_sync_s, [&] {
                RunProgram({"cp", Path("large/large.bin"), Path("large-copy.bin")});
                RunProgram({"sync", Path("large-copy.bin")});
            });
            Best(store.engine_s, [&] {
                RequireSuccess(RPS_Put(Path("large.xrt").c_str(), Path("large").c_str(), names, 1),
                               "Put");
            });

            EmptyFolder(Path("large-out"));
            Best(extract.reference_s, [&] {
                RunProgram({"cp", Path("large-copy.bin"), Path("large-out/large.bin")});
            });
            EmptyFolder(Path("large-out"));
            Best(extract.reference_sync_s, [&] {
                RunProgram({"cp", Path("large-copy.bin"), Path("large-out/large.bin")});
                RunProgram({"sync", Path("large-out/large.bin")});
            });
            EmptyFolder(Path("large-out"));
            Best(extract.engine_s, [&] {
                RequireSuccess(
                    RPS_Get(Path("large.xrt").c_str(), Path("large-out").c_str(), names, 1), "Get");
            });
        }
        rows_.push_back(store);
        rows_.push_back(extract);
        fs::remove(Path("large-copy.bin"));
        fs::remove_all(Path("large-out"));
    }

    void StoreAndExtractSmallFiles() {
        std::uint64_t bytes = kSmallFileCount * kSmallFileBytes;
        Row store{"store 10,000 files of 40 KiB", bytes, 1e9, "tar -cf", 1e9, 1e9, "<= tar", 1.0};
        Row extract{
            "extract 10,000 files of 40 KiB", bytes, 1e9, "tar -xf", 1e9, 1e9, "<= tar", 1.0};
        for (int round = 0; round < rounds_; ++round) {
            fs::remove(Path("small.tar"));
            Best(store.reference_s, [&] {
                RunProgram({"tar", "-cf", Path("small.tar"), "-C", Path("small"), "."});
            });
            fs::remove(Path("small.tar"));
            Best(store.reference_sync_s, [&] {
                RunProgram({"tar", "-cf", Path("small.tar"), "-C", Path("small"), "."});
                RunProgram({"sync", Path("small.tar")});
            });
            fs::remove(Path("small.xrt"));
            Best(store.engine_s, [&] {
                RequireSuccess(RPS_PutAll(Path("small.xrt").c_str(), Path("small").c_str()),
                               "PutAll");
            });

            EmptyFolder(Path("small-tar-out"));
            Best(extract.reference_s, [&] {
                RunProgram({"tar", "-xf", Path("small.tar"), "-C", Path("small-tar-out")});
            });
            EmptyFolder(Path("small-out"));
            Best(extract.engine_s, [&] {
                RequireSuccess(RPS_GetAll(Path("small.xrt").c_str(), Path("small-out").c_str()),
                               "GetAll");
            });
        }
        extract.reference_sync_s = 0;
        rows_.push_back(store);
        rows_.push_back(extract);
        fs::remove_all(Path("small-tar-out"));
        fs::remove_all(Path("small-out"));
    }

    void ListSmallFiles() {
        constexpr int kCalls = 20;
        double info_s = 1e9;
        double all_info_s = 1e9;
        for (int i = 0; i < kCalls; ++i) {
            Best(info_s, [&] {
                const RPS_STATUS* status = RPS_Info(Path("small.xrt").c_str());
                RequireSuccess(status, "Info");
                CountEntries(status);
            });
            Best(all_info_s,
                 [&] { RequireSuccess(RPS_AllInfo(Path("small.xrt").c_str()), "AllInfo"); });
        }
        double tar_s = 1e9;
        for (int round = 0; round < rounds_; ++round) {
            Best(tar_s, [&] { RunProgram({"tar", "-tf", Path("small.tar")}, true); });
        }
        listing_info_ms_ = info_s * 1000;
        listing_all_info_ms_ = all_info_s * 1000;
        listing_tar_ms_ = tar_s * 1000;
    }

    void CountEntries(const RPS_STATUS* status) {
        int count = 0;
        for (const RPS_ENTRY_INFO* e = status->entries; e != nullptr; e = e->next) {
            ++count;
        }
        if (count != kSmallFileCount) {
            std::fprintf(stderr, "benchmark: listed %d members, expected %d\n", count,
                         kSmallFileCount);
            std::exit(1);
        }
    }

    // Every second member (the first among them) deleted, so every live block moves.
    void CompactHalfDeleted() {
        std::vector<std::string> deleted;
        std::uint64_t moved_bytes = 0;
        for (int i = 0; i < kSmallFileCount; ++i) {
            std::string name = SmallFileName(i);
            if (i % 2 == 0) {
                deleted.push_back(name);
            } else {
                moved_bytes += kXR01EntryBytes + name.size() + kSmallFileBytes;
            }
        }
        WriteRandomFile(Path("moved.bin"), moved_bytes, 7);
        Row compact{"compact, half of 10,000 deleted",
                    moved_bytes,
                    1e9,
                    "cp (moved bytes)",
                    1e9,
                    1e9,
                    "-",
                    0};
        std::vector<const char*> names = CStrings(deleted);
        for (int round = 0; round < rounds_; ++round) {
            fs::remove(Path("moved-copy.bin"));
            Best(compact.reference_s, [&] {
                RunProgram({"cp", Path("moved.bin"), Path("moved-copy.bin")});
            });
            fs::remove(Path("moved-copy.bin"));
            Best(compact.reference_sync_s, [&] {
                RunProgram({"cp", Path("moved.bin"), Path("moved-copy.bin")});
                RunProgram({"sync", Path("moved-copy.bin")});
            });
            fs::remove(Path("half.xrt"));
            fs::copy_file(Path("small.xrt"), Path("half.xrt"));
            RequireSuccess(RPS_Delete(Path("half.xrt").c_str(), names.data(),
                                      static_cast<std::int32_t>(names.size())),
                           "Delete");
            Best(compact.engine_s,
                 [&] { RequireSuccess(RPS_Compress(Path("half.xrt").c_str()), "Compress"); });
        }
        rows_.push_back(compact);
    }

    // Every timed step starts with no dirty pages waiting to be written back,
    // so no step pays for the writes of the one before it.
    static void Best(double& best_s, const std::function<void()>& work) {
        sync();
        best_s = std::min(best_s, TimeSeconds(work));
    }

    // "0.474 s   1079 MiB/s"
    static std::string Cell(double seconds, std::uint64_t bytes) {
        char text[48];
        std::snprintf(text, sizeof text, "%6.3f s %6.0f MiB/s", seconds,
                      Mebibytes(bytes) / seconds);
        return text;
    }

    void PrintTable() const {
        std::printf("\n%-32s %8s | %-20s | %-17s %-20s | %-20s | %5s | %-11s | %s\n", "operation",
                    "data", "engine", "reference", "", "reference + fsync", "ratio", "target",
                    "met");
        for (const Row& row : rows_) {
            double ratio = row.engine_s / row.reference_s;
            char data[16];
            std::snprintf(data, sizeof data, "%4.0f MiB", Mebibytes(row.bytes));
            std::string synced =
                row.reference_sync_s > 0 ? Cell(row.reference_sync_s, row.bytes) : "";
            const char* met = row.allowed_ratio == 0       ? "-"
                              : ratio <= row.allowed_ratio ? "yes"
                                                           : "NO";
            std::printf("%-32s %8s | %-20s | %-17s %-20s | %-20s | %5.2f | %-11s | %s\n",
                        row.operation.c_str(), data, Cell(row.engine_s, row.bytes).c_str(),
                        row.reference.c_str(), Cell(row.reference_s, row.bytes).c_str(),
                        synced.c_str(), ratio, row.target.c_str(), met);
        }
        std::printf(
            "\nlisting 10,000 members: RPS_Info %.2f ms (target < %.0f ms: %s), RPS_AllInfo %.2f "
            "ms, "
            "tar -tf %.2f ms\n",
            listing_info_ms_, kListingTargetMs, listing_info_ms_ < kListingTargetMs ? "yes" : "NO",
            listing_all_info_ms_, listing_tar_ms_);
        std::printf(
            "(best of %d rounds; ratio = engine time / reference time; dirty pages are written\n"
            " back before every timed step, caches are left as they are)\n",
            rounds_);
    }

    fs::path root_;
    int rounds_;
    std::vector<Row> rows_;
    double listing_info_ms_ = 0;
    double listing_all_info_ms_ = 0;
    double listing_tar_ms_ = 0;
};

std::string FileSystemName(const std::string& folder) {
    struct statfs info {};
    if (statfs(folder.c_str(), &info) != 0) {
        return "unknown";
    }
    switch (info.f_type) {
        case 0xEF53:
            return "ext4";
        case 0x58465342:
            return "xfs";
        case 0x9123683E:
            return "btrfs";
        case 0x01021994:
            return "tmpfs";
        case 0x794C7630:
            return "overlayfs";
        default:
            break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "type 0x%lX", static_cast<unsigned long>(info.f_type));
    return text;
}

}  // namespace
}  // namespace kivo::bench

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string base = fs::current_path().string();
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            base = argv[i];
        }
    }
    std::string pattern = base + "/kivo-bench.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror(pattern.c_str());
        return 1;
    }
    std::printf("repository engine benchmark in %s (%s), %d rounds\n", pattern.c_str(),
                kivo::bench::FileSystemName(pattern).c_str(), rounds);
    kivo::bench::Benchmark(pattern, rounds).Run();
    fs::remove_all(pattern);
    return 0;
}

// Record index benchmark: builds a 100,000-entry index, then times a full
// scan read the way the search reads it (length, entry, Zn2IndexField),
// Zn2IndexRead of single records, and updates and deletions. Prints figures;
// not a test.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "kivo/recordstore/record_index.h"
#include "zn2index.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRecords = 100000;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Texts {
    std::string path, kind, date, keywords, comments;
};

Zn2IndexEntry EntryOf(const Texts& texts, int32_t number) {
    Zn2IndexEntry entry{};
    entry.index_path = texts.path.c_str();
    entry.record_number = number;
    entry.kind_code = texts.kind.c_str();
    entry.start_date = texts.date.c_str();
    entry.keywords = texts.keywords.c_str();
    entry.mark_comments = texts.comments.c_str();
    entry.line_position = 401LL * number;
    return entry;
}

// The search's loop: an 8-character length, an entry of that length plus
// one, fields 0, 9, 1, 2, 3 and 4. Returns the entries seen.
int ScanLikeTheSearch(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    std::vector<char> entry(70000);
    std::vector<char> field(ZN2INDEX_FIELD_BUFFER_BYTES);
    char length_text[9] = {};
    int entries = 0;
    while (std::fread(length_text, 1, 8, file) == 8) {
        const long length = std::strtol(length_text, nullptr, 10);
        if (length < 0 || length + 2 > static_cast<long>(entry.size()) ||
            std::fread(entry.data(), 1, static_cast<std::size_t>(length) + 1, file) !=
                static_cast<std::size_t>(length) + 1) {
            break;
        }
        entry[static_cast<std::size_t>(length) + 1] = '\0';
        for (const int n : {0, 9, 1, 2, 3, 4}) {
            Zn2IndexField(n, entry.data(), field.data());
        }
        ++entries;
    }
    std::fclose(file);
    return entries;
}

}  // namespace

int main() {
    char folder_template[] = "/tmp/kivo-index-bench-XXXXXX";
    if (mkdtemp(folder_template) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = folder_template;
    Texts texts{folder + "/Voxwren.xri", "0", "05/03/2024",
                "budget review with the bank, loan terms and the new office lease",
                "start figures questions close"};

    auto start = Clock::now();
    for (int32_t number = 1; number <= kRecords; ++number) {
        texts.kind = std::to_string(number % 5);
        const Zn2IndexEntry entry = EntryOf(texts, number);
        if (Zn2IndexAdd(&entry) == 0) {
            std::fprintf(stderr, "Zn2IndexAdd failed at %d\n", number);
            return 1;
        }
    }
    const double add_ms = MillisecondsSince(start);
    const auto size_bytes = std::filesystem::file_size(texts.path);
    std::printf("index of %d entries: %.1f MB\n", kRecords, size_bytes / 1e6);
    std::printf("Zn2IndexAdd x %d: %.0f ms (%.1f us each)\n", kRecords, add_ms,
                add_ms * 1000 / kRecords);

    for (int round = 0; round < 3; ++round) {
        start = Clock::now();
        const int seen = ScanLikeTheSearch(texts.path);
        std::printf("full scan as the search reads it (%d entries, 6 fields each): %.1f ms\n", seen,
                    MillisecondsSince(start));
    }
    {
        kivo::recordstore::RecordIndex index(texts.path);
        start = Clock::now();
        int live = 0;
        index.ForEachEntry([&](std::string_view) { return ++live, true; });
        std::printf("RecordIndex::ForEachEntry (%d live entries): %.1f ms\n", live,
                    MillisecondsSince(start));
        kivo::recordstore::IndexRecord record;
        start = Clock::now();
        index.Get(kRecords / 2, &record);
        std::printf("first Get on a fresh RecordIndex (scan included): %.1f ms\n",
                    MillisecondsSince(start));
    }

    std::mt19937 random(42);
    std::uniform_int_distribution<int32_t> any_record(1, kRecords);
    std::vector<char> keywords(ZN2INDEX_KEYWORDS_BUFFER_BYTES);
    constexpr int kReads = 10000;
    start = Clock::now();
    for (int i = 0; i < kReads; ++i) {
        keywords[0] = '\0';
        Zn2IndexRead(any_record(random), texts.path.c_str(), keywords.data());
    }
    const double read_ms = MillisecondsSince(start);
    std::printf("Zn2IndexRead x %d random records: %.1f ms (%.1f us each)\n", kReads, read_ms,
                read_ms * 1000 / kReads);

    constexpr int kUpdates = 10000;
    texts.keywords = "updated keywords after an edit";
    start = Clock::now();
    for (int i = 0; i < kUpdates; ++i) {
        const Zn2IndexEntry entry = EntryOf(texts, any_record(random));
        Zn2IndexUpd(&entry);
    }
    const double update_ms = MillisecondsSince(start);
    std::printf("Zn2IndexUpd x %d random records: %.0f ms (%.1f us each)\n", kUpdates, update_ms,
                update_ms * 1000 / kUpdates);

    // Compaction updates every entry once (slot 10 = 1).
    start = Clock::now();
    for (int32_t number = 1; number <= kRecords; ++number) {
        Zn2IndexEntry entry = EntryOf(texts, number);
        entry.moved = 1;
        Zn2IndexUpd(&entry);
    }
    const double all_ms = MillisecondsSince(start);
    std::printf("Zn2IndexUpd of all %d entries (as compaction does): %.0f ms; file %.1f MB\n",
                kRecords, all_ms, std::filesystem::file_size(texts.path) / 1e6);

    constexpr int kDeletes = 1000;
    start = Clock::now();
    for (int i = 0; i < kDeletes; ++i) {
        const Zn2IndexEntry entry = EntryOf(texts, any_record(random));
        Zn2IndexDel(&entry);
    }
    const double delete_ms = MillisecondsSince(start);
    std::printf("Zn2IndexDel x %d random records: %.1f ms (%.1f us each)\n", kDeletes, delete_ms,
                delete_ms * 1000 / kDeletes);

    start = Clock::now();
    const int seen = ScanLikeTheSearch(texts.path);
    std::printf("full scan after the updates (%d entries incl. dead): %.1f ms\n", seen,
                MillisecondsSince(start));

    std::filesystem::remove_all(folder);
    return 0;
}

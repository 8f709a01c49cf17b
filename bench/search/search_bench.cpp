// Search benchmark: a working folder of 100,000 records of every kind (record
// logs and record index), then the dialog's search for a few choices and the
// instant filter keystroke by keystroke. Prints figures; not a test.
//
//   search_bench [RECORDS] [ONLY]   (ONLY: run the searches whose label holds it)
#include <time.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/search/instant_filter.h"
#include "kivo/search/record_search.h"
#include "kivo/search/search_words.h"
#include "kivo/thesaurus/qlwn.h"

namespace {

using namespace kivo;
using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the process: on the shared build machine the wall time counts
// the waits for the other builds too.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

const char* const kWords[] = {"invoice", "budget",   "march",  "supplier", "meeting",  "car",
                              "holiday", "contract", "Müller", "réunion",  "customer", "delivery",
                              "quarter", "report",   "phone",  "dentist",  "project",  "review"};
const char* const kKinds[] = {"0", "0", "0", "5", "1", "2", "3", "4", "9", "12"};

struct Folder {
    std::filesystem::path path;
    std::vector<std::string> row_texts;  // what the instant filter searches
};

Folder MakeFolder(int records) {
    Folder folder;
    folder.path = std::filesystem::temp_directory_path() /
                  ("kivo-search-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder.path);
    std::mt19937 random(42);
    std::map<std::string, std::string> logs;
    std::string index;
    for (int number = 1; number <= records; ++number) {
        const std::string kind = kKinds[random() % std::size(kKinds)];
        recordstore::RecordFields fields;
        fields.record_number = number;
        fields.kind_code = kind;
        fields.text_a = kind == "2" || kind == "3" ? "Caller " + std::to_string(number % 500) : "0";
        fields.subject =
            std::string(kWords[random() % std::size(kWords)]) + " notes " + std::to_string(number);
        fields.container_name = "D" + std::to_string(number) + ".xrz";
        const int day = 1 + static_cast<int>(random() % 28);
        const int month = 1 + static_cast<int>(random() % 12);
        char date[16];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", day, month, 2015 + number % 10);
        fields.start_date = fields.end_date = date;
        fields.start_time = "10:00";
        fields.end_time = "10:05";
        fields.duration = "00:05:00";
        const std::string log = recordstore::RecordLogNameForKind(kind);
        std::string& bytes = logs[log];
        if (bytes.empty())
            bytes = recordstore::RecordLine::HeaderLine();
        recordstore::IndexRecord entry;
        entry.record_number = number;
        entry.kind_code = kind;
        entry.start_date = date;
        for (int w = 0; w < 6; ++w)
            entry.keywords += std::string(kWords[random() % std::size(kWords)]) + " ";
        entry.mark_comments = number % 3 == 0 ? "call back about the quote" : " ";
        entry.line_position = static_cast<std::int64_t>(bytes.size());
        bytes += recordstore::RecordLine::Build(fields).bytes;
        index += recordstore::EncodeIndexEntry(entry);
        folder.row_texts.push_back(fields.subject + "\n" + fields.text_a + "\n" + entry.keywords);
    }
    for (const auto& [name, bytes] : logs)
        std::ofstream(folder.path / name, std::ios::binary) << bytes;
    std::ofstream(folder.path / "Voxwren.xri", std::ios::binary) << index;
    return folder;
}

const char* g_only = nullptr;  // the label filter of the command line

void TimeSearch(const Folder& folder, const char* label, search::SearchCriteria criteria,
                thesaurus::Thesaurus* thesaurus = nullptr) {
    if (g_only != nullptr && std::strstr(label, g_only) == nullptr)
        return;
    const search::RecordSearch searcher(filesystem::DefaultFileSystem(), folder.path.string());
    double best_ms = 1e9, best_cpu_ms = 1e9;
    std::size_t rows = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        const double cpu_start = CpuMilliseconds();
        const auto outcome = searcher.Run(criteria, thesaurus);
        best_cpu_ms = std::min(best_cpu_ms, CpuMilliseconds() - cpu_start);
        best_ms = std::min(best_ms, MillisecondsSince(start));
        rows = outcome.rows.size();
    }
    std::printf("dialog search  %-44s %7zu rows  %7.1f ms (cpu %7.1f ms)\n", label, rows, best_ms,
                best_cpu_ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    g_only = argc > 2 ? argv[2] : nullptr;
    auto start = Clock::now();
    const Folder folder = MakeFolder(records);
    std::printf("%d records written in %.0f ms\n", records, MillisecondsSince(start));

    search::SearchCriteria criteria;
    criteria.keywords = "invoice";
    TimeSearch(folder, "\"invoice\", all areas but video", criteria);
    criteria.keywords = "réunion müller";
    TimeSearch(folder, "\"réunion müller\" (UTF-8 upper-casing)", criteria);
    criteria.keywords = "xylophone";
    TimeSearch(folder, "\"xylophone\" (nothing found)", criteria);
    criteria.keywords = "";
    criteria.from_date = search::DateNumber(2019, 1, 1);
    criteria.to_date = search::DateNumber(2019, 12, 31);
    TimeSearch(folder, "no keywords, one year", criteria);
    criteria = {};
    criteria.area = search::SearchArea::kPhone;
    criteria.keywords = "quote";
    TimeSearch(folder, "\"quote\" in mark comments, phone", criteria);
    const auto open_start = Clock::now();
    auto qlwn = thesaurus::OpenQlwn();
    std::printf("dictionaries opened in %.1f ms\n", MillisecondsSince(open_start));
    if (qlwn.thesaurus != nullptr) {
        criteria = {};
        criteria.keywords = "bill automobile";
        criteria.smart = true;
        TimeSearch(folder, "smart \"bill automobile\" (WordNet, MyThes)", criteria,
                   qlwn.thesaurus.get());
        criteria.keywords = "report meeting car review";
        TimeSearch(folder, "smart \"report meeting car review\"", criteria, qlwn.thesaurus.get());
        for (const char* text : {"bill automobile", "report meeting car review"}) {
            const auto widen_start = Clock::now();
            search::SearchWords words = search::SearchWords::FromKeywordText(text);
            words.Widen(*qlwn.thesaurus);
            std::printf("variants of \"%s\":", text);
            for (const auto& word : words.words())
                std::printf(" %zu", word.variants.size());
            std::printf(" (looked up in %.1f ms)\n", MillisecondsSince(widen_start));
        }
    }

    if (g_only != nullptr) {
        std::filesystem::remove_all(folder.path);
        return 0;
    }
    start = Clock::now();
    const search::InstantFilter filter(folder.row_texts);
    std::printf("instant filter built over %zu rows in %.1f ms\n", filter.size(),
                MillisecondsSince(start));
    double worst_ms = 0, worst_cpu_ms = 0;
    std::string typed;
    for (char letter : std::string("supplier march")) {
        typed += letter;
        start = Clock::now();
        const double cpu_start = CpuMilliseconds();
        const auto rows = filter.Matching(typed);
        const double cpu_ms = CpuMilliseconds() - cpu_start;
        const double ms = MillisecondsSince(start);
        worst_ms = std::max(worst_ms, ms);
        worst_cpu_ms = std::max(worst_cpu_ms, cpu_ms);
        std::printf("instant search  %-16s %7zu rows  %6.2f ms (cpu %6.2f ms)\n",
                    ("\"" + typed + "\"").c_str(), rows.size(), ms, cpu_ms);
    }
    std::printf("instant search worst keystroke: %.2f ms (cpu %.2f ms)\n", worst_ms, worst_cpu_ms);
    std::filesystem::remove_all(folder.path);
    return 0;
}

// The large data store the store benchmarks open and list; see large_store.h.
#include "large_store.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "zn2xrrps.h"

namespace kivo::bench {
namespace {

namespace fs = std::filesystem;
namespace rs = kivo::recordstore;

// Kind of record n: 7 in 10 dictations, then meetings, calls, diary entries.
const char* KindOf(int n) {
    switch (n % 10) {
        case 7:
            return rs::kind_code::kMeeting;
        case 8:
            return rs::kind_code::kRecordedCall;
        case 9:
            return rs::kind_code::kDiary;
        default:
            return rs::kind_code::kMessage;
    }
}

std::string Container(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "D%017d.xrz", n);
    return name;
}

}  // namespace

std::string MakeLargeStore(const fs::path& scratch, const fs::path& store, int records) {
    std::ofstream logs[4];
    const char* log_names[4] = {"Voxwren.xrr", "Voxwren.xrm", "Voxwren.xrp", "Voxwren.xrd"};
    for (int i = 0; i < 4; ++i) {
        logs[i].open(scratch / log_names[i], std::ios::binary);
        logs[i] << rs::RecordLine::HeaderLine();
    }
    // Index entries in the library's own encoding, written in one stream.
    std::ofstream index(scratch / "Voxwren.xri", std::ios::binary);
    std::vector<std::string> names = {"Voxwren.xrr", "Voxwren.xrm", "Voxwren.xrp", "Voxwren.xrd",
                                      "Voxwren.xri", "xrgreet.wav", "xrwarn.wav",  "Voxwren.xrb",
                                      "Voxwren.xrc", "Voxwren.xra"};
    std::int64_t positions[4] = {401, 401, 401, 401};
    const std::string container_bytes(512, 'c');
    for (int n = 1; n <= records; ++n) {
        rs::RecordFields f;
        f.record_number = n;
        f.kind_code = KindOf(n);
        f.text_a = "0";
        f.subject = "Recording number " + std::to_string(n) + " about the quarterly budget";
        f.container_name = Container(n);
        char date[16];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", n % 28 + 1, n % 12 + 1, 2000 + n % 25);
        f.start_date = f.end_date = date;
        f.start_time = "10:00:00";
        f.end_time = "10:05:00";
        f.duration = "00:05:00";
        rs::RecordLineBuild line = rs::RecordLine::Build(f);
        if (!line.status.ok())
            return "record line: " + line.status.message();
        const int log = f.kind_code == std::string("1")   ? 1
                        : f.kind_code == std::string("3") ? 2
                        : f.kind_code == std::string("4") ? 3
                                                          : 0;
        logs[log] << line.bytes;
        rs::IndexRecord entry;
        entry.record_number = n;
        entry.kind_code = f.kind_code;
        entry.start_date = date;
        entry.keywords = "budget quarterly review";
        entry.mark_comments = " ";
        entry.line_position = positions[log];
        positions[log] += 401;
        index << rs::EncodeIndexEntry(entry);
        std::ofstream(scratch / f.container_name, std::ios::binary) << container_bytes;
        names.push_back(f.container_name);
    }
    for (auto& log : logs)
        log.close();
    for (const char* empty : {"Voxwren.xrb", "Voxwren.xrc"})
        std::ofstream(scratch / empty);
    std::ofstream(scratch / "Voxwren.xra") << "999999999";
    std::ofstream(scratch / "xrgreet.wav") << "RIFF";
    std::ofstream(scratch / "xrwarn.wav") << "RIFF";
    std::vector<const char*> c_names;
    for (const auto& name : names)
        c_names.push_back(name.c_str());
    if (RPS_Put(store.c_str(), scratch.c_str(), c_names.data(),
                static_cast<int32_t>(c_names.size())) != nullptr) {
        return "storing the members";
    }
    return {};
}

}  // namespace kivo::bench

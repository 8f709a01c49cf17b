// Record store benchmark: builds a data store, saves N records (default
// 10,000) of one second of 8 kHz mono speech each through XRsaveR, exactly as
// the dictation editor does (files named after the stamp, temporary files
// removed after each save), then reads every record back: the record log
// scanned once, every record line taken from its container (selector 3),
// every recording opened for playback (selector 0, media decoded), and every
// report built when the formatting library is present. Every save stores the
// whole record log again, so the data store then holds mostly deleted
// versions: the benchmark compacts it (RPS_Compress) and reads the record
// lines from the containers once more.
// Usage: record_store_bench [FOLDER] [--records N]
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "xrsave.h"
#include "zn2xrrps.h"
#ifdef KIVO_BENCH_HAS_ZN2FMT
#include "kivo/format/zn2fmt.h"
#endif

namespace {

namespace fs = std::filesystem;
using namespace kivo::recordstore;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "record_store_bench: %s\n", message.c_str());
    std::exit(1);
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void PutLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

// Ten seconds of a speech-like signal at 8 kHz; each record takes one second
// of it from a different place.
std::vector<std::int16_t> SpeechLikeSamples() {
    std::vector<std::int16_t> samples;
    std::uint32_t noise = 7;
    for (int i = 0; i < 80000; ++i) {
        const double t = i / 8000.0;
        noise = noise * 1664525u + 1013904223u;
        const double envelope = std::max(0.0, std::sin(2 * M_PI * 2.5 * t));
        const double v =
            envelope * (0.4 * std::sin(2 * M_PI * 180 * t) + 0.2 * std::sin(2 * M_PI * 720 * t)) +
            0.02 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5);
        samples.push_back(static_cast<std::int16_t>(std::lround(v * 32767)));
    }
    return samples;
}

std::string OneSecondWave(const std::vector<std::int16_t>& speech, int record) {
    const std::uint32_t frames = 8000;
    std::string wave = "RIFF";
    PutLe(wave, 36 + frames * 2, 4);
    wave += "WAVEfmt ";
    PutLe(wave, 16, 4);
    PutLe(wave, 1, 2);
    PutLe(wave, 1, 2);
    PutLe(wave, 8000, 4);
    PutLe(wave, 16000, 4);
    PutLe(wave, 2, 2);
    PutLe(wave, 16, 2);
    wave += "data";
    PutLe(wave, frames * 2, 4);
    const std::size_t start = (static_cast<std::size_t>(record) * 997) % (speech.size() - frames);
    wave.append(reinterpret_cast<const char*>(speech.data() + start), frames * 2);
    return wave;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        Fail("cannot write " + path.string());
}

std::string Stamp(int record) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "2024%010d", record);
    return stamp;
}

std::string LineFor(int record, const std::string& container) {
    RecordFields fields;
    fields.record_number = record;
    fields.kind_code = "0";
    fields.text_a = "0";
    fields.subject = "Dictation number " + std::to_string(record);
    fields.container_name = container;
    fields.start_date = fields.end_date = "01/02/2024";
    fields.start_time = "10:00";
    fields.end_time = "10:00";
    fields.duration = "00:00:01";
    fields.recording_quality = "0";
    const RecordLineBuild built = RecordLine::Build(fields);
    if (!built.status.ok())
        Fail(built.status.message());
    return built.bytes;
}

void Remove(const fs::path& folder, const std::string& base,
            std::initializer_list<const char*> extensions) {
    for (const char* extension : extensions)
        fs::remove(folder / (base + extension));
}

struct Timing {
    std::vector<double> each_ms;
    double total_s = 0;
    void Print(const char* label, std::size_t count) {
        std::sort(each_ms.begin(), each_ms.end());
        const auto at = [&](double q) {
            return each_ms.empty() ? 0.0
                                   : each_ms[static_cast<std::size_t>(q * (each_ms.size() - 1))];
        };
        std::printf("%-44s %9.2f s %9.0f /s   median %7.3f ms   p99 %7.3f ms   max %7.3f ms\n",
                    label, total_s, count / total_s, at(0.5), at(0.99), at(1.0));
    }
};

}  // namespace

int main(int argc, char** argv) {
    fs::path folder = fs::temp_directory_path();
    int records = 10000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--records") == 0 && i + 1 < argc) {
            records = std::atoi(argv[++i]);
        } else {
            folder = argv[i];
        }
    }
    if (records < 1)
        Fail("--records must be at least 1");
    const fs::path root = folder / ("kivo-store-bench-" + std::to_string(::getpid()));
    const fs::path stores = root / "stores", working = root / "working",
                   resources = root / "resources";
    for (const fs::path& p : {stores, working, resources})
        fs::create_directories(p);
    const std::vector<std::int16_t> speech = SpeechLikeSamples();
    WriteFile(resources / "00001.wav", OneSecondWave(speech, 1));
    WriteFile(resources / "00002.wav", OneSecondWave(speech, 2));
    std::printf("Record store: %d records of 1 s of 8 kHz mono 16-bit audio, in %s\n", records,
                root.c_str());

    auto start = Clock::now();
    const NewDataStore request{stores.string(), "Bench", working.string(), resources.string()};
    if (DataStore::Build(request) != BuildResult::kBuilt)
        Fail("building the data store failed");
    if (RPS_GetAll(request.path().c_str(), working.c_str()) != nullptr)
        Fail("unpacking the data store failed");
    std::printf("%-44s %9.3f s\n", "build the data store and unpack it", Seconds(start));

    const std::string store = request.path();
    Timing save;
    const auto save_start = Clock::now();
    for (int record = 1; record <= records; ++record) {
        const std::string stamp = Stamp(record);
        const std::string base = "D" + stamp;
        WriteFile(working / (base + ".xrw"), OneSecondWave(speech, record));
        WriteFile(working / (base + ".xrl"), LineFor(record, base + ".xrz"));
        WriteFile(working / (base + ".xrs"), "");
        const auto one = Clock::now();
        const int64_t offset =
            XRsaveR((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(), "",
                    working.c_str(), store.c_str(), stamp.c_str(), 0);
        save.each_ms.push_back(Seconds(one) * 1000);
        if (offset != static_cast<int64_t>(record) * 401)
            Fail("save of record " + std::to_string(record) + " failed");
        Remove(working, base, {".xrw", ".xrl", ".xrs", ".xrz"});
        if (record % 1000 == 0)
            std::fprintf(stderr, "  %d saved\n", record);
    }
    save.total_s = Seconds(save_start);
    save.Print("save (XRsaveR: encode, container, log, store)", records);
    const std::uint64_t store_bytes = fs::file_size(store);
    const RPS_STATUS* info = RPS_Info(store.c_str());
    std::printf("%-44s %9.1f MiB, of which deleted versions %.1f MiB\n", "data store size",
                store_bytes / 1048576.0, info == nullptr ? 0.0 : info->deleted_size / 1048576.0);

    start = Clock::now();
    std::vector<RecordLogEntry> lines;
    const Status scanned = RecordLog::ReadAll((working / "Voxwren.xrr").string(), &lines);
    const double scan_s = Seconds(start);
    if (!scanned.ok() || lines.size() != static_cast<std::size_t>(records))
        Fail("record log scan failed");
    std::printf("%-44s %9.3f s %9.0f /s\n", "scan the record log (RecordLog::ReadAll)", scan_s,
                records / scan_s);

    Timing line_open, play_open;
    for (int pass = 0; pass < 2; ++pass) {
        Timing& timing = pass == 0 ? line_open : play_open;
        const auto pass_start = Clock::now();
        for (int record = 1; record <= records; ++record) {
            const std::string base = "D" + Stamp(record);
            const auto one = Clock::now();
            if (XRopenXRZ((base + ".xrz").c_str(), working.c_str(), store.c_str(),
                          pass == 0 ? 3 : 0) != 0) {
                Fail("opening record " + std::to_string(record) + " failed");
            }
            RecordLine line;
            if (!RecordLine::ReadFile((working / (base + ".xrl")).string(), &line).ok() ||
                line.bytes() != lines[static_cast<std::size_t>(record - 1)].line.bytes()) {
                Fail("record line " + std::to_string(record) + " differs");
            }
            timing.each_ms.push_back(Seconds(one) * 1000);
            Remove(working, base, {".xrw", ".xrl", ".xrs", ".xrz"});
        }
        timing.total_s = Seconds(pass_start);
    }
    line_open.Print("record line from each container (selector 3)", records);
    play_open.Print("open each for playback (selector 0, decode)", records);

#ifdef KIVO_BENCH_HAS_ZN2FMT
    Timing report;
    const std::string index = (working / "Voxwren.xri").string();
    const auto report_start = Clock::now();
    for (int record = 1; record <= records; ++record) {
        const std::string container = "D" + Stamp(record) + ".xrz";
        const auto one = Clock::now();
        const std::string text =
            Zn2FmtMessage(store.c_str(), working.c_str(), container.c_str(), index.c_str());
        report.each_ms.push_back(Seconds(one) * 1000);
        if (text == "filerr")
            Fail("report of record " + std::to_string(record) + " failed");
    }
    report.total_s = Seconds(report_start);
    report.Print("report of each record (Zn2FmtMessage)", records);
#else
    std::printf("%-44s (formatting library not built)\n", "report of each record");
#endif

    start = Clock::now();
    if (RPS_Compress(store.c_str()) != nullptr)
        Fail("compacting the data store failed");
    std::printf("%-44s %9.2f s, %.1f MiB left\n", "compact the data store (RPS_Compress)",
                Seconds(start), fs::file_size(store) / 1048576.0);
    Timing compacted;
    const auto compacted_start = Clock::now();
    for (int record = 1; record <= records; ++record) {
        const std::string base = "D" + Stamp(record);
        const auto one = Clock::now();
        if (XRopenXRZ((base + ".xrz").c_str(), working.c_str(), store.c_str(), 3) != 0) {
            Fail("opening record " + std::to_string(record) + " after compaction failed");
        }
        compacted.each_ms.push_back(Seconds(one) * 1000);
        Remove(working, base, {".xrl", ".xrz"});
    }
    compacted.total_s = Seconds(compacted_start);
    compacted.Print("record line from each, after compaction", records);
    fs::remove_all(root);
    return 0;
}

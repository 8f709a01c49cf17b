// The export tests' data store of real recordings.
#include "export_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/store_repository.h"

namespace kivo::test {
namespace {

namespace fs = std::filesystem;

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

std::uint32_t GetLe(const std::string& in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

}  // namespace

std::vector<std::int16_t> ToneSamples(int rate_hz, int channels, int seconds) {
    std::vector<std::int16_t> samples;
    const int frames = rate_hz * seconds;
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        // 300 Hz rising to 1500 Hz: speech's band, no two stretches alike.
        const double hz = 300.0 + 1200.0 * i / frames;
        phase += 2 * M_PI * hz / rate_hz;
        const auto value = static_cast<std::int16_t>(12000 * std::sin(phase));
        for (int c = 0; c < channels; ++c)
            samples.push_back(value);
    }
    return samples;
}

void WriteToneWave(const fs::path& path, int rate_hz, int channels, int seconds) {
    const auto samples = ToneSamples(rate_hz, channels, seconds);
    const std::uint32_t data_bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    PutLe(out, 36 + data_bytes, 4);
    out += "WAVEfmt ";
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<std::uint32_t>(channels), 2);
    PutLe(out, static_cast<std::uint32_t>(rate_hz), 4);
    PutLe(out, static_cast<std::uint32_t>(rate_hz * channels * 2), 4);
    PutLe(out, static_cast<std::uint32_t>(channels * 2), 2);
    PutLe(out, 16, 2);
    out += "data";
    PutLe(out, data_bytes, 4);
    for (std::int16_t s : samples)
        PutLe(out, static_cast<std::uint16_t>(s), 2);
    WriteFileText(path.string(), out);
}

std::vector<std::int16_t> ReadWaveSamples(const fs::path& path, int* rate_hz, int* channels) {
    const std::string in = ReadFileText(path.string());
    std::vector<std::int16_t> samples;
    if (in.size() < 12 || in.compare(0, 4, "RIFF") != 0)
        return samples;
    for (std::size_t at = 12; at + 8 <= in.size();) {
        const std::string id = in.substr(at, 4);
        const std::uint32_t size = GetLe(in, at + 4, 4);
        if (id == "fmt ") {
            if (channels != nullptr)
                *channels = static_cast<int>(GetLe(in, at + 10, 2));
            if (rate_hz != nullptr)
                *rate_hz = static_cast<int>(GetLe(in, at + 12, 4));
        } else if (id == "data") {
            const std::size_t end = std::min<std::size_t>(in.size(), at + 8 + size);
            for (std::size_t i = at + 8; i + 1 < end; i += 2)
                samples.push_back(static_cast<std::int16_t>(GetLe(in, i, 2)));
            break;
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

double Correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    if (n == 0)
        return 0;
    double mean_a = 0, mean_b = 0;
    for (std::size_t i = 0; i < n; ++i) {
        mean_a += a[i];
        mean_b += b[i];
    }
    mean_a /= n;
    mean_b /= n;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += (a[i] - mean_a) * (b[i] - mean_b);
        aa += (a[i] - mean_a) * (a[i] - mean_a);
        bb += (b[i] - mean_b) * (b[i] - mean_b);
    }
    return aa == 0 || bb == 0 ? 0 : ab / std::sqrt(aa * bb);
}

ExportStore::ExportStore(const std::vector<TestRecording>& recordings,
                         const std::vector<TestRecording>& listed_only)
    : store_(dir_.path() / "Office.xrt") {
    StoreMembers members = NewStoreMembers();
    std::vector<RecordFields> lines;
    recordstore::RecordIndex index(this->index().string());
    auto add_line = [&](const TestRecording& r) {
        RecordFields f;
        f.number = r.number;
        f.subject = r.subject;
        f.container = r.container();
        f.quality = r.quality;
        lines.push_back(f);
        recordstore::IndexRecord entry;
        entry.record_number = r.number;
        entry.kind_code = "0";
        entry.start_date = f.start_date;
        entry.keywords = r.keywords;
        entry.mark_comments = " ";
        EXPECT_TRUE(index.Put(entry).ok());
        return f;
    };
    TempDir scratch;
    for (const TestRecording& r : recordings) {
        const RecordFields f = add_line(r);
        const std::string stem = "D" + std::to_string(r.number);
        WriteToneWave(scratch.path() / (stem + ".xrw"), r.rate_hz, r.channels, r.seconds);
        EXPECT_TRUE(recordstore::WriteIndexMarkFile(scratch.file(stem + ".xrs"), r.marks,
                                                    recordstore::IndexMarkStyle::kWithType)
                        .ok());
        const std::string line = MakeRecordLine(f) + r.agenda;
        WriteFileText(scratch.file(stem + ".xrl"), r.damaged_line ? line.substr(0, 200) : line);
        if (!r.with_line)
            fs::remove(scratch.path() / (stem + ".xrl"));
        if (r.with_line) {
            recordstore::RecordingContainer container(r.container(),
                                                      recordstore::MediaKind::kAudio);
            EXPECT_EQ(container.BuildStandAlone(scratch.path().string(), scratch.path().string()),
                      recordstore::ContainerResult::kDone);
        } else {
            recordstore::Repository container(filesystem::DefaultFileSystem(),
                                              scratch.file(r.container()));
            EXPECT_TRUE(container.Put(scratch.path().string(), {stem + ".xrw", stem + ".xrs"}));
        }
        members[r.container()] = ReadFileText(scratch.file(r.container()));
    }
    for (const TestRecording& r : listed_only)
        add_line(r);
    members["Voxwren.xrr"] = MakeRecordLog(lines);
    members["Voxwren.xri"] = ReadFileText(this->index().string());
    MakeStore(store_, members);
}

exchange::ExportSource ExportStore::Source() const {
    return {store_, index(), working(), core::StoreAccess()};
}

std::string ExportStore::ContainerBytes(const TestRecording& recording) const {
    return ReadStoreMembers(store_).at(recording.container());
}

bool OpenExported(const fs::path& exported, const fs::path& folder) {
    return recordstore::RecordingContainer::OpenStandAlone(exported.string(), folder.string(),
                                                           recordstore::MediaKind::kAudio) ==
           recordstore::ContainerResult::kDone;
}

std::string Probe(const fs::path& file) {
    const std::string command =
        "ffprobe -v error -print_format json -show_format -show_streams "
        "-show_chapters '" +
        file.string() + "' 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        while (std::size_t got = fread(buffer.data(), 1, buffer.size(), pipe))
            out.append(buffer.data(), got);
        pclose(pipe);
    }
    return out;
}

}  // namespace kivo::test

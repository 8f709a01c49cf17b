// A data store holding real recordings, for the export tests: each record
// has a container with a wave (a tone that sweeps, so a shifted or damaged
// copy does not correlate), index marks and its record line, its line in
// the message log and its keywords in the record index. The index file is
// also written where the open store's working folder keeps it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "kivo/exchange/recording_export.h"
#include "kivo/recordstore/index_mark_file.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::test {

struct TestRecording {
    int number = 1;
    std::string subject = "Letter to the bank";
    std::string keywords = "bank loan";
    std::vector<recordstore::IndexMark> marks = {
        recordstore::MakeIndexMark("00:00:01", "first point"),
        recordstore::MakeIndexMark("00:00:02", "second point")};
    int rate_hz = 8000;
    int channels = 1;
    int seconds = 3;
    std::string quality = "2";
    bool with_line = true;      // false: the container lacks its record line
    std::string agenda;         // bytes after the record line in the line member
    bool damaged_line = false;  // the line member is cut short (200 bytes)

    std::string container() const { return "D" + std::to_string(number) + ".xrz"; }
};

// The samples of the test tone, interleaved 16-bit.
std::vector<std::int16_t> ToneSamples(int rate_hz, int channels, int seconds);
// A plain 16-bit PCM wave of the tone.
void WriteToneWave(const std::filesystem::path& path, int rate_hz, int channels, int seconds);
// The samples of a 16-bit PCM wave file (FFmpeg-written waves included).
std::vector<std::int16_t> ReadWaveSamples(const std::filesystem::path& path, int* rate_hz = nullptr,
                                          int* channels = nullptr);
// Pearson correlation of the common length of two signals.
double Correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b);

class ExportStore {
public:
    // Makes the store with the recordings; listed_only: records whose line
    // is in the log but whose container is not in the store.
    explicit ExportStore(const std::vector<TestRecording>& recordings,
                         const std::vector<TestRecording>& listed_only = {});

    const std::filesystem::path& store() const { return store_; }
    const std::filesystem::path& working() const { return working_.path(); }
    std::filesystem::path index() const { return working_.path() / "Voxwren.xri"; }
    exchange::ExportSource Source() const;

    // The container's bytes as the fixture made it.
    std::string ContainerBytes(const TestRecording& recording) const;

private:
    TempDir dir_;
    TempDir working_;
    std::filesystem::path store_;
};

// Unpacks an exported ".xrz" as the player does, into folder; true when it
// opened.
bool OpenExported(const std::filesystem::path& exported, const std::filesystem::path& folder);

// Runs ffprobe on a file: its JSON output with format, streams and chapters.
std::string Probe(const std::filesystem::path& file);

}  // namespace kivo::test

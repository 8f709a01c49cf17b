// Small helpers of the record store fuzz entries: reporting a broken promise
// (an abort, so the fuzzer keeps the input) and a private folder for the
// entries that drive the library through real files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kivo::fuzz {

// Reports what was broken and aborts.
[[noreturn]] void FuzzFailure(const std::string& what);

inline void Require(bool condition, const char* promise) {
    if (!condition)
        FuzzFailure(std::string("broken promise: ") + promise);
}

// A folder made under TMPDIR (or /tmp) for the life of the object.
class FuzzFolder {
public:
    FuzzFolder();
    ~FuzzFolder();
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    const std::string& path() const { return path_; }
    // How many names the folder holds.
    std::size_t CountEntries() const;

private:
    std::string path_;
};

void WriteWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
// The file's bytes; empty when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

}  // namespace kivo::fuzz

// Helpers of the record store fuzz entries: see fuzz_files.h.
#include "fuzz_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kivo::fuzz {

namespace fs = std::filesystem;

void FuzzFailure(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

FuzzFolder::FuzzFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kivo-fuzz.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        FuzzFailure("cannot make a folder at " + pattern);
    path_ = pattern;
}

FuzzFolder::~FuzzFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::size_t FuzzFolder::CountEntries() const {
    std::error_code error;
    std::size_t count = 0;
    for (auto it = fs::directory_iterator(path_, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        ++count;
    }
    return count;
}

void WriteWhole(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        FuzzFailure("cannot write " + path.string());
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

}  // namespace kivo::fuzz

// A file written under a temporary name in its target's folder and renamed
// into place by Commit(), after the data has reached the disk. Dropping an
// uncommitted AtomicFile removes the temporary file, so a failed write never
// leaves a half file under the final name.
#pragma once

#include <cstddef>
#include <string>

#include "kivo/wavefile/wave_status.h"

namespace kivo::wavefile::internal {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    WaveStatus Open(const std::string& final_path);
    WaveStatus Write(const void* data, std::size_t size_bytes);
    WaveStatus Commit();

private:
    void Discard();

    int fd_ = -1;
    std::string final_path_;
    std::string temporary_path_;
};

}  // namespace kivo::wavefile::internal

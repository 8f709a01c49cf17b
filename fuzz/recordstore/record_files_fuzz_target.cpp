// libFuzzer target: arbitrary bytes read as an index-mark file, a record-line
// file or a record log (see record_files_fuzz_entry.h).
#include <cstddef>
#include <cstdint>

#include "record_files_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kivo::fuzz::FuzzRecordFiles(data, size);
}

// libFuzzer target for the wave reader. Run from the build folder:
//   ./bin/wave_reader_fuzz -timeout=1 -rss_limit_mb=256 \
//       <new-corpus-folder> ../fuzz/audio/corpus
// and commit any crash file into fuzz/audio/corpus.
#include <cstddef>
#include <cstdint>

#include "wave_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kivo::wavefile::WaveReaderFuzzEntry(data, size);
}

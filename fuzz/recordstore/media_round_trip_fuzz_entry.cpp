// The media codec's round-trip fuzz entry (see media_round_trip_fuzz_entry.h).
#include "media_round_trip_fuzz_entry.h"

#include <filesystem>
#include <vector>

#include "fuzz_files.h"
#include "kivo/recordstore/media_codec.h"

namespace kivo::fuzz {

int FuzzMediaRoundTrip(const std::uint8_t* data, std::size_t size) {
    using recordstore::CodecOutcome;
    static const FuzzFolder folder;
    const std::vector<std::uint8_t> input(data, data + size);
    const std::filesystem::path path = std::filesystem::path(folder.path()) / "D20260101000000.xrw";
    WriteWhole(path, input);
    const recordstore::MediaCodec codec;

    const recordstore::CodecResult encoded = codec.Encode(path.string());
    Require(folder.CountEntries() == 1, "encoding leaves no temporary file");
    Require(encoded.outcome == CodecOutcome::kEncoded || encoded.outcome == CodecOutcome::kLeftAsIs,
            "a readable file is encoded or left as it is");
    if (encoded.outcome == CodecOutcome::kLeftAsIs) {
        Require(!encoded.message.empty(), "leaving a file as it is says why");
        Require(ReadWholeFile(path) == input, "a file left as it is is unchanged");
    } else {
        const recordstore::CodecResult decoded = codec.Decode(path.string());
        Require(folder.CountEntries() == 1, "decoding leaves no temporary file");
        Require(decoded.outcome == CodecOutcome::kDecoded, "an encoded wave decodes");
        Require(ReadWholeFile(path) == input, "an encoded wave comes back byte for byte");
    }
    std::filesystem::remove(path);
    return 0;
}

}  // namespace kivo::fuzz

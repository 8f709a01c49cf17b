// The container-opening fuzz entry (see container_open_fuzz_entry.h).
#include "container_open_fuzz_entry.h"

#include <filesystem>
#include <string>
#include <vector>

#include "codec/flac_wave_decoder.h"
#include "fuzz_files.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/recording_container.h"
#include "store/file_handle.h"

namespace kivo::fuzz {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kContainerName = "D20260101000000.xrz";
constexpr const char* kMediaName = "D20260101000000.xrw";
constexpr const char* kComponentName = "Voxwren.xrr";
// The most members an opened container places, besides the planted file.
constexpr std::size_t kMaxPlacedMembers = 10;

bool StillInStoredForm(const fs::path& media) {
    std::string error;
    const recordstore::FileHandle file =
        recordstore::FileHandle::OpenForReading(filesystem::DefaultFileSystem(), media, &error);
    std::uint64_t size = 0;
    Require(file.is_open() && file.Size(&size), "the opened media can be read");
    recordstore::StoredWaveBlock block;
    return recordstore::FindStoredWaveBlock(file, size, &block, &error) ==
           recordstore::StoredFormLookup::kFound;
}

}  // namespace

int FuzzContainerOpen(const std::uint8_t* data, std::size_t size) {
    static const FuzzFolder folder;
    const fs::path root(folder.path());
    std::error_code error;
    for (const auto& item : fs::directory_iterator(root, error))
        fs::remove_all(item.path(), error);

    const Bytes input(data, data + size);
    const fs::path container = root / kContainerName;
    const fs::path work = root / "work";
    WriteWhole(container, input);
    fs::create_directory(work);
    const Bytes component = {'0', '0', '0', '0', '0', '0', '0', '0', ' ', '\n'};
    WriteWhole(work / kComponentName, component);

    const auto result = recordstore::RecordingContainer::OpenStandAlone(
        container.string(), work.string(), recordstore::MediaKind::kAudio);
    Require(result == recordstore::ContainerResult::kDone ||
                result == recordstore::ContainerResult::kFailed,
            "opening gives done or failed");
    Require(ReadWholeFile(container) == input, "opening a container never changes it");
    Require(ReadWholeFile(work / kComponentName) == component,
            "a data store component in the working folder is never replaced");
    Require(folder.CountEntries() == 2, "nothing is written beside the working folder");

    std::size_t placed = 0;
    for (const auto& item : fs::directory_iterator(work, error)) {
        Require(item.is_regular_file() && !item.is_symlink(),
                "only plain files are left in the working folder (no staging folder)");
        ++placed;
    }
    Require(placed <= kMaxPlacedMembers + 1, "at most ten members are placed");
    if (result == recordstore::ContainerResult::kDone) {
        Require(fs::exists(work / kMediaName), "an opened container leaves its media");
        Require(!StillInStoredForm(work / kMediaName), "an opened container's media is decoded");
    }
    return 0;
}

}  // namespace kivo::fuzz

// The recording compressor's work on one copy.
#include "kivo/exchange/recording_compressor.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/media_codec.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/store_repository.h"
#include "whole_file.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using recordstore::kRecordLineBytes;

constexpr int kQualityField = 14;
constexpr const char* kVoiceQuality = "0";

CompressorResult Failed(int error, std::string detail) {
    return {error, std::move(detail)};
}

void EmptyFolder(const fs::path& folder) {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        fs::remove_all(entry.path(), ignored);
}

CompressorResult MarkVoiceQuality(recordstore::Repository& container, const fs::path& scratch) {
    const std::string name = ContainerMemberEndingIn(container.path(), ".xrl");
    std::string bytes;
    if (name.empty() || !container.Get(scratch.string(), {name}) ||
        !ReadWholeFile(scratch / name, &bytes)) {
        return Failed(kCompressorBadFile, "no record line");
    }
    const std::string line = VoiceQualityRecordLine(bytes);
    if (line.empty())
        return Failed(kCompressorBadFile, "a damaged record line");
    if (!WriteWholeFile(scratch / name, line + bytes.substr(kRecordLineBytes)) ||
        !container.Put(scratch.string(), {name})) {
        return Failed(kCompressorBadFile, container.last_error());
    }
    return {};
}

CompressorResult CompressWave(recordstore::Repository& container, const ExportOptions& options,
                              const fs::path& scratch,
                              const encoding::TranscodeProgress& progress) {
    const std::string name = ContainerMemberEndingIn(container.path(), ".xrw");
    if (name.empty())
        return Failed(kCompressorBadFile, "no wave in the recording");
    if (!container.Get(scratch.string(), {name}))
        return Failed(kCompressorBadFile, container.last_error());
    const fs::path wave = scratch / name;
    if (!recordstore::MediaCodec().Decode(wave.string()).ok())
        return Failed(kCompressorOpenFailed, "the wave cannot be decoded");
    const fs::path compressed_folder = scratch / "compressed";
    std::error_code ec;
    fs::create_directory(compressed_folder, ec);
    const fs::path compressed = compressed_folder / name;
    encoding::EncodeSettings settings;
    settings.format = encoding::AudioFormat::kOgg;
    settings.vorbis_quality = kCompressedVorbisQuality;
    if (options.convert_to_voice) {
        settings.sample_rate_hz = kVoiceRateHz;
        settings.channels = 1;
    }
    const encoding::TranscodeResult done =
        encoding::TranscodeAudio(wave.string(), compressed.string(), settings, {}, {}, progress);
    if (done.stopped)
        return Failed(kCompressorStopped, "stopped");
    if (!done.ok)
        return Failed(kCompressorCreateFailed, done.message);
    if (!container.Put(compressed_folder.string(), {name}) || !container.CompressIfNeeded())
        return Failed(kCompressorCreateFailed, container.last_error());
    return {};
}

}  // namespace

const char* CompressorErrorText(int code) {
    switch (code) {
        case kCompressorOpenFailed:
            return "Failed to open Voxwren recording file";
        case kCompressorCreateFailed:
            return "Failed to create compressed file";
        case kCompressorInitFailed:
            return "Failed to initialize compression utility";
        case kCompressorBadFile:
            return "Invalid Voxwren recording file";
        default:
            return "Unknown error";
    }
}

std::string VoiceQualityRecordLine(const std::string& line_bytes) {
    if (line_bytes.size() < kRecordLineBytes)
        return {};
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::Parse(line_bytes.substr(0, kRecordLineBytes), &line).ok())
        return {};
    std::string text;
    for (int word = 1; word <= kQualityField; ++word) {
        if (word > 1)
            text += ' ';
        text += word == kQualityField ? std::string_view(kVoiceQuality) : line.StoredField(word);
    }
    if (text.size() > recordstore::kRecordLineTextBytes)
        return {};
    text.resize(recordstore::kRecordLineTextBytes, ' ');
    return text + '\n';
}

CompressorResult CompressRecordingFile(const fs::path& container_path, const ExportOptions& options,
                                       const fs::path& scratch,
                                       const encoding::TranscodeProgress& progress) {
    if (scratch.empty())
        return Failed(kCompressorInitFailed, "no private folder");
    // The copy is changed only once the compressed wave is whole: work on a
    // second copy and put it in place at the end, so a stop or a failure
    // leaves the copy as it was.
    const fs::path work = scratch / ("work-" + container_path.filename().string());
    std::error_code ec;
    if (!fs::copy_file(container_path, work, ec))
        return Failed(kCompressorOpenFailed, ec.message());
    const fs::path members = scratch / "members";
    fs::create_directory(members, ec);
    recordstore::Repository container(filesystem::DefaultFileSystem(), work.string());
    CompressorResult result;
    if (options.convert_to_voice)
        result = MarkVoiceQuality(container, members);
    if (result.ok())
        result = CompressWave(container, options, members, progress);
    if (result.ok()) {
        fs::rename(work, container_path, ec);
        if (ec)
            result = Failed(kCompressorCreateFailed, ec.message());
    }
    EmptyFolder(scratch);
    return result;
}

CompressorResult CompressRecording(PreparedFile& file, const ExportOptions& options,
                                   const fs::path& scratch) {
    CompressorResult result = CompressRecordingFile(file.path, options, scratch);
    if (!result.ok()) {
        file.code = -result.error;
        file.detail = std::string(CompressorErrorText(result.error)) + ": " + result.detail;
    }
    return result;
}

}  // namespace kivo::exchange

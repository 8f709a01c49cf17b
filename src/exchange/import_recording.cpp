// Importing one recording file as a new record (see import_recording.h).
#include "kivo/exchange/import_recording.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <vector>

#include "kivo/exchange/import_messages.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/store_repository.h"
#include "private_folder.h"
#include "recording_member_limits.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using recordstore::RecordLogKind;

constexpr std::string_view kKeywordsExtension = ".xrk";

RecordingImportResult Failed(int message, std::string reason) {
    RecordingImportResult result;
    result.message = message;
    result.reason = std::move(reason);
    return result;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The first file of folder whose name ends with extension (any case).
std::optional<fs::path> FileEndingWith(const fs::path& folder, std::string_view extension) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) &&
            Lower(entry.path().filename().string()).ends_with(Lower(std::string(extension))))
            return entry.path();
    }
    return std::nullopt;
}

// The record log of a kind the file may carry: audio kinds travel in ".xrz"
// files, the video kind in ".xrv" files; nullopt for any other pairing and
// for codes no record has.
std::optional<RecordLogKind> LogOfKind(std::string_view kind_code, recordstore::MediaKind media) {
    const char* log = recordstore::RecordLogNameForKind(kind_code);
    const bool video_kind = kind_code == recordstore::kind_code::kVideo;
    if (log == nullptr || video_kind != (media == recordstore::MediaKind::kVideo))
        return std::nullopt;
    const std::string name = log;
    if (name == recordstore::kMeetingLogName)
        return RecordLogKind::kMeetings;
    if (name == recordstore::kPhoneLogName)
        return RecordLogKind::kPhoneCalls;
    if (name == recordstore::kDiaryLogName)
        return RecordLogKind::kDiary;
    return RecordLogKind::kMessages;
}

std::string ReadSmallFile(const fs::path& path, std::size_t max_bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text(max_bytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(max_bytes));
    text.resize(static_cast<std::size_t>(in.gcount()));
    // The keywords member is a zero-filled buffer: the text ends at its NUL.
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

// Why the copy of a recording file is refused; nullopt when its members may
// be unpacked.
std::optional<std::string> RefusalOf(const fs::path& copy) {
    recordstore::Repository container(filesystem::DefaultFileSystem(), copy.string());
    const recordstore::RepositoryInfo info = container.Info();
    if (!info.readable)
        return container.last_error().empty() ? "not a recording file" : container.last_error();
    if (info.live_members.empty())
        return "it holds no members";
    return MemberLimitFault(info.live_members);
}

// The media a recording file carries, by its name's extension (any case).
std::optional<recordstore::MediaKind> MediaOfFileName(const std::string& file_name) {
    const std::string name = Lower(file_name);
    if (name.ends_with(recordstore::kAudioContainerExtension))
        return recordstore::MediaKind::kAudio;
    if (name.ends_with(recordstore::kVideoContainerExtension))
        return recordstore::MediaKind::kVideo;
    return std::nullopt;
}

// Whether the copy holds the media its kind plays (the recording's B.xrw or
// the video's B.wmv); without it there is nothing to import.
bool HoldsMedia(const fs::path& copy, recordstore::MediaKind media) {
    const std::string extension = Lower(std::string(media == recordstore::MediaKind::kVideo
                                                        ? recordstore::kVideoMediaExtension
                                                        : recordstore::kAudioMediaExtension));
    recordstore::Repository container(filesystem::DefaultFileSystem(), copy.string());
    const std::vector<recordstore::MemberInfo> members = container.LiveMembers();
    return std::any_of(members.begin(), members.end(), [&extension](const auto& member) {
        return Lower(member.name).ends_with(extension);
    });
}

}  // namespace

namespace {

// What a record keeps after its 401-byte line in the line file (a meeting's
// agenda) moves with it. The file is untrusted: more than this is refused.
constexpr std::uintmax_t kLineTrailerMaxBytes = 1 << 20;

// The bytes after the record line; empty when there are none, nothing when
// they cannot be read or are too many.
std::optional<std::string> LineTrailer(const fs::path& line_file) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(line_file, error);
    if (error)
        return std::nullopt;
    if (size <= recordstore::kRecordLineBytes)
        return std::string();
    if (size - recordstore::kRecordLineBytes > kLineTrailerMaxBytes)
        return std::nullopt;
    std::ifstream in(line_file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(recordstore::kRecordLineBytes));
    std::string trailer(size - recordstore::kRecordLineBytes, '\0');
    in.read(trailer.data(), static_cast<std::streamsize>(trailer.size()));
    if (!in)
        return std::nullopt;
    return trailer;
}

}  // namespace

RecordingImportResult RecordingImport::Import(const fs::path& recording_file) const {
    const std::string file_name = recording_file.filename().string();
    std::error_code error;
    if (!fs::is_regular_file(recording_file, error))
        return Failed(kMessageUnreadableRecording, "not a file");
    const std::optional<recordstore::MediaKind> media = MediaOfFileName(file_name);
    if (!media)
        return Failed(kMessageUnreadableRecording, "not a \".xrz\" or \".xrv\" recording file");
    const bool video = *media == recordstore::MediaKind::kVideo;

    PrivateFolder unpacked(target_.working_folder, "import-");
    if (!unpacked.ok())
        return Failed(kMessageUnreadableRecording, "no room in the working folder");
    // The file is read only through a copy under a name of ours: the source
    // is never touched (not even by a repair the engine might make), and its
    // own name, in any case, reaches nothing.
    const recordstore::RecordingContainer own(video ? "R.xrv" : "R.xrz", *media);
    const fs::path copy = unpacked.path() / own.file_name();
    fs::copy_file(recording_file, copy, error);
    if (error)
        return Failed(kMessageUnreadableRecording, "the file cannot be copied: " + error.message());
    if (const std::optional<std::string> refusal = RefusalOf(copy))
        return Failed(kMessageUnreadableRecording, *refusal);
    if (!HoldsMedia(copy, *media))
        return Failed(kMessageUnreadableRecording,
                      video ? "it holds no video (.wmv)" : "it holds no recording (.xrw)");
    const fs::path staging = unpacked.path() / "members";
    fs::create_directory(staging, error);
    if (error ||
        recordstore::RecordingContainer::OpenStandAlone(copy.string(), staging.string(), *media) !=
            recordstore::ContainerResult::kDone)
        return Failed(kMessageUnreadableRecording, "its members cannot be unpacked");

    recordstore::RecordLine line;
    if (!recordstore::RecordLine::ReadFile((staging / own.line_name()).string(), &line).ok() ||
        !line.IsRecord())
        return Failed(kMessageIncompleteRecording, "it holds no record line");
    const std::optional<std::string> trailer = LineTrailer(staging / own.line_name());
    if (!trailer)
        return Failed(kMessageUnreadableRecording, "what follows its record line is too large");
    const recordstore::RecordFields old_fields = line.Fields();
    const std::optional<RecordLogKind> log = LogOfKind(old_fields.kind_code, *media);
    if (!log)
        return Failed(kMessageIncompleteRecording,
                      "its record kind \"" + old_fields.kind_code + "\" is not " +
                          (video ? "a video record" : "an audio record"));
    recordstore::IndexMarkRead marks;
    if (fs::exists(staging / own.marks_name(), error) &&
        !recordstore::ReadIndexMarkFile((staging / own.marks_name()).string(), &marks).ok())
        return Failed(kMessageUnreadableRecording, "its index marks cannot be read");

    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(target_.working_folder);
    recorder::NewRecord record;
    record.fields = old_fields;
    record.fields.container_name =
        video ? files.Name(recordstore::kVideoContainerExtension) : files.container_name();
    record.log = *log;
    record.media_kind = *media;
    if (video)  // as the video recorder writes them
        record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    record.marks = std::move(marks.marks);
    if (!trailer->empty()) {
        record.extend_record_file = [&trailer](const fs::path& line_file) {
            std::ofstream out(line_file, std::ios::binary | std::ios::app);
            out.write(trailer->data(), static_cast<std::streamsize>(trailer->size()));
            return static_cast<bool>(out.flush());
        };
    }
    recordstore::IndexRecord source_entry;
    if (source_index_ != nullptr &&
        source_index_->Get(old_fields.record_number, &source_entry).ok())
        record.keywords = source_entry.keywords;
    else if (const auto keywords = FileEndingWith(staging, kKeywordsExtension))
        record.keywords = ReadSmallFile(*keywords, recordstore::kIndexKeywordsMaxBytes);
    if (const auto gif = FileEndingWith(staging, recordstore::kGifPictureExtension))
        record.picture = *gif;
    else if (const auto jpg = FileEndingWith(staging, recordstore::kJpgPictureExtension))
        record.picture = *jpg;

    // The media and a translation's texts move to the new record's names.
    const fs::path media_path =
        video ? files.Path(recordstore::kVideoMediaExtension) : files.wave_path();
    fs::rename(staging / own.media_name(), media_path, error);
    for (std::string_view text :
         {recordstore::kOriginalTextExtension, recordstore::kTranslatedTextExtension}) {
        if (error)
            break;
        if (const auto found = FileEndingWith(staging, text)) {
            fs::rename(*found, files.Path(text), error);
            record.extra_members.push_back(files.Name(text));
        }
    }

    RecordingImportResult result;
    if (error) {
        result = Failed(kMessageUnreadableRecording, "its members cannot be moved");
    } else {
        recorder::NewRecordSave save(target_, files);
        result.message = save.Save(record);
        result.record_number = save.record_number();
        result.stored = save.stored();
        if (!result.ok())
            result.reason =
                result.stored ? "the index was not updated" : "the record was not saved";
    }
    files.RemoveAll();
    if (video) {
        fs::remove(media_path, error);
        fs::remove(files.Path(recordstore::kVideoContainerExtension), error);
    }
    for (const std::string& extra : record.extra_members)
        fs::remove(target_.working_folder / extra, error);
    return result;
}

}  // namespace kivo::exchange

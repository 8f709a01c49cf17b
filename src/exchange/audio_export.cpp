// ExportAsAudio: an exported recording as WAV, MP3, OGG or WMA.
#include "kivo/exchange/audio_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <system_error>

#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
namespace field = recordstore::record_field;

constexpr const char* kSpeechGenre = "Speech";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The keywords member may come padded with NULs.
    if (auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

void EmptyFolder(const fs::path& folder) {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        fs::remove_all(entry.path(), ignored);
}

}  // namespace

std::string IsoDate(const std::string& day_month_year) {
    if (day_month_year.size() != 10 || day_month_year[2] != '/' || day_month_year[5] != '/')
        return day_month_year;
    return day_month_year.substr(6, 4) + "-" + day_month_year.substr(3, 2) + "-" +
           day_month_year.substr(0, 2);
}

RecordingDescription DescribeRecording(const fs::path& record_line, const fs::path& index_marks,
                                       const fs::path& keywords) {
    RecordingDescription description;
    description.tags.genre = kSpeechGenre;
    recordstore::RecordLine line;
    if (recordstore::RecordLine::ReadFile(record_line.string(), &line).ok()) {
        description.tags.title = line.DisplayField(field::kSubject);
        description.tags.date = IsoDate(line.FieldText(field::kStartDate));
    }
    description.tags.comment = ReadText(keywords);
    recordstore::IndexMarkRead read;
    if (recordstore::ReadIndexMarkFile(index_marks.string(), &read).ok()) {
        for (const recordstore::IndexMark& mark : read.marks) {
            // Where an inserted recording starts and ends is no chapter.
            if (mark.type != recordstore::IndexMarkType::kUser)
                continue;
            auto at_ms = recordstore::ParseDurationMilliseconds(mark.time_stamp);
            if (!at_ms)
                continue;
            description.chapters.push_back({*at_ms, mark.comment});
        }
    }
    return description;
}

Delivery ExportAsAudio(const fs::path& prepared_copy, const fs::path& scratch,
                       encoding::AudioFormat format, const fs::path& target, Overwrite overwrite) {
    std::error_code ec;
    if (overwrite == Overwrite::kNever && fs::exists(fs::symlink_status(target, ec)))
        return {DeliveryOutcome::kTargetExists, target.string() + " already exists"};
    const auto opened = recordstore::RecordingContainer::OpenStandAlone(
        prepared_copy.string(), scratch.string(), recordstore::MediaKind::kAudio);
    if (opened != recordstore::ContainerResult::kDone) {
        EmptyFolder(scratch);
        return {DeliveryOutcome::kFailed,
                prepared_copy.filename().string() + " holds no recording that can be read"};
    }
    const std::string stem = prepared_copy.stem().string();
    const RecordingDescription description = DescribeRecording(
        scratch / (stem + ".xrl"), scratch / (stem + ".xrs"), scratch / (stem + ".xrk"));
    fs::path temporary;
    const int fd = OpenTemporaryBeside(target, &temporary);
    if (fd < 0) {
        EmptyFolder(scratch);
        return {DeliveryOutcome::kFailed, target.parent_path().string() + " cannot be written"};
    }
    close(fd);
    encoding::EncodeSettings settings;
    settings.format = format;
    const encoding::TranscodeResult encoded =
        encoding::TranscodeAudio((scratch / (stem + ".xrw")).string(), temporary.string(), settings,
                                 description.tags, description.chapters);
    EmptyFolder(scratch);
    if (!encoded.ok) {
        fs::remove(temporary, ec);
        return {DeliveryOutcome::kFailed, encoded.message};
    }
    chmod(temporary.c_str(), 0644);
    return CommitTemporary(temporary, target, overwrite);
}

}  // namespace kivo::exchange

// Opening a stored dictation for editing (see stored_dictation.h).
#include "kivo/dictation/stored_dictation.h"

#include <QDebug>
#include <system_error>

#include "kivo/recorder/recorder_messages.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/recording_container.h"

namespace kivo::dictation {
namespace {

namespace fs = std::filesystem;
using recordstore::PictureType;

// The picture members a stored dictation may carry, in the order they are
// looked for: the names saves write, then the lower-case ones of older
// records.
constexpr std::string_view kPictureExtensions[] = {".GIF", ".JPG", ".gif", ".jpg"};

}  // namespace

int StoredDictation::Open(const recorder::RecorderTarget& target,
                          const recorder::RecordFiles& files) {
    const recordstore::ContainerResult opened =
        recordstore::RecordingContainer(files.container_name(), recordstore::MediaKind::kAudio)
            .OpenFromStore(target.working_folder.string(), target.store_path.string(),
                           static_cast<int>(recordstore::MemberSelector::kDefault));
    if (opened != recordstore::ContainerResult::kDone)
        return static_cast<int>(opened);
    if (const int read = ReadLine(files); read != 0)
        return read;
    ReadKeywords(target);
    if (!fields_.lock.empty())
        return recorder::kMessageRecordLocked;
    ExtractPicture(files);
    ReadMarks(files);
    return 0;
}

int StoredDictation::ReadLine(const recorder::RecordFiles& files) {
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::ReadFile(files.line_path().string(), &line).ok() ||
        !line.IsRecord())
        return recorder::kMessageCorruptRecord;
    fields_ = line.Fields();
    if (fields_.recording_quality.empty())
        fields_.recording_quality.push_back('0');  // it is empty
    return 0;
}

void StoredDictation::ReadKeywords(const recorder::RecorderTarget& target) {
    recordstore::RecordIndex index((target.working_folder / recordstore::kIndexName).string());
    recordstore::IndexRecord entry;
    // A record without an entry has no keywords.
    if (index.Get(fields_.record_number, &entry).ok())
        keywords_ = entry.keywords;
}

void StoredDictation::ExtractPicture(const recorder::RecordFiles& files) {
    const recordstore::DataStore container(files.container_path().string());
    for (std::string_view extension : kPictureExtensions) {
        const std::string member = files.Name(extension);
        if (container.FindMember(member) == recordstore::MemberLookup::kPresent &&
            container.ExtractMember(member, files.working_folder().string())) {
            picture_member_ = member;
            picture_path_ = files.working_folder() / member;
            return;
        }
    }
}

void StoredDictation::ReadMarks(const recorder::RecordFiles& files) {
    recordstore::IndexMarkRead read;
    if (recordstore::ReadIndexMarkFile(files.marks_path().string(), &read).ok())
        marks_ = std::move(read.marks);
    std::error_code error;
    fs::remove(files.marks_path(), error);
}

}  // namespace kivo::dictation

// Saving a new or an edited dictation (see dictation_save.h).
#include "kivo/dictation/dictation_save.h"

#include <QDebug>
#include <QLoggingCategory>
#include <algorithm>
#include <system_error>
#include <utility>

#include "kivo/core/record_replace.h"
#include "kivo/dictation/stored_dictation.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/record_picture.h"
#include "kivo/recordstore/recording_container.h"

Q_LOGGING_CATEGORY(lcDictationSave, "kivo.dictation.save")

namespace kivo::dictation {
namespace {

namespace fs = std::filesystem;
using recorder::kMessageCannotSave;
using recorder::kMessageIndexFailed;
using recorder::kMessageMissingFile;
using recorder::NowLogDate;
using recorder::SplitLogDate;

// The fields every save of the recorder sets: subject, end and duration.
void SetRecordedFields(const DictationDraft& draft, recordstore::RecordFields* fields) {
    fields->subject = draft.subject;
    std::tie(fields->end_date, fields->end_time) =
        SplitLogDate(draft.end_log_date.empty() ? NowLogDate() : draft.end_log_date);
    fields->duration = recordstore::DurationText(draft.length_ms);
}

bool AllExist(std::initializer_list<fs::path> paths) {
    std::error_code error;
    return std::all_of(paths.begin(), paths.end(),
                       [&error](const fs::path& path) { return fs::exists(path, error); });
}

}  // namespace

int DictationSave::SaveNew(const DictationDraft& draft) {
    recorder::NewRecord record;
    record.fields.kind_code = recordstore::kind_code::kMessage;
    record.fields.text_a = "0";
    record.fields.container_name = files_.container_name();
    record.fields.recording_quality = std::to_string(target_.recording_quality);
    std::tie(record.fields.start_date, record.fields.start_time) =
        SplitLogDate(draft.start_log_date);
    SetRecordedFields(draft, &record.fields);
    record.log = recordstore::RecordLogKind::kMessages;
    record.marks = draft.marks;
    record.picture = draft.picture;
    record.keywords = draft.keywords;

    recorder::NewRecordSave save(target_, files_);
    const int result = save.Save(record);
    record_number_ = save.record_number();
    stored_ = save.stored();
    return result;
}

int DictationSave::SaveEdited(const DictationDraft& draft, const StoredDictation& stored) {
    const std::optional<std::string> mark_comments = recorder::WriteMarksFile(files_, draft.marks);
    if (!mark_comments)
        return kMessageMissingFile;
    recordstore::RecordFields fields = stored.fields();
    SetRecordedFields(draft, &fields);
    if (!recorder::WriteRecordFile(recordstore::RecordLine::BuildRewrite(fields), files_))
        return kMessageCannotSave;
    if (!AllExist({files_.wave_path(), files_.line_path(), files_.marks_path()}))
        return kMessageMissingFile;
    if (const int replaced = ReplacePicture(draft, stored); replaced != 0)
        return replaced;

    qCDebug(lcDictationSave) << "Saving Kivo file to repository";
    const recordstore::PictureType picture =
        recordstore::PictureTypeOfFile(draft.picture.filename().string());
    if (recordstore::RecordingContainer(files_.container_name(), recordstore::MediaKind::kAudio)
            .SaveIntoStore(target_.working_folder.string(), target_.store_path.string(),
                           static_cast<int>(recordstore::PictureExtras(picture))) !=
        recordstore::ContainerResult::kDone)
        return kMessageCannotSave;
    const char* log_name = recordstore::RecordLogNameForKind(fields.kind_code);
    if (log_name == nullptr)
        return kMessageCannotSave;
    core::RecordReplaceRequest request;
    request.record_file = files_.line_path();
    request.record_number = fields.record_number;
    request.record_log = target_.working_folder / log_name;
    request.store_path = target_.store_path;
    request.working_folder = target_.working_folder;
    const core::RecordReplaceResult replaced = core::ReplaceRecordLine(request);
    if (!replaced.ok()) {
        qCDebug(lcDictationSave) << "Record line not replaced:"
                                 << core::RecordReplaceStatusText(replaced.status);
        return kMessageCannotSave;
    }
    qCDebug(lcDictationSave) << "Kivo file saved to repository";
    record_number_ = fields.record_number;
    stored_ = true;
    if (!recorder::PutIndexEntry(target_.working_folder, fields, draft.keywords, *mark_comments,
                                 replaced.offset_bytes))
        return kMessageIndexFailed;
    return 0;
}

// A removed picture, or one stored under another name than the one it is
// saved as, goes out of the container; a new one is copied beside the other
// members under its member name.
int DictationSave::ReplacePicture(const DictationDraft& draft, const StoredDictation& stored) {
    const recordstore::PictureType type =
        recordstore::PictureTypeOfFile(draft.picture.filename().string());
    const std::string member = files_.PictureName(type);
    if (!stored.picture_member().empty() && stored.picture_member() != member &&
        !recordstore::DataStore(files_.container_path().string())
             .DeleteMember(stored.picture_member()))
        return kMessageCannotSave;
    std::error_code error;
    const fs::path copy = target_.working_folder / member;
    if (type != recordstore::PictureType::kNone && draft.picture != copy &&
        !fs::copy_file(draft.picture, copy, fs::copy_options::overwrite_existing, error))
        return kMessageMissingFile;
    return 0;
}

}  // namespace kivo::dictation

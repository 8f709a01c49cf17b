// Saving a new or an edited dictation (see dictation_save.h).
#include "kivo/dictation/dictation_save.h"

#include <QDebug>
#include <QLoggingCategory>
#include <algorithm>
#include <system_error>
#include <utility>

#include "kivo/core/record_update.h"
#include "kivo/dictation/stored_dictation.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_picture.h"

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

int DictationSave::SaveEdited(const DictationDraft& draft, const StoredDictation& stored,
                              const core::RecordUpdater& updater) {
    const std::optional<std::string> mark_comments = recorder::WriteMarksFile(files_, draft.marks);
    if (!mark_comments)
        return kMessageMissingFile;
    recordstore::RecordFields fields = stored.fields();
    SetRecordedFields(draft, &fields);
    const recordstore::RecordLineBuild built = recordstore::RecordLine::BuildRewrite(fields);
    core::RecordChange change;
    change.line.emplace();
    if (!built.status.ok() || !recordstore::RecordLine::Parse(built.bytes, &*change.line).ok())
        return kMessageCannotSave;
    if (!AllExist({files_.wave_path(), files_.marks_path()}))
        return kMessageMissingFile;
    change.container_name = files_.container_name();
    change.changed_members = {files_.wave_path().filename().string(),
                              files_.marks_path().filename().string()};
    if (const int picture = AddPictureChange(draft, stored, &change); picture != 0)
        return picture;
    // The updater sets the entry's line position to where the line is.
    change.index_entry = recorder::IndexEntryOf(fields, draft.keywords, *mark_comments, 0);

    qCDebug(lcDictationSave) << "Saving Kivo file to repository";
    const core::RecordUpdateResult updated = updater.Update(change);
    if (!updated.ok())
        qCDebug(lcDictationSave) << "Record not updated:"
                                 << core::RecordUpdateStatusText(updated.status)
                                 << updated.detail.c_str();
    if (!updated.stored())
        return kMessageCannotSave;
    qCDebug(lcDictationSave) << "Kivo file saved to repository";
    record_number_ = fields.record_number;
    stored_ = true;
    return updated.ok() ? 0 : kMessageIndexFailed;
}

// A removed picture, or one stored under another name than the one it is
// saved as, goes out of the container; a new one is copied beside the other
// members under its member name and goes in (superseding one of that name).
int DictationSave::AddPictureChange(const DictationDraft& draft, const StoredDictation& stored,
                                    core::RecordChange* change) const {
    const recordstore::PictureType type =
        recordstore::PictureTypeOfFile(draft.picture.filename().string());
    const std::string member = files_.PictureName(type);
    if (!stored.picture_member().empty() && stored.picture_member() != member)
        change->removed_members.push_back(stored.picture_member());
    if (type == recordstore::PictureType::kNone)
        return 0;
    std::error_code error;
    const fs::path copy = target_.working_folder / member;
    if (draft.picture != copy &&
        !fs::copy_file(draft.picture, copy, fs::copy_options::overwrite_existing, error))
        return kMessageMissingFile;
    change->changed_members.push_back(member);
    return 0;
}

}  // namespace kivo::dictation

// Saving a recorder's new record (see record_saving.h).
#include "kivo/recorder/record_saving.h"

#include <QDebug>
#include <QLoggingCategory>
#include <algorithm>
#include <system_error>

#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/store_operation.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_picture.h"

Q_LOGGING_CATEGORY(lcRecordSaving, "kivo.recorder.save")

namespace kivo::recorder {
namespace {

namespace fs = std::filesystem;

bool AllExist(std::initializer_list<fs::path> paths) {
    std::error_code error;
    return std::all_of(paths.begin(), paths.end(),
                       [&error](const fs::path& path) { return fs::exists(path, error); });
}

// The picture copied beside the other files under its member name; the
// name, empty without a picture, or nullopt when it cannot be copied.
std::optional<std::string> CopyPicture(const RecordFiles& files, const fs::path& picture) {
    if (picture.empty())
        return std::string();
    const std::string name =
        files.PictureName(recordstore::PictureTypeOfFile(picture.filename().string()));
    std::error_code error;
    if (!fs::copy_file(picture, files.working_folder() / name, fs::copy_options::overwrite_existing,
                       error))
        return std::nullopt;
    return name;
}

// A bound target still names the store its session holds.
bool StillBound(const RecorderTarget& target) {
    const core::DataStoreSession& session = *target.session;
    return session.has_open_store() && session.store_generation() == target.store_generation &&
           session.store_path() == target.store_path &&
           session.working_folder() == target.working_folder;
}

}  // namespace

std::optional<std::string> WriteMarksFile(const RecordFiles& files,
                                          const std::vector<recordstore::IndexMark>& marks,
                                          recordstore::IndexMarkStyle style) {
    qCDebug(lcRecordSaving) << "Saving SFS";
    // A working-folder file: it reaches the store only inside the container.
    if (!recordstore::WriteIndexMarkFile(filesystem::ScratchFileSystem(),
                                         files.marks_path().string(), marks, style)
             .ok())
        return std::nullopt;
    qCDebug(lcRecordSaving) << "Saved SFS";
    return recordstore::JoinMarkComments(marks);
}

bool WriteRecordFile(const recordstore::RecordLineBuild& line, const RecordFiles& files) {
    recordstore::RecordLine parsed;
    return line.status.ok() && recordstore::RecordLine::Parse(line.bytes, &parsed).ok() &&
           parsed.WriteFile(filesystem::ScratchFileSystem(), files.line_path().string()).ok();
}

recordstore::IndexRecord IndexEntryOf(const recordstore::RecordFields& fields,
                                      std::string_view keywords, std::string_view mark_comments,
                                      std::uint64_t line_position) {
    recordstore::IndexRecord entry;
    entry.record_number = fields.record_number;
    entry.kind_code = fields.kind_code;
    entry.start_date = fields.start_date;
    entry.keywords = std::string(keywords);
    entry.mark_comments = std::string(mark_comments);
    entry.line_position = static_cast<std::int64_t>(line_position);
    return entry;
}

bool PutIndexEntry(const fs::path& working_folder, const recordstore::RecordFields& fields,
                   std::string_view keywords, std::string_view mark_comments,
                   std::uint64_t line_position) {
    recordstore::RecordIndex index((working_folder / recordstore::kIndexName).string());
    return PutIndexEntry(index, fields, keywords, mark_comments, line_position);
}

bool PutIndexEntry(recordstore::RecordIndex& index, const recordstore::RecordFields& fields,
                   std::string_view keywords, std::string_view mark_comments,
                   std::uint64_t line_position) {
    qCDebug(lcRecordSaving) << "Updating Index";
    const recordstore::Status put =
        index.Put(IndexEntryOf(fields, keywords, mark_comments, line_position));
    if (!put.ok()) {
        qCWarning(lcRecordSaving) << "Index not updated:" << put.message().c_str();
        return false;
    }
    qCDebug(lcRecordSaving) << "Index updated";
    return true;
}

int NewRecordSave::Save(const NewRecord& record) {
    core::DataStoreSession* session = target_.session;
    if (session != nullptr && !StillBound(target_)) {
        qCWarning(lcRecordSaving)
            << "Record not saved: the data store it was recorded for is closed";
        return kMessageCannotSave;
    }
    // A bound save holds the store's writer lock from the log's append to
    // the commit, on working copies that hold every other writer's changes.
    std::optional<core::StoreOperation> operation;
    if (session != nullptr) {
        operation.emplace(*session);
        if (!operation->ok()) {
            qCWarning(lcRecordSaving) << "Record not saved:" << operation->refusal().c_str();
            return kMessageCannotSave;
        }
    }
    const bool journaled = session != nullptr && session->journals_changes();
    const std::optional<std::string> mark_comments =
        WriteMarksFile(files_, record.marks, record.marks_style);
    if (!mark_comments)
        return kMessageMissingFile;
    if (target_.profile == nullptr)
        return kMessageCannotSave;
    // The number is taken only once the recording is safe on disk: a save
    // that cannot begin uses none up.
    const fs::path media = record.media_kind == recordstore::MediaKind::kVideo
                               ? files_.Path(recordstore::kVideoMediaExtension)
                               : files_.wave_path();
    if (!AllExist({media}))
        return kMessageMissingFile;
    for (const std::string& extra : record.extra_members) {
        if (extra.empty() || !AllExist({files_.working_folder() / extra}))
            return kMessageMissingFile;
    }
    // Bound to a loaded store, the profile's counter need not be synced on
    // every save: a number it lost in a power cut is still in the store's
    // logs, and the floor steps over it.
    const auto number = journaled ? target_.profile->TakeNextRecordNumberAbove(
                                        target_.profile_section, session->RecordNumberFloor())
                                  : target_.profile->TakeNextRecordNumber(target_.profile_section);
    if (!number)
        return kMessageCannotSave;
    record_number_ = *number;

    recordstore::RecordFields fields = record.fields;
    fields.record_number = *number;
    if (!WriteRecordFile(recordstore::RecordLine::Build(fields), files_))
        return kMessageCannotSave;
    if (record.extend_record_file && !record.extend_record_file(files_.line_path()))
        return kMessageCannotSave;
    if (!AllExist({media, files_.line_path(), files_.marks_path()}))
        return kMessageMissingFile;
    const std::optional<std::string> picture = CopyPicture(files_, record.picture);
    if (!picture)
        return kMessageMissingFile;

    qCDebug(lcRecordSaving) << "Saving Kivo file to repository";
    recordstore::RecordSaveRequest request;
    request.log = record.log;
    request.media_kind = record.media_kind;
    request.media = media.filename().string();
    request.record_line = files_.line_path().filename().string();
    request.index_marks = files_.marks_path().filename().string();
    request.extras = {*picture};
    request.extras.insert(request.extras.end(), record.extra_members.begin(),
                          record.extra_members.end());
    request.working_folder = target_.working_folder.string();
    request.store_path = target_.store_path.string();
    request.stamp = files_.stamp();
    if (journaled) {
        request.container_only = true;
        request.put_into_store = [session](const std::vector<std::string>& members) {
            return session->store_access().Put(session->store_path().string(),
                                               session->working_folder().string(), members);
        };
    }
    // With the session's journal the saver builds the container in the
    // working folder without syncing it (a start after a crash throws the
    // folder away) and the session's own put syncs the store; without one
    // the saver's put is the store's, and must sync.
    filesystem::FileSystem& files_system =
        journaled ? static_cast<filesystem::FileSystem&>(filesystem::ScratchFileSystem())
                  : filesystem::DefaultFileSystem();
    const recordstore::RecordSaveResult saved =
        recordstore::RecordSaver(files_system).Save(request);
    if (!saved.ok()) {
        qCWarning(lcRecordSaving) << "Record not saved:" << saved.error.c_str();
        return kMessageCannotSave;
    }
    qCDebug(lcRecordSaving) << "Kivo file saved to repository";
    // A bound save's target is the session's working folder (StillBound),
    // so it puts through the session's index object.
    const bool indexed = session != nullptr
                             ? PutIndexEntry(session->record_index(), fields, record.keywords,
                                             *mark_comments, saved.line_offset)
                             : PutIndexEntry(target_.working_folder, fields, record.keywords,
                                             *mark_comments, saved.line_offset);
    // The line (and the entry) are durable once committed; the container is
    // in the store already and named by no line until then.
    if (journaled && session->CommitChanges() != core::kStoreOk) {
        qCWarning(lcRecordSaving) << "Record log not made durable";
        return kMessageCannotSave;
    }
    if (journaled)
        session->NoteRecordNumber(*number);
    stored_ = true;
    return indexed ? 0 : kMessageIndexFailed;
}

}  // namespace kivo::recorder

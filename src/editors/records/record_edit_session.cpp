// The record edit dialogs' logic: open, edit the descriptive fields, save.
#include "kivo/records/record_edit_session.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "kivo/core/data_store_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/text_encoding.h"

namespace kivo::records {
namespace {

namespace fs = std::filesystem;
namespace field = recordstore::record_field;

// Every file a record's container brings into the working folder, and the
// pictures the session may copy there.
constexpr std::string_view kRecordFileExtensions[] = {
    recordstore::kAudioMediaExtension,   recordstore::kIndexMarksExtension,
    recordstore::kRecordLineExtension,   recordstore::kAudioContainerExtension,
    recordstore::kGifPictureExtension,   recordstore::kJpgPictureExtension,
    recordstore::kOriginalTextExtension, recordstore::kTranslatedTextExtension,
    recordstore::kVideoMediaExtension,   recordstore::kVideoContainerExtension,
};

bool IsVideoContainerName(std::string_view name) {
    return name.ends_with(recordstore::kVideoContainerExtension);
}

// A container name that can only name a file of its own in the working
// folder: "D" + stamp + ".xrz" (or ".xrv" for a video), with no folder
// part, no control byte and no dot other than the extension's.
bool IsUsableContainerName(std::string_view name) {
    const std::string_view extension = IsVideoContainerName(name)
                                           ? recordstore::kVideoContainerExtension
                                           : recordstore::kAudioContainerExtension;
    if (name.size() <= extension.size() + 1 || !name.starts_with(recordstore::kContainerPrefix) ||
        !name.ends_with(extension))
        return false;
    const std::string_view stem = name.substr(0, name.size() - extension.size());
    return std::none_of(stem.begin(), stem.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == '.' || c == ':';
    });
}

// Reads "a<sep>b<sep>c..." as up to three numbers; false unless exactly
// count numbers of one to four digits each are there.
bool ReadNumbers(std::string_view text, char separator, int count, int* out) {
    int index = 0;
    int value = 0;
    int digits = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            if (digits == 0 || index >= count)
                return false;
            out[index++] = value;
            value = 0;
            digits = 0;
        } else if (text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + (text[i] - '0');
            ++digits;
        } else {
            return false;
        }
    }
    return index == count;
}

std::optional<DiaryDate> ParseDiaryDate(std::string_view text) {
    int parts[3] = {};
    if (!ReadNumbers(text, '/', 3, parts) || parts[0] < 1 || parts[0] > 31 || parts[1] < 1 ||
        parts[1] > 12 || parts[2] < 1)
        return std::nullopt;
    return DiaryDate{parts[0], parts[1], parts[2]};
}

std::optional<DiaryTime> ParseDiaryTime(std::string_view text) {
    int parts[3] = {};
    if (!ReadNumbers(text, ':', 2, parts) && !ReadNumbers(text, ':', 3, parts))
        return std::nullopt;
    if (parts[0] > 23 || parts[1] > 59)
        return std::nullopt;
    return DiaryTime{parts[0], parts[1]};
}

std::string Joined(const std::string& date, const std::string& time) {
    return time.empty() ? date : date + " " + time;
}

}  // namespace

std::optional<EditorKind> EditorKindForCode(std::string_view code) {
    if (code == "0" || code == "5")
        return EditorKind::kDictation;
    if (code.size() == 2 && code[0] == '1' && code[1] >= '1' && code[1] <= '6')
        return EditorKind::kDictation;
    if (code == "1")
        return EditorKind::kMeeting;
    if (code == "2" || code == "3")
        return EditorKind::kPhone;
    if (code == "4")
        return EditorKind::kDiary;
    if (code == "9")
        return EditorKind::kVideo;
    return std::nullopt;
}

const char* EditorTitle(EditorKind kind) {
    switch (kind) {
        case EditorKind::kDictation:
            return "Dictation Editor";
        case EditorKind::kPhone:
            return "Phone Editor";
        case EditorKind::kMeeting:
            return "Meeting Editor";
        case EditorKind::kDiary:
            return "Diary Editor";
        case EditorKind::kVideo:
            return "Video Editor";
    }
    return "";
}

const char* EditorHelpTopic(EditorKind kind) {
    switch (kind) {
        case EditorKind::kDictation:
            return "dictation-editor.htm";
        case EditorKind::kPhone:
            return "phone-editor.htm";
        case EditorKind::kMeeting:
            return "meeting-editor.htm";
        case EditorKind::kDiary:
            return "diary-editor.htm";
        case EditorKind::kVideo:
            return "video-editor.htm";
    }
    return "";
}

int ReminderSetting(bool auto_reminder, bool nag_me) {
    if (!auto_reminder)
        return 0;
    return nag_me ? 2 : 1;
}

RecordEditSession::RecordEditSession(core::DataStoreSession& store, core::MessageReporter& reporter)
    : store_(store), reporter_(reporter) {}

RecordEditSession::~RecordEditSession() {
    if (!stem_.empty())
        DeleteTemporaryFiles();
}

fs::path RecordEditSession::WorkingPath(std::string_view extension) const {
    return store_.working_folder() / (stem_ + std::string(extension));
}

fs::path RecordEditSession::ContainerPath() const {
    return store_.working_folder() / container_name_;
}

std::string RecordEditSession::PictureMember(PictureType type) const {
    return stem_ + std::string(type == PictureType::kGif ? recordstore::kGifPictureExtension
                                                         : recordstore::kJpgPictureExtension);
}

int RecordEditSession::Fail(int code) {
    DeleteTemporaryFiles();
    open_ = false;
    if (code == kOpenUnsupportedKind)
        reporter_.ReportText(kUnsupportedKindText, core::kStyleInformation);
    else if (code == kMessageRecordLocked)
        reporter_.ReportMessage(code, core::kStyleInformation);
    else
        reporter_.ReportMessage(code, core::kStyleExclamation);
    return code;
}

int RecordEditSession::Open(const std::string& container_name) {
    if (open_ || saved_)
        return 0;
    if (!IsUsableContainerName(container_name)) {
        reporter_.ReportMessage(kMessageCorruptRecord, core::kStyleExclamation);
        return kMessageCorruptRecord;
    }
    container_name_ = container_name;
    stem_ = container_name.substr(0, container_name.rfind('.'));

    // The dialogs never play the recording: only the record line and the
    // marks come out of the container, and the media stays in it untouched.
    updater_.emplace(store_);
    const recordstore::ContainerResult opened =
        recordstore::RecordingContainer(container_name_, IsVideoContainerName(container_name_)
                                                             ? recordstore::MediaKind::kVideo
                                                             : recordstore::MediaKind::kAudio)
            .OpenFromStore(store_.working_folder().string(), store_.store_path().string(),
                           static_cast<int>(recordstore::MemberSelector::kLineAndMarks));
    if (opened != recordstore::ContainerResult::kDone)
        return Fail(static_cast<int>(opened));
    if (const int read = ReadRecord(); read != 0)
        return Fail(read);
    if (kind_ != EditorKind::kDictation)
        FindStoredPicture();
    open_ = true;
    return 0;
}

int RecordEditSession::ReadRecord() {
    const std::string line_path = WorkingPath(recordstore::kRecordLineExtension).string();
    if (!recordstore::RecordLine::ReadFile(line_path, &line_).ok() || !line_.IsRecord())
        return kMessageCorruptRecord;
    record_number_ = line_.record_number();
    kind_code_ = std::string(line_.StoredField(field::kKindCode));
    const std::optional<EditorKind> kind = EditorKindForCode(kind_code_);
    if (!kind)
        return kOpenUnsupportedKind;
    kind_ = *kind;
    if (!line_.StoredField(field::kLock).empty())
        return kMessageRecordLocked;

    if (kind_ == EditorKind::kPhone) {
        party_name_ = line_.DisplayField(field::kTextA);
        phone_number_ = line_.DisplayField(field::kSubject);
    } else {
        subject_ = line_.DisplayField(field::kSubject);
    }
    if (kind_ == EditorKind::kDiary) {
        diary_date_ = ParseDiaryDate(line_.StoredField(field::kTextA));
        diary_time_ = ParseDiaryTime(line_.StoredField(field::kTextB));
        const std::string_view reminder = line_.StoredField(field::kKindNumber);
        auto_reminder_ = reminder == "1" || reminder == "2";
        nag_me_ = reminder == "2";
    }

    recordstore::RecordIndex index((store_.working_folder() / recordstore::kIndexName).string());
    recordstore::IndexRecord entry;
    if (index.Get(record_number_, &entry).ok())
        keywords_ = recordstore::DisplayText(entry.keywords);
    return 0;
}

void RecordEditSession::FindStoredPicture() {
    const recordstore::DataStore container(ContainerPath().string());
    const std::string working = store_.working_folder().string();
    for (PictureType type : {PictureType::kGif, PictureType::kJpg}) {
        const std::string member = PictureMember(type);
        if (container.FindMember(member) == recordstore::MemberLookup::kPresent &&
            container.ExtractMember(member, working)) {
            stored_picture_type_ = picture_type_ = type;
            return;
        }
    }
}

std::string RecordEditSession::KivoId() const {
    char text[16];
    std::snprintf(text, sizeof text, "%08d", record_number_);
    return text;
}

std::string RecordEditSession::StartText() const {
    return Joined(line_.DisplayField(field::kStartDate), line_.DisplayField(field::kStartTime));
}

std::string RecordEditSession::EndText() const {
    return Joined(line_.DisplayField(field::kEndDate), line_.DisplayField(field::kEndTime));
}

std::string RecordEditSession::DurationText() const {
    return line_.DisplayField(field::kDuration);
}

std::string RecordEditSession::CostText() const {
    if (kind_ == EditorKind::kPhone)
        return line_.DisplayField(field::kTextB);
    if (kind_ == EditorKind::kMeeting)
        return line_.DisplayField(field::kTextA);
    return {};
}

fs::path RecordEditSession::PictureToShow() const {
    if (picture_type_ == PictureType::kNone)
        return {};
    if (!chosen_picture_.empty())
        return chosen_picture_;
    return store_.working_folder() / PictureMember(picture_type_);
}

bool RecordEditSession::ChoosePicture(const fs::path& file) {
    std::error_code error;
    if (!open_ || kind_ == EditorKind::kDictation || !fs::is_regular_file(file, error))
        return false;
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    chosen_picture_ = file;
    picture_type_ = extension == ".gif" ? PictureType::kGif : PictureType::kJpg;
    return true;
}

void RecordEditSession::RemovePicture() {
    chosen_picture_.clear();
    picture_type_ = PictureType::kNone;
}

int RecordEditSession::Save() {
    if (!open_)
        return saved_ ? 0 : kMessageMissingFile;
    const int result = SaveFiles();
    DeleteTemporaryFiles();
    open_ = false;
    if (result != 0)
        reporter_.ReportMessage(result, core::kStyleExclamation);
    return result;
}

int RecordEditSession::SaveFiles() {
    const recordstore::RecordLineBuild built =
        recordstore::RecordLine::BuildRewrite(EditedFields());
    recordstore::RecordLine rewritten;
    if (!built.status.ok() || !recordstore::RecordLine::Parse(built.bytes, &rewritten).ok())
        return kMessageCannotSave;
    core::RecordChange change;
    change.container_name = container_name_;
    change.line = rewritten;
    if (const int picture = AddPictureChange(&change); picture != 0)
        return picture;
    change.index_entry = IndexEntry(rewritten);

    const core::RecordUpdateResult updated = updater_->Update(change);
    if (!updated.stored())
        return kMessageCannotSave;
    saved_ = true;
    line_ = rewritten;
    return updated.ok() ? 0 : kMessageIndexFailed;
}

recordstore::RecordFields RecordEditSession::EditedFields() const {
    recordstore::RecordFields fields = line_.Fields();
    if (kind_ == EditorKind::kPhone) {
        fields.text_a = party_name_;
        fields.subject = phone_number_;
    } else {
        fields.subject = subject_;
    }
    if (kind_ == EditorKind::kDiary) {
        char text[32];
        if (diary_date_) {
            std::snprintf(text, sizeof text, "%d/%d/%d", diary_date_->day, diary_date_->month,
                          diary_date_->year);
            fields.text_a = text;
        }
        if (diary_time_) {
            std::snprintf(text, sizeof text, "%02d:%02d", diary_time_->hour, diary_time_->minute);
            fields.text_b = text;
        }
        fields.kind_number = std::to_string(ReminderSetting(auto_reminder_, nag_me_));
    }
    fields.container_name = container_name_;
    return fields;
}

int RecordEditSession::AddPictureChange(core::RecordChange* change) const {
    if (kind_ == EditorKind::kDictation)
        return 0;
    // The old picture leaves the container when it is removed or replaced
    // by one of the other type; one of the same type is superseded.
    if (stored_picture_type_ != PictureType::kNone && picture_type_ != stored_picture_type_)
        change->removed_members.push_back(PictureMember(stored_picture_type_));
    if (picture_type_ == PictureType::kNone || chosen_picture_.empty())
        return 0;
    const fs::path copy = store_.working_folder() / PictureMember(picture_type_);
    std::error_code error;
    if (!fs::copy_file(chosen_picture_, copy, fs::copy_options::overwrite_existing, error))
        return kMessageMissingFile;
    change->changed_members.push_back(copy.filename().string());
    return 0;
}

recordstore::IndexRecord RecordEditSession::IndexEntry(const recordstore::RecordLine& line) const {
    recordstore::IndexRecord entry;
    entry.record_number = record_number_;
    entry.kind_code = kind_code_;
    entry.start_date = std::string(line.StoredField(field::kStartDate));
    const std::string keywords = recordstore::FlattenLines(keywords_);
    entry.keywords = std::string(recordstore::CutAtCharBoundary(keywords, kKeywordsMaxBytes));
    // The entry is replaced whole: the marks' comments are passed again so
    // that they stay searchable.
    entry.mark_comments = MarkComments();
    return entry;
}

std::string RecordEditSession::MarkComments() const {
    recordstore::IndexMarkRead read;
    if (!recordstore::ReadIndexMarkFile(WorkingPath(recordstore::kIndexMarksExtension).string(),
                                        &read)
             .ok())
        return " ";
    return recordstore::JoinMarkComments(read.marks);
}

CloseOutcome RecordEditSession::Cancel() {
    return Close();
}

CloseOutcome RecordEditSession::Close() {
    if (!open_)
        return saved_ ? CloseOutcome::kSaved : CloseOutcome::kDiscarded;
    // An open session has not been saved: Save closes it.
    if (reporter_.ReportMessage(kMessageUnsavedChanges, core::kStyleQuestion) == core::kAnswerYes)
        return Save() == 0 ? CloseOutcome::kSaved : CloseOutcome::kSaveFailed;
    DeleteTemporaryFiles();
    open_ = false;
    return CloseOutcome::kDiscarded;
}

void RecordEditSession::DeleteTemporaryFiles() {
    if (stem_.empty())
        return;
    std::error_code error;
    for (std::string_view extension : kRecordFileExtensions)
        fs::remove(WorkingPath(extension), error);
}

}  // namespace kivo::records

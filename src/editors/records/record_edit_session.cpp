// The record edit dialogs' logic: open, edit the descriptive fields, save.
#include "kivo/records/record_edit_session.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "kivo/core/record_replace.h"
#include "kivo/core/user_messages.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/text_encoding.h"
#include "xrsave.h"
#include "zn2index.h"

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
};

// A container name that can only name a file of its own in the working
// folder: "D" + stamp + ".xrz", with no folder part, no control byte and
// no dot other than the extension's.
bool IsUsableContainerName(std::string_view name) {
    const std::string_view extension = recordstore::kAudioContainerExtension;
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
    }
    return "";
}

int ReminderSetting(bool auto_reminder, bool nag_me) {
    if (!auto_reminder)
        return 0;
    return nag_me ? 2 : 1;
}

RecordEditSession::RecordEditSession(RecordEditTarget target, core::MessageReporter& reporter)
    : target_(std::move(target)), reporter_(reporter) {}

RecordEditSession::~RecordEditSession() {
    if (!stem_.empty())
        DeleteTemporaryFiles();
}

fs::path RecordEditSession::WorkingPath(std::string_view extension) const {
    return target_.working_folder / (stem_ + std::string(extension));
}

fs::path RecordEditSession::ContainerPath() const {
    return target_.working_folder / container_name_;
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

    // The dialogs never play the recording, so it stays in its stored form
    // and goes back into the container exactly as it came out.
    const int opened = XRopenXRZ(container_name_.c_str(), target_.working_folder.c_str(),
                                 target_.store_path.c_str(), XR_OPEN_UNDECODED);
    if (opened > 0)
        return Fail(opened);
    if (opened != 0)
        return Fail(kMessageMissingFile);
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

    const std::string index_path = (target_.working_folder / recordstore::kIndexName).string();
    char keywords[ZN2INDEX_KEYWORDS_BUFFER_BYTES] = {};
    if (Zn2IndexRead(record_number_, index_path.c_str(), keywords) != 0)
        keywords_ = recordstore::DisplayText(keywords);
    return 0;
}

void RecordEditSession::FindStoredPicture() {
    const std::string container = ContainerPath().string();
    const std::string working = target_.working_folder.string();
    for (PictureType type : {PictureType::kGif, PictureType::kJpg}) {
        const std::string member = PictureMember(type);
        if (CheckForFile(container.c_str(), member.c_str()) == XR_OK &&
            ExtractFile(container.c_str(), working.c_str(), member.c_str()) == XR_OK) {
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
    return target_.working_folder / PictureMember(picture_type_);
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

    const fs::path line_path = WorkingPath(recordstore::kRecordLineExtension);
    const recordstore::RecordLineBuild built = recordstore::RecordLine::BuildRewrite(fields);
    recordstore::RecordLine rewritten;
    if (!built.status.ok() || !recordstore::RecordLine::Parse(built.bytes, &rewritten).ok())
        return kMessageCannotSave;
    if (!rewritten.WriteFile(line_path.string()).ok())
        return kMessageMissingFile;

    int container_type = XR_PICTURE_NONE;
    if (const int picture = SavePicture(&container_type); picture != 0)
        return picture;
    const std::string working = target_.working_folder.string();
    const std::string store = target_.store_path.string();
    if (XRsaveXRZ(container_name_.c_str(), working.c_str(), store.c_str(), container_type) != 0)
        return kMessageCannotSave;

    const char* log_name = recordstore::RecordLogNameForKind(kind_code_);
    const core::RecordReplaceResult replaced =
        core::ReplaceRecordLine({line_path, record_number_, target_.working_folder / log_name,
                                 target_.store_path, target_.working_folder});
    if (!replaced.ok())
        return kMessageCannotSave;
    saved_ = true;

    const std::string index_path = (target_.working_folder / recordstore::kIndexName).string();
    std::string keywords = recordstore::FlattenLines(keywords_);
    keywords = std::string(recordstore::CutAtCharBoundary(keywords, kKeywordsMaxBytes));
    const std::string start_date(rewritten.StoredField(field::kStartDate));
    const std::string mark_comments = MarkComments();
    Zn2IndexEntry entry{};
    entry.index_path = index_path.c_str();
    entry.store_path = store.c_str();
    entry.working_folder = working.c_str();
    entry.record_number = record_number_;
    entry.kind_code = kind_code_.c_str();
    entry.start_date = start_date.c_str();
    entry.keywords = keywords.c_str();
    // The entry is replaced whole: the marks' comments are passed again so
    // that they stay searchable.
    entry.mark_comments = mark_comments.c_str();
    entry.line_position = static_cast<std::int64_t>(replaced.offset_bytes);
    entry.moved = 0;
    if (Zn2IndexUpd(&entry) == 0)
        return kMessageIndexFailed;
    line_ = rewritten;
    return 0;
}

int RecordEditSession::SavePicture(int* container_type) {
    *container_type = XR_PICTURE_NONE;
    if (kind_ == EditorKind::kDictation)
        return 0;
    const std::string container = ContainerPath().string();
    // The old picture leaves the container when it is removed or replaced
    // by one of the other type; one of the same type is superseded.
    if (stored_picture_type_ != PictureType::kNone && picture_type_ != stored_picture_type_) {
        if (DelFile(container.c_str(), PictureMember(stored_picture_type_).c_str()) != XR_OK)
            return kMessageCannotSave;
    }
    if (picture_type_ == PictureType::kNone)
        return 0;
    const fs::path copy = target_.working_folder / PictureMember(picture_type_);
    std::error_code error;
    if (!chosen_picture_.empty() &&
        !fs::copy_file(chosen_picture_, copy, fs::copy_options::overwrite_existing, error))
        return kMessageMissingFile;
    if (!fs::exists(copy, error))
        return kMessageMissingFile;
    *container_type = static_cast<int>(picture_type_) + 1;
    return 0;
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

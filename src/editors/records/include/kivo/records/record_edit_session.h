// RecordEditSession: everything the record edit dialogs ("Dictation Editor",
// "Phone Editor", "Meeting Editor", "Diary Editor", "Video Editor") do,
// without widgets.
//
// Open extracts the record's container from the data store into the working
// folder, reads the record line and the keywords, and refuses a locked
// record. The caller changes the editable fields of the record's kind (and,
// except for dictations, its picture); Save hands the new record line, the
// picture change and the index entry to RecordUpdater, which puts them into
// the container, the kind's record log, the index and the data store. The
// recording itself is never touched: the media stays in the container as
// it was.
//
// Messages go through the MessageReporter by code: 2 (close without saving),
// 6 (locked), 108, 109, 110, 113 and the container's own code. Every file
// the session makes in the working folder is deleted on every way out
// (saved, save failed, refused, discarded, destroyed).
//
// Plain C++ without Qt.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "kivo/core/record_update.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_picture.h"

namespace kivo::core {
class DataStoreSession;
class MessageReporter;
}  // namespace kivo::core

namespace kivo::records {

// The five dialogs.
enum class EditorKind { kDictation, kPhone, kMeeting, kDiary, kVideo };

// The dialog for a kind code: "0", "5" and translations ("11" to "16") the
// Dictation Editor, "2" and "3" the Phone Editor, "1" the Meeting Editor,
// "4" the Diary Editor, "9" the Video Editor (subject, keywords and a
// picture, like the Meeting Editor); nothing for unknown codes.
std::optional<EditorKind> EditorKindForCode(std::string_view kind_code);
// "Dictation Editor", "Phone Editor", "Meeting Editor", "Diary Editor",
// "Video Editor".
const char* EditorTitle(EditorKind kind);
// The help page of each dialog.
const char* EditorHelpTopic(EditorKind kind);

// Message codes the session reports.
inline constexpr int kMessageUnsavedChanges = 2;
inline constexpr int kMessageRecordLocked = 6;
inline constexpr int kMessageMissingFile = 108;
inline constexpr int kMessageCannotSave = 109;
inline constexpr int kMessageIndexFailed = 110;
inline constexpr int kMessageCorruptRecord = 113;
// Open's result for a record of a kind no dialog edits (not a message code).
inline constexpr int kOpenUnsupportedKind = -1;
inline constexpr const char* kUnsupportedKindText =
    "Records of this kind cannot be edited in this version.";

// Limits of the editable texts (bytes).
inline constexpr std::size_t kKeywordsMaxBytes = 4999;

// Picture of a record: none, a GIF (stem + ".GIF") or a JPEG (stem + ".JPG").
using recordstore::PictureType;

// A diary entry's day.
struct DiaryDate {
    int day = 1;
    int month = 1;
    int year = 2000;
    bool operator==(const DiaryDate&) const = default;
};

// A diary entry's time of day.
struct DiaryTime {
    int hour = 0;
    int minute = 0;
    bool operator==(const DiaryTime&) const = default;
};

// Reminder setting (field 13): 0 off; 1 "Auto Reminder"; 2 "Auto Reminder"
// with "Nag Me". "Nag Me" alone is off.
int ReminderSetting(bool auto_reminder, bool nag_me);

enum class CloseOutcome { kSaved, kDiscarded, kSaveFailed };

class RecordEditSession {
public:
    // store: the open data store; the record is saved only into the store
    // that was open when Open ran (RecordUpdater).
    RecordEditSession(core::DataStoreSession& store, core::MessageReporter& reporter);
    ~RecordEditSession();
    RecordEditSession(const RecordEditSession&) = delete;
    RecordEditSession& operator=(const RecordEditSession&) = delete;

    // Opens the record of a container ("D" + stamp + ".xrz", or ".xrv" for a
    // video record). 0, or the
    // message code already reported (108, 113, 6, the container's code), or
    // kOpenUnsupportedKind (reported as kUnsupportedKindText). On failure
    // nothing is left in the working folder and the session cannot be used.
    int Open(const std::string& container_name);
    bool is_open() const { return open_; }

    EditorKind kind() const { return kind_; }
    const std::string& kind_code() const { return kind_code_; }
    std::int32_t record_number() const { return record_number_; }
    const std::string& container_name() const { return container_name_; }

    // Read-only texts: "Kivo ID" ("%08d"), "Start Time" and "End Time" (date
    // and time joined by a space), "Duration"; "Phone Cost" (field 4) and
    // "Meeting Cost" (field 3).
    std::string KivoId() const;
    std::string StartText() const;
    std::string EndText() const;
    std::string DurationText() const;
    std::string CostText() const;

    // Editable texts, plain (spaces as spaces). Subject: dictation, meeting
    // and diary; name and phone number: phone calls.
    const std::string& subject() const { return subject_; }
    void set_subject(std::string subject) { subject_ = std::move(subject); }
    const std::string& party_name() const { return party_name_; }
    void set_party_name(std::string name) { party_name_ = std::move(name); }
    const std::string& phone_number() const { return phone_number_; }
    void set_phone_number(std::string number) { phone_number_ = std::move(number); }
    const std::string& keywords() const { return keywords_; }
    void set_keywords(std::string keywords) { keywords_ = std::move(keywords); }

    // Diary entries. The stored day and time when they could be read; a
    // value set here replaces the stored text on saving.
    std::optional<DiaryDate> diary_date() const { return diary_date_; }
    void set_diary_date(DiaryDate date) { diary_date_ = date; }
    std::optional<DiaryTime> diary_time() const { return diary_time_; }
    void set_diary_time(DiaryTime time) { diary_time_ = time; }
    bool auto_reminder() const { return auto_reminder_; }
    bool nag_me() const { return nag_me_; }
    void set_reminder(bool auto_reminder, bool nag_me) {
        auto_reminder_ = auto_reminder;
        nag_me_ = nag_me;
    }

    // Pictures (not for dictations). The file to show: the chosen one, else
    // the stored one extracted into the working folder; empty for none.
    bool has_picture() const { return picture_type_ != PictureType::kNone; }
    PictureType picture_type() const { return picture_type_; }
    PictureType stored_picture_type() const { return stored_picture_type_; }
    std::filesystem::path PictureToShow() const;
    // Attaches a GIF ("*.gif") or JPEG (any other name) file, copied into the
    // record on saving. False when the dialog has no picture or the file
    // does not exist.
    bool ChoosePicture(const std::filesystem::path& file);
    // Asks for the picture to be removed on saving.
    void RemovePicture();

    // Saves the record. 0, or the message code reported (108, 109, 110;
    // 109 too when the open data store is no longer the one the record was
    // opened from, and then nothing is written).
    // The temporary files are deleted whatever the result; afterwards the
    // session is closed.
    int Save();
    // CANCEL: the changes count as unsaved, then as Close.
    CloseOutcome Cancel();
    // The user closes: unless saved, asks message 2; Yes saves, No discards.
    CloseOutcome Close();
    bool saved() const { return saved_; }

private:
    std::filesystem::path WorkingPath(std::string_view extension) const;
    std::filesystem::path ContainerPath() const;
    std::string PictureMember(PictureType type) const;
    int Fail(int code);
    int ReadRecord();
    void FindStoredPicture();
    int SaveFiles();
    recordstore::RecordFields EditedFields() const;
    int AddPictureChange(core::RecordChange* change) const;
    recordstore::IndexRecord IndexEntry(const recordstore::RecordLine& line) const;
    std::string MarkComments() const;
    void DeleteTemporaryFiles();

    core::DataStoreSession& store_;
    core::MessageReporter& reporter_;
    std::optional<core::RecordUpdater> updater_;  // bound when the record is opened
    bool open_ = false;
    bool saved_ = false;

    std::string container_name_;
    std::string stem_;
    recordstore::RecordLine line_;
    EditorKind kind_ = EditorKind::kDictation;
    std::string kind_code_;
    std::int32_t record_number_ = 0;

    std::string subject_;
    std::string party_name_;
    std::string phone_number_;
    std::string keywords_;
    std::optional<DiaryDate> diary_date_;
    std::optional<DiaryTime> diary_time_;
    bool auto_reminder_ = false;
    bool nag_me_ = false;

    PictureType stored_picture_type_ = PictureType::kNone;
    PictureType picture_type_ = PictureType::kNone;
    std::filesystem::path chosen_picture_;  // empty: the stored one, if any
};

}  // namespace kivo::records

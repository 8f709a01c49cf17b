// Record lists: how each kind of record is listed in the main window, read
// from its record log by SearchLog, post-processed and sorted. Everything the
// list view shows (columns and widths, banner, status texts, row images and
// colours) is data here, so the window, the search dialog and kivoctl show
// the same rows.
//
// Column layouts (zero-width columns are hidden but hold data):
//   dictation, meeting, diary, translation, video (7 columns):
//     "ID" 100, "Subject" 280, "Date" 80, "Time" 65, "Duration" 70,
//     recording file 0, status number 0   (diary: "Diary Date", "Diary Time")
//   phone (8 columns):
//     "ID" 80, "Phone Number" 120, "Name" 180, "Date" 80, "Time" 65,
//     "Duration" 70, recording file 1, status number 1
// The rules by which SearchLog picks lines and fills rows are written down in
// docs/decisions/shell.md.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/recordstore/record_log.h"

namespace kivo::core {

// The view kind of the main window: which kind of record is listed.
enum class ViewKind : int {
    kNone = 0,
    kDictation = 1,
    kMeeting = 2,
    kPhone = 3,
    kDiary = 4,
    kTranslation = 5,
    kVideo = 6,
};

struct ListColumn {
    const char* title;
    int width_px;  // 0: hidden
};

// What a column holds, independent of its position.
enum class ColumnRole {
    kId,
    kSubject,
    kPhoneNumber,
    kName,
    kDate,
    kTime,
    kDuration,
    kRecordingFile,
    kStatus,
};

struct ListKindInfo {
    ViewKind view;
    const char* name;              // "dictation", as kivoctl takes it
    const char* banner;            // "Dictation             "
    const char* log_member;        // "Voxwren.xrr"
    int search_kind;               // 1, 2, 3, 4, 5 or 9
    const char* searching_status;  // "Searching messages..."
    const char* found_prefix;      // "Total dictations found = "
    std::span<const ListColumn> columns;
    std::span<const ColumnRole> roles;
};

const ListKindInfo& ListKind(ViewKind view);  // view must not be kNone
// The six list kinds in the order of the record-kind icons: Dictation, Video,
// Meeting, Translate, Phone, Diary.
std::span<const ViewKind> KindIconOrder();
std::optional<ViewKind> ViewKindFromName(std::string_view name);

// Column of a role in a kind's layout; -1 when the kind has no such column.
int ColumnOf(ViewKind view, ColumnRole role);

// Row images: positions in the record list's 16 by 16 image list.
enum RecordImage : int {
    kImageMessage = 0,      // dictation or message recorded here
    kImageWaveMessage = 1,  // message made from a wave file or imported
    kImageMeeting = 2,
    kImagePhoneAnswered = 3,  // call taken by the answering machine, heard
    kImagePhoneRecorded = 4,  // call recorded by the user
    kImageDiary = 5,
    kImageLocked = 6,
    kImageNewMessage = 7,  // answering machine message not yet heard
    kImageSortAscending = 8,
    kImageSortDescending = 9,
    kImageTranslation = 10,
    kImageDiaryReminder = 11,
    kImageVideo = 17,
};
inline constexpr int kRecordImageCount = 18;

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Text colour of a row by its status number: 0 blue, 1 black, 2 green,
// 3 purple, anything else blue.
Rgb StatusColour(int status);
inline constexpr Rgb kRecordListTextColour{200, 20, 10};
inline constexpr Rgb kKindListBackground{122, 153, 215};

// Status numbers written by SearchLog.
enum RowStatus : int {
    kStatusNormal = 0,     // blue
    kStatusLocked = 1,     // black: the record is locked
    kStatusAttention = 2,  // green: a new answering-machine message, or a
                           // diary entry with its reminder on
    kStatusImported = 3,   // purple: made from a wave file or by import
};

// One row of a record list.
struct RecordRow {
    std::vector<std::string> columns;  // the kind's columns, as shown
    int image = kImageMessage;
    std::string date_key;          // the date as "dd/MM/yyyy" (post-processing)
    std::int32_t date_order = 0;   // the same date as yyyymmdd, for sorting
    std::uint64_t log_offset = 0;  // byte position of the record line in its log

    int status() const;  // the status column as a number
};

// Reads the record log 401 bytes at a time and returns one row per record
// line of the search kind (1 dictations and messages, 2 meetings, 3 phone
// calls, 4 diary entries, 5 translations, 9 video). Unreadable logs give no
// rows; malformed lines are passed over (and counted in *scan when given).
std::vector<RecordRow> SearchLog(const std::filesystem::path& log_path, int search_kind,
                                 recordstore::RecordLogScan* scan = nullptr);

// "dd/MM/yyyy" for a date text written day/month/year (one or two digit day
// and month, two or four digit year, '/', '.' or '-' between); a text that
// cannot be read gives "00/00/0000", which sorts first.
std::string NormaliseDateText(std::string_view date_text);

// Fills each row's date key from its date column.
void PostProcessRows(std::vector<RecordRow>& rows, ViewKind view);

// Compares two rows by one column in ascending order: -1, 0 or 1. Text
// columns ignore case; dates compare in calendar order; durations by length.
// Hidden columns compare equal (the order is kept).
int CompareRows(const RecordRow& a, const RecordRow& b, ViewKind view, int column);

// Stable sort by one column.
void SortRows(std::vector<RecordRow>& rows, ViewKind view, int column, bool descending);

// The record list of the main window without the widget: the listed kind,
// its rows, and the sort state that lasts for the whole run.
class RecordList {
public:
    // Lists a kind from its record log in the working folder: searches,
    // post-processes, sorts. Returns the number of rows.
    int List(ViewKind view, const std::filesystem::path& working_folder);
    // Shows rows found elsewhere (the search dialog) as a listing of view.
    void Show(ViewKind view, std::vector<RecordRow> rows);

    ViewKind view() const { return view_; }
    const std::vector<RecordRow>& rows() const { return rows_; }
    int sort_column() const { return sort_column_; }
    bool descending() const { return descending_; }

    // A header click: another column sorts ascending by it; the sort column
    // toggles its direction. Then the rows are sorted.
    void ClickHeader(int column);
    // Sets the sort state directly (kivoctl) and sorts.
    void SetSort(int column, bool descending);

    // "Total dictations found = 12"; for phone calls followed by
    // " : You have 2 new messages." when there are new messages.
    std::string StatusText() const;
    // Rows whose image is the new-message image.
    int NewMessageCount() const;
    // What of the listed log could not be read, naming the log and its first
    // damaged line ("Voxwren.xrr: 2 damaged lines not listed, the first is
    // line 3"; the header is line 1); empty when every line was read. A
    // partial last line counts as one. StatusText ends with it.
    const std::string& DamageText() const { return damage_text_; }

private:
    void SwitchView(ViewKind view);

    ViewKind view_ = ViewKind::kNone;
    std::vector<RecordRow> rows_;
    std::string damage_text_;
    int sort_column_ = 0;
    bool descending_ = false;
};

}  // namespace kivo::core

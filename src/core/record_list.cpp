// Record lists: SearchLog, post-processing, sorting and the list state.
#include "kivo/core/record_list.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "qldate.h"

namespace kivo::core {
namespace {

using R = ColumnRole;

constexpr ListColumn kCommonColumns[] = {
    {"ID", 100}, {"Subject", 280}, {"Date", 80}, {"Time", 65}, {"Duration", 70}, {"", 0}, {"", 0},
};
constexpr ListColumn kDiaryColumns[] = {
    {"ID", 100}, {"Subject", 280}, {"Diary Date", 80}, {"Diary Time", 65}, {"Duration", 70},
    {"", 0},     {"", 0},
};
constexpr ListColumn kPhoneColumns[] = {
    {"ID", 80},   {"Phone Number", 120}, {"Name", 180}, {"Date", 80},
    {"Time", 65}, {"Duration", 70},      {"", 1},       {"", 1},
};
constexpr ColumnRole kCommonRoles[] = {R::kId,       R::kSubject,       R::kDate,  R::kTime,
                                       R::kDuration, R::kRecordingFile, R::kStatus};
constexpr ColumnRole kPhoneRoles[] = {R::kId,   R::kPhoneNumber, R::kName,          R::kDate,
                                      R::kTime, R::kDuration,    R::kRecordingFile, R::kStatus};

const ListKindInfo kKinds[] = {
    {ViewKind::kDictation, "dictation", "Dictation             ",
     recordstore::kMessageLogName.data(), 1, "Searching messages...",
     "Total dictations found = ", kCommonColumns, kCommonRoles},
    {ViewKind::kMeeting, "meeting", "Meeting             ", recordstore::kMeetingLogName.data(), 2,
     "Meeting List : 0 items returned", "Total meetings found = ", kCommonColumns, kCommonRoles},
    {ViewKind::kPhone, "phone", "Phone                      ", recordstore::kPhoneLogName.data(), 3,
     "Phone Call List : 0 items returned", "Total phone calls found = ", kPhoneColumns,
     kPhoneRoles},
    {ViewKind::kDiary, "diary", "Diary                        ", recordstore::kDiaryLogName.data(),
     4, "Searching diary...", "Total diary entries found = ", kDiaryColumns, kCommonRoles},
    {ViewKind::kTranslation, "translation", "Translation             ",
     recordstore::kMessageLogName.data(), 5, "Searching messages...",
     "Total translations found = ", kCommonColumns, kCommonRoles},
    {ViewKind::kVideo, "video", "Video             ", recordstore::kMessageLogName.data(), 9,
     "Searching messages...", "Total videos found = ", kCommonColumns, kCommonRoles},
};

constexpr ViewKind kIconOrder[] = {ViewKind::kDictation,   ViewKind::kVideo, ViewKind::kMeeting,
                                   ViewKind::kTranslation, ViewKind::kPhone, ViewKind::kDiary};

using recordstore::RecordLine;
namespace field = recordstore::record_field;

constexpr std::string_view kImportMark = "\xAC\xAC";
constexpr std::string_view kNewMessageMark = "7";

bool KindMatches(int search_kind, std::string_view kind) {
    switch (search_kind) {
        case 1:
            return kind == "0" || kind == "5";
        case 2:
            return kind == "1";
        case 3:
            return kind == "2" || kind == "3";
        case 4:
            return kind == "4";
        case 5:
            return kind.size() == 2 && kind[0] == '1' && kind[1] >= '1' && kind[1] <= '6';
        case 9:
            return kind == "9";
        default:
            return false;
    }
}

int ImageOf(std::string_view kind, const RecordLine::StoredFieldViews& fields) {
    const std::string_view mark = fields[field::kKindNumber];
    if (kind == "0")
        return kImageMessage;
    if (kind == "5")
        return kImageWaveMessage;
    if (kind == "1")
        return kImageMeeting;
    if (kind == "2")
        return mark == kNewMessageMark ? kImageNewMessage : kImagePhoneAnswered;
    if (kind == "3")
        return kImagePhoneRecorded;
    if (kind == "4")
        return (mark == "1" || mark == "2") ? kImageDiaryReminder : kImageDiary;
    if (kind == "9")
        return kImageVideo;
    return kImageTranslation;
}

int StatusOf(std::string_view kind, int image, const RecordLine::StoredFieldViews& fields) {
    if (!fields[field::kLock].empty())
        return kStatusLocked;
    if (image == kImageNewMessage || image == kImageDiaryReminder)
        return kStatusAttention;
    if (kind == "5" || fields[field::kTextA] == kImportMark)
        return kStatusImported;
    return kStatusNormal;
}

// The row of one record line; its fields are found once, in one pass.
RecordRow MakeRow(ViewKind view, std::string_view kind, const RecordLine& line,
                  std::uint64_t offset) {
    const RecordLine::StoredFieldViews fields = line.StoredFields();
    const auto shown = [&fields](int n) { return RecordLine::DisplayOf(fields[n]); };
    RecordRow row;
    row.log_offset = offset;
    row.image = ImageOf(kind, fields);
    const int status = StatusOf(kind, row.image, fields);
    // The columns between the ID and the duration, by view; then the hidden
    // file and status.
    static constexpr int kPhoneFields[] = {field::kSubject, field::kTextA, field::kStartDate,
                                           field::kStartTime};
    static constexpr int kDiaryFields[] = {field::kSubject, field::kTextA, field::kTextB};
    static constexpr int kOtherFields[] = {field::kSubject, field::kStartDate, field::kStartTime};
    const std::span<const int> shown_fields =
        view == ViewKind::kPhone   ? std::span<const int>(kPhoneFields)
        : view == ViewKind::kDiary ? std::span<const int>(kDiaryFields)
                                   : std::span<const int>(kOtherFields);
    row.columns.reserve(shown_fields.size() + 4);
    row.columns.emplace_back(fields[field::kRecordNumber]);
    for (const int n : shown_fields)
        row.columns.push_back(shown(n));
    row.columns.push_back(shown(field::kDuration));
    row.columns.push_back(shown(field::kContainerName));
    row.columns.push_back(std::to_string(status));
    return row;
}

std::optional<ViewKind> ViewOfSearchKind(int search_kind) {
    for (const auto& k : kKinds) {
        if (k.search_kind == search_kind)
            return k.view;
    }
    return std::nullopt;
}

int CompareTextIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

template <typename T>
int Compare3(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

struct ParsedDate {
    int day = 0;
    int month = 0;
    int year = 0;
};

std::optional<ParsedDate> ParseDate(std::string_view text) {
    int parts[3] = {0, 0, 0};
    int widths[3] = {0, 0, 0};
    int part = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (widths[part] >= 4)
                return std::nullopt;
            parts[part] = parts[part] * 10 + (c - '0');
            ++widths[part];
        } else if ((c == '/' || c == '.' || c == '-') && part < 2 && widths[part] > 0) {
            ++part;
        } else {
            return std::nullopt;
        }
    }
    if (part != 2 || widths[2] == 0)
        return std::nullopt;
    ParsedDate date;
    if (widths[0] == 4) {  // year first: yyyy-mm-dd
        date = {parts[2], parts[1], parts[0]};
    } else {
        date = {parts[0], parts[1], parts[2]};
        if (widths[2] <= 2)
            date.year += date.year < 70 ? 2000 : 1900;
        else if (widths[2] != 4)
            return std::nullopt;
    }
    if (widths[1] > 2 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) {
        return std::nullopt;
    }
    return date;
}

}  // namespace

const ListKindInfo& ListKind(ViewKind view) {
    for (const auto& k : kKinds) {
        if (k.view == view)
            return k;
    }
    return kKinds[0];
}

std::span<const ViewKind> KindIconOrder() {
    return kIconOrder;
}

std::optional<ViewKind> ViewKindFromName(std::string_view name) {
    for (const auto& k : kKinds) {
        if (name == k.name)
            return k.view;
    }
    return std::nullopt;
}

int ColumnOf(ViewKind view, ColumnRole role) {
    const auto roles = ListKind(view).roles;
    for (std::size_t i = 0; i < roles.size(); ++i) {
        if (roles[i] == role)
            return static_cast<int>(i);
    }
    return -1;
}

Rgb StatusColour(int status) {
    switch (status) {
        case kStatusLocked:
            return {0, 0, 0};
        case kStatusAttention:
            return {43, 132, 34};
        case kStatusImported:
            return {140, 0, 141};
        default:
            return {10, 20, 200};
    }
}

int RecordRow::status() const {
    if (columns.empty())
        return kStatusNormal;
    const std::string& text = columns.back();
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 1000000)
            return kStatusNormal;
        value = value * 10 + (c - '0');
    }
    return text.empty() ? kStatusNormal : value;
}

namespace {

// The damage a scan met, as RecordList::DamageText words it.
std::string DamageTextOf(std::string_view log_name, const recordstore::RecordLogScan& scan) {
    const std::uint64_t torn = scan.torn_tail_bytes > 0 ? 1 : 0;
    const std::uint64_t damaged = scan.malformed_lines + torn;
    if (damaged == 0)
        return {};
    const std::uint64_t first_offset = scan.malformed_lines > 0
                                           ? scan.first_malformed_offset_bytes
                                           : scan.complete_lines * recordstore::kRecordLineBytes;
    return std::string(log_name) + ": " + std::to_string(damaged) + " damaged line" +
           (damaged == 1 ? "" : "s") + " not listed, the first is line " +
           std::to_string(first_offset / recordstore::kRecordLineBytes + 1);
}

}  // namespace

std::vector<RecordRow> SearchLog(const std::filesystem::path& log_path, int search_kind,
                                 recordstore::RecordLogScan* scan) {
    std::vector<RecordRow> rows;
    auto view = ViewOfSearchKind(search_kind);
    if (!view)
        return rows;
    // Header, erased and malformed lines and a partial last line are passed
    // over; a log that cannot be read lists what was read before.
    recordstore::RecordLog::ForEachRecord(
        log_path.string(),
        [&](const recordstore::RecordLogEntry& entry) {
            const std::string_view kind = entry.line.StoredField(field::kKindCode);
            if (KindMatches(search_kind, kind))
                rows.push_back(MakeRow(*view, kind, entry.line, entry.offset_bytes));
            return true;
        },
        scan);
    return rows;
}

std::string NormaliseDateText(std::string_view date_text) {
    auto date = ParseDate(date_text);
    if (!date)
        return "00/00/0000";
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", date->day, date->month, date->year);
    return text;
}

void PostProcessRows(std::vector<RecordRow>& rows, ViewKind view) {
    const int date_column = ColumnOf(view, ColumnRole::kDate);
    for (RecordRow& row : rows) {
        if (date_column < 0 || static_cast<std::size_t>(date_column) >= row.columns.size())
            continue;
        // At most 19 characters of the date are read.
        std::string_view date = row.columns[date_column];
        date = date.substr(0, 19);
        auto parsed = ParseDate(date);
        row.date_key = NormaliseDateText(date);
        row.date_order = parsed ? parsed->year * 10000 + parsed->month * 100 + parsed->day : 0;
    }
}

namespace {

// CompareRows with the column's role already looked up.
int CompareByRole(const RecordRow& a, const RecordRow& b, ColumnRole role, std::size_t column) {
    if (column >= a.columns.size() || column >= b.columns.size())
        return 0;
    switch (role) {
        case ColumnRole::kDate:
            return Compare3(a.date_order, b.date_order);
        case ColumnRole::kDuration:
            return Compare3(conv_duration(a.columns[column].c_str()),
                            conv_duration(b.columns[column].c_str()));
        case ColumnRole::kRecordingFile:
        case ColumnRole::kStatus:
            return 0;  // hidden: the order is kept
        default:
            return CompareTextIgnoringCase(a.columns[column], b.columns[column]);
    }
}

}  // namespace

int CompareRows(const RecordRow& a, const RecordRow& b, ViewKind view, int column) {
    const auto roles = ListKind(view).roles;
    if (column < 0 || static_cast<std::size_t>(column) >= roles.size())
        return 0;
    return CompareByRole(a, b, roles[column], static_cast<std::size_t>(column));
}

void SortRows(std::vector<RecordRow>& rows, ViewKind view, int column, bool descending) {
    const auto roles = ListKind(view).roles;
    if (column < 0 || static_cast<std::size_t>(column) >= roles.size())
        return;  // every pair compares equal: the order is kept
    const ColumnRole role = roles[column];
    const auto at = static_cast<std::size_t>(column);
    const auto before = [&](const RecordRow& a, const RecordRow& b) {
        const int order = CompareByRole(a, b, role, at);
        return descending ? order > 0 : order < 0;
    };
    // A log lists its records in the order they were made, so the rows often
    // come in ID order already: one pass tells, and the stable sort would not
    // move any of them.
    if (!std::is_sorted(rows.begin(), rows.end(), before))
        std::stable_sort(rows.begin(), rows.end(), before);
}

void RecordList::SwitchView(ViewKind view) {
    const bool was_phone = view_ == ViewKind::kPhone;
    const bool is_phone = view == ViewKind::kPhone;
    if (view_ != ViewKind::kNone && was_phone != is_phone && sort_column_ > 1) {
        sort_column_ += is_phone ? 1 : -1;
    }
    if (sort_column_ < 0 ||
        static_cast<std::size_t>(sort_column_) >= ListKind(view).columns.size()) {
        sort_column_ = 0;
    }
    view_ = view;
}

int RecordList::List(ViewKind view, const std::filesystem::path& working_folder) {
    const ListKindInfo& kind = ListKind(view);
    recordstore::RecordLogScan scan;
    Show(view, SearchLog(working_folder / kind.log_member, kind.search_kind, &scan));
    damage_text_ = DamageTextOf(kind.log_member, scan);
    return static_cast<int>(rows_.size());
}

void RecordList::Show(ViewKind view, std::vector<RecordRow> rows) {
    damage_text_.clear();
    SwitchView(view);
    rows_ = std::move(rows);
    PostProcessRows(rows_, view_);
    SortRows(rows_, view_, sort_column_, descending_);
}

void RecordList::ClickHeader(int column) {
    if (view_ == ViewKind::kNone || column < 0 ||
        static_cast<std::size_t>(column) >= ListKind(view_).columns.size()) {
        return;
    }
    if (column == sort_column_) {
        descending_ = !descending_;
    } else {
        sort_column_ = column;
        descending_ = false;
    }
    SortRows(rows_, view_, sort_column_, descending_);
}

void RecordList::SetSort(int column, bool descending) {
    sort_column_ = column;
    descending_ = descending;
    SortRows(rows_, view_, sort_column_, descending_);
}

std::string RecordList::StatusText() const {
    if (view_ == ViewKind::kNone)
        return {};
    std::string text = ListKind(view_).found_prefix + std::to_string(rows_.size());
    if (view_ == ViewKind::kPhone) {
        if (int fresh = NewMessageCount(); fresh > 0) {
            text += " : You have " + std::to_string(fresh) + " new messages.";
        }
    }
    if (!damage_text_.empty())
        text += " : " + damage_text_;
    return text;
}

int RecordList::NewMessageCount() const {
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const RecordRow& r) {
        return r.image == kImageNewMessage;
    }));
}

}  // namespace kivo::core

// Priming a new recording from the last listed record (see recording_priming.h).
#include "kivo/core/recording_priming.h"

#include <charconv>

#include "kivo/core/profile_file.h"
#include "kivo/core/startup_configuration.h"
#include "kivo/recordstore/record_index.h"

namespace kivo::core {
namespace {

std::string ColumnText(const RecordRow& row, ViewKind view, ColumnRole role) {
    const int column = ColumnOf(view, role);
    if (column < 0 || static_cast<std::size_t>(column) >= row.columns.size())
        return {};
    return row.columns[static_cast<std::size_t>(column)];
}

// The record's keywords, empty when no index is named, the ID is no record
// number or the index has no entry for it.
std::string ReadKeywords(const std::string& id, const std::filesystem::path& index_path) {
    if (index_path.empty())
        return {};
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    if (error != std::errc() || end != id.data() + id.size() || number <= 0)
        return {};
    recordstore::IndexRecord entry;
    if (!recordstore::RecordIndex(index_path.string()).Get(number, &entry).ok())
        return {};
    return entry.keywords;
}

}  // namespace

bool PrimingWanted(ProfileFile& profile, std::string_view section) {
    const std::optional<std::string> value = profile.Find(section, profile_key::kPrime);
    if (!value) {
        profile.Write(section, profile_key::kPrime, "N");
        return false;
    }
    return *value == "Y";
}

std::optional<RecordingPrime> PrimeFromLastRow(const RecordList& list,
                                               const std::filesystem::path& index_path) {
    return PrimeFromRow(list, static_cast<int>(list.rows().size()) - 1, index_path);
}

std::optional<RecordingPrime> PrimeFromRow(const RecordList& list, int row,
                                           const std::filesystem::path& index_path) {
    if (list.view() == ViewKind::kNone || row < 0 ||
        static_cast<std::size_t>(row) >= list.rows().size())
        return std::nullopt;
    const RecordRow& chosen = list.rows()[static_cast<std::size_t>(row)];
    const ViewKind view = list.view();
    RecordingPrime prime;
    prime.id = ColumnText(chosen, view, ColumnRole::kId);
    if (view == ViewKind::kPhone) {
        prime.phone_number = ColumnText(chosen, view, ColumnRole::kPhoneNumber);
        prime.name = ColumnText(chosen, view, ColumnRole::kName);
    } else {
        prime.subject = ColumnText(chosen, view, ColumnRole::kSubject);
    }
    prime.keywords = ReadKeywords(prime.id, index_path);
    return prime;
}

std::optional<RecordingPrime> PrimeNewRecording(ProfileFile& profile, std::string_view section,
                                                const RecordList& list,
                                                const std::filesystem::path& index_path) {
    if (!PrimingWanted(profile, section))
        return std::nullopt;
    return PrimeFromLastRow(list, index_path);
}

}  // namespace kivo::core

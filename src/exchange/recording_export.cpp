// RecordingExport: extraction, keywords and lock of the copies to export.
#include "kivo/exchange/recording_export.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

#include "kivo/core/recording_name.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/store_repository.h"
#include "whole_file.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using recordstore::kRecordLineBytes;
using recordstore::kRecordLineTextBytes;

constexpr int kLockField = 6;
constexpr int kLineWords = 14;
constexpr const char* kLockMark = "X";

bool EndsWithIgnoringCase(const std::string& text, const std::string& end) {
    if (text.size() < end.size())
        return false;
    return std::equal(end.begin(), end.end(), text.end() - static_cast<long>(end.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

std::string Stem(const std::string& file_name) {
    const auto dot = file_name.rfind('.');
    return dot == std::string::npos ? file_name : file_name.substr(0, dot);
}

// The record line member of a copy, taken out into scratch.
struct LineMember {
    std::string name;   // as stored in the copy
    fs::path path;      // in scratch
    std::string bytes;  // the whole member (a meeting's agenda follows the line)
};

enum class LineFetch { kFetched, kNoMember, kUnreadable };

LineFetch FetchLine(const fs::path& copy, const fs::path& scratch, LineMember* line) {
    line->name = ContainerMemberEndingIn(copy, ".xrl");
    if (line->name.empty())
        return LineFetch::kNoMember;
    recordstore::Repository container(filesystem::DefaultFileSystem(), copy.string());
    if (!container.Get(scratch.string(), {line->name}))
        return LineFetch::kUnreadable;
    line->path = scratch / line->name;
    if (!ReadWholeFile(line->path, &line->bytes))
        return LineFetch::kUnreadable;
    return LineFetch::kFetched;
}

// Puts the named files of scratch into the copy and drops the versions they
// replace.
bool PutBack(const fs::path& copy, const fs::path& scratch, const std::vector<std::string>& names) {
    recordstore::Repository container(filesystem::DefaultFileSystem(), copy.string());
    return container.Put(scratch.string(), names) && container.CompressIfNeeded();
}

}  // namespace

std::string LockedRecordLine(const std::string& line_bytes) {
    if (line_bytes.size() < kRecordLineBytes)
        return {};
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::Parse(line_bytes.substr(0, kRecordLineBytes), &line).ok())
        return {};
    std::string text;
    for (int word = 1; word <= kLineWords; ++word) {
        if (word > 1)
            text += ' ';
        text += word == kLockField ? std::string_view(kLockMark) : line.StoredField(word);
    }
    if (text.size() > kRecordLineTextBytes)
        return {};
    text.resize(kRecordLineTextBytes, ' ');
    text += '\n';
    return text;
}

std::string ContainerMemberEndingIn(const fs::path& container, const std::string& extension) {
    recordstore::Repository repository(filesystem::DefaultFileSystem(), container.string());
    for (const recordstore::MemberInfo& member : repository.LiveMembers()) {
        if (EndsWithIgnoringCase(member.name, extension) &&
            member.name.find_first_of("/\\") == std::string::npos && member.name != "..") {
            return member.name;
        }
    }
    return {};
}

RecordingExport::RecordingExport(ExportSource source)
    : source_(std::move(source)),
      staging_(std::make_unique<ExportStaging>(source_.working_folder)) {}

int RecordingExport::Prepare(const std::vector<std::string>& recording_files,
                             const ExportOptions& options) {
    files_.clear();
    if (!staging_->ok()) {
        last_error_ = "no private folder could be made in the working folder";
        return kExportExtractFailed;
    }
    std::vector<std::string> wanted;
    for (const std::string& name : recording_files) {
        PreparedFile file;
        file.recording_file = name;
        file.path = staging_->path() / name;
        if (!core::IsRecordingName(name)) {
            file.code = kExportExtractFailed;
            file.detail = core::QuotedName(name) + " is not a recording name";
        } else if (std::find(wanted.begin(), wanted.end(), name) == wanted.end()) {
            wanted.push_back(name);
        }
        files_.push_back(std::move(file));
    }
    if (!wanted.empty() &&
        !source_.access.Get(source_.store_path.string(), staging_->path().string(), wanted)) {
        // The engine may have given back some of them (a record whose
        // container is missing): those go on, the others fail on their own.
        last_error_ = source_.access.last_error();
        bool any = false;
        for (PreparedFile& file : files_) {
            std::error_code ec;
            if (file.ok() && !fs::is_regular_file(file.path, ec)) {
                file.code = kExportExtractFailed;
                file.detail = last_error_;
            }
            any = any || file.ok();
        }
        if (!any) {
            files_.clear();
            return kExportExtractFailed;
        }
    }
    for (PreparedFile& file : files_) {
        if (!file.ok())
            continue;
        AddKeywords(file);
        if (file.ok() && options.lock)
            Lock(file);
    }
    return kExportOk;
}

void RecordingExport::AddKeywords(PreparedFile& file) {
    const fs::path scratch = staging_->MakeScratch();
    LineMember line;
    if (scratch.empty() || FetchLine(file.path, scratch, &line) != LineFetch::kFetched) {
        file.code = kExportKeywordsFailed;
        file.detail = "the record line could not be read from " + file.recording_file;
        return;
    }
    const std::int32_t number = recordstore::RecordLine::NumberOf(line.bytes);
    std::string keywords;
    if (number > 0) {
        recordstore::RecordIndex index(source_.index_path.string());
        recordstore::IndexRecord entry;
        const recordstore::Status status = index.Get(number, &entry);
        if (status.ok()) {
            keywords = entry.keywords;
        } else if (status.code() != recordstore::Status::Code::kNotFound) {
            file.code = kExportKeywordsFailed;
            file.detail = status.message();
            return;
        }
    }
    const std::string keywords_name = Stem(file.recording_file) + ".xrk";
    if (!WriteWholeFile(scratch / keywords_name, keywords) ||
        !PutBack(file.path, scratch, {keywords_name})) {
        file.code = kExportKeywordsFailed;
        file.detail = "the keywords could not be stored in " + file.recording_file;
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

void RecordingExport::Lock(PreparedFile& file) {
    const fs::path scratch = staging_->MakeScratch();
    LineMember line;
    const LineFetch fetched =
        scratch.empty() ? LineFetch::kUnreadable : FetchLine(file.path, scratch, &line);
    if (fetched != LineFetch::kFetched) {
        file.code = fetched == LineFetch::kNoMember ? kExportLineMissing : kExportLineUnreadable;
        file.detail = "the record line of " + file.recording_file + " could not be taken out";
        return;
    }
    const std::string locked = LockedRecordLine(line.bytes);
    if (locked.empty()) {
        file.code = kExportLineMissing;
        file.detail = "the record line of " + file.recording_file + " is damaged";
        return;
    }
    // What follows the line (a meeting's agenda) stays as it was.
    const std::string rest = line.bytes.substr(kRecordLineBytes);
    if (!WriteWholeFile(line.path, locked + rest) || !PutBack(file.path, scratch, {line.name})) {
        file.code = kExportLineUnreadable;
        file.detail = "the locked record line could not be stored in " + file.recording_file;
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

}  // namespace kivo::exchange

#include "kivo/search/record_line_reader.h"

#include <charconv>

namespace kivo::search {

RecordLineReader::RecordLineReader(filesystem::FileSystem& file_system, std::string working_folder)
    : file_system_(file_system), working_folder_(std::move(working_folder)) {}

RecordLineReader::~RecordLineReader() = default;

filesystem::File* RecordLineReader::LogFile(const char* log_name) {
    auto it = logs_.find(log_name);
    if (it == logs_.end()) {
        filesystem::OpenOptions options;
        options.non_blocking_open = true;  // a FIFO in its place must not hang the search
        auto opened = file_system_.Open(filesystem::JoinPath(working_folder_, log_name), options);
        std::unique_ptr<filesystem::File> file;
        if (opened.ok()) {
            auto info = opened.value->Stat();
            if (info.ok() && info.value.type == filesystem::FileType::kRegular)
                file = std::move(opened.value);
        }
        it = logs_.emplace(log_name, std::move(file)).first;
    }
    return it->second.get();
}

LineLookup RecordLineReader::Read(std::int32_t record_number, std::string_view kind_code,
                                  std::uint64_t position_bytes, recordstore::RecordLine* line) {
    const char* log_name = recordstore::RecordLogNameForKind(kind_code);
    if (log_name == nullptr)
        return LineLookup::kBad;
    filesystem::File* log = LogFile(log_name);
    if (log == nullptr)
        return LineLookup::kLost;
    std::string bytes(recordstore::kRecordLineBytes, '\0');
    auto read = log->ReadAt(position_bytes, bytes.data(), bytes.size());
    if (!read.ok() || read.value != bytes.size())
        return LineLookup::kLost;
    recordstore::RecordLine parsed;
    if (!recordstore::RecordLine::Parse(bytes, &parsed).ok() || !parsed.IsRecord() ||
        parsed.record_number() != record_number) {
        return LineLookup::kLost;
    }
    *line = std::move(parsed);
    return LineLookup::kFound;
}

std::string ReadRecordLine(RecordLineReader& reader, std::string_view record_number_text,
                           std::string_view kind_code, std::uint64_t position_bytes) {
    std::int32_t number = -1;
    const auto* end = record_number_text.data() + record_number_text.size();
    const auto parsed = std::from_chars(record_number_text.data(), end, number);
    if (parsed.ec != std::errc() || parsed.ptr != end || record_number_text.empty())
        number = -1;
    recordstore::RecordLine line;
    switch (reader.Read(number, kind_code, position_bytes, &line)) {
        case LineLookup::kBad:
            return "BAD";
        case LineLookup::kLost:
            return "LOST";
        case LineLookup::kFound:
            break;
    }
    return line.bytes();
}

}  // namespace kivo::search

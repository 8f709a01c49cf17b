#include "kivo/search/record_line_reader.h"

#include <algorithm>
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
    const LineLookup lookup = Judge(record_number, bytes, &parsed);
    if (lookup == LineLookup::kFound)
        *line = std::move(parsed);
    return lookup;
}

LineLookup RecordLineReader::Judge(std::int32_t record_number, std::string_view bytes,
                                   recordstore::RecordLine* line) const {
    if (!recordstore::RecordLine::Parse(bytes, line).ok() || !line->IsRecord() ||
        line->record_number() != record_number) {
        return LineLookup::kLost;
    }
    return LineLookup::kFound;
}

std::size_t RecordLineReader::ReadSpan(filesystem::File& log, std::uint64_t offset,
                                       std::size_t size) {
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(kMaxSpanBytes);
    std::size_t done = 0;
    while (done < size) {
        const auto read = log.ReadAt(offset + done, buffer_.get() + done, size - done);
        if (!read.ok() || read.value == 0)
            break;
        done += read.value;
    }
    return done;
}

void RecordLineReader::ReadMany(std::span<const LineRequest> requests, const LineVisitor& visit) {
    constexpr std::uint64_t kLine = recordstore::kRecordLineBytes;
    // A position so large that its line's end would not fit the offsets
    // cannot be in any file.
    constexpr std::uint64_t kLastPosition = UINT64_MAX - kMaxSpanBytes;
    recordstore::RecordLine line;
    std::vector<const char*> logs(requests.size());
    std::vector<std::size_t> order;
    order.reserve(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        logs[i] = recordstore::RecordLogNameForKind(requests[i].kind_code);
        if (logs[i] == nullptr)
            visit(i, LineLookup::kBad, line);
        else if (requests[i].position_bytes > kLastPosition)
            visit(i, LineLookup::kLost, line);
        else
            order.push_back(i);
    }
    // The requests of each log, by position: an index lists the records
    // mostly in the order of their lines, so most logs need no sorting.
    std::vector<std::string_view> log_names;
    std::vector<std::vector<std::size_t>> by_log;
    for (std::size_t i : order) {
        auto known = std::find(log_names.begin(), log_names.end(), std::string_view(logs[i]));
        if (known == log_names.end()) {
            known = log_names.insert(log_names.end(), logs[i]);
            by_log.emplace_back();
        }
        by_log[static_cast<std::size_t>(known - log_names.begin())].push_back(i);
    }
    const auto by_position = [&](std::size_t a, std::size_t b) {
        return requests[a].position_bytes < requests[b].position_bytes;
    };
    order.clear();
    for (auto& log_requests : by_log) {
        if (!std::is_sorted(log_requests.begin(), log_requests.end(), by_position))
            std::stable_sort(log_requests.begin(), log_requests.end(), by_position);
        order.insert(order.end(), log_requests.begin(), log_requests.end());
    }
    const auto log_name = [&](std::size_t i) { return std::string_view(logs[i]); };

    for (std::size_t first = 0; first < order.size();) {
        // One span: the lines of one log from the first position on, while
        // the next begins near the end of the one before and all fit.
        const std::size_t lead = order[first];
        const std::uint64_t start = requests[lead].position_bytes;
        std::uint64_t end = start + kLine;
        std::size_t last = first + 1;
        while (last < order.size() && log_name(order[last]) == log_name(lead)) {
            const std::uint64_t position = requests[order[last]].position_bytes;
            if (position > end + kMaxGapBytes || position + kLine - start > kMaxSpanBytes)
                break;
            end = std::max(end, position + kLine);
            ++last;
        }
        filesystem::File* log = LogFile(logs[lead]);
        const std::size_t read =
            log == nullptr ? 0 : ReadSpan(*log, start, static_cast<std::size_t>(end - start));
        for (std::size_t k = first; k < last; ++k) {
            const LineRequest& request = requests[order[k]];
            const std::uint64_t offset = request.position_bytes - start;
            LineLookup lookup = LineLookup::kLost;
            if (offset + kLine <= read) {
                lookup = Judge(request.record_number,
                               std::string_view(buffer_.get() + offset, kLine), &line);
            }
            visit(order[k], lookup, line);
        }
        first = last;
    }
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

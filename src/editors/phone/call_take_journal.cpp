// A recorded call's take journal (see call_take_journal.h).
#include "kivo/phone/call_take_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/fd_io.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;

constexpr auto kSyncInterval = std::chrono::seconds(1);
constexpr std::size_t kCopyPieceBytes = 32768;

// Closes the descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Appends bytes to the end of the file; false when not all were written.
bool AppendToFile(const fs::path& path, const std::uint8_t* bytes, std::size_t size_bytes) {
    const FileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW));
    return file.get() >= 0 && wavefile::WriteAll(file.get(), bytes, size_bytes);
}

}  // namespace

std::string CallerSubject(std::string_view number, std::string_view name) {
    std::string subject(number);
    subject += '\n';
    subject += name;
    return subject;
}

std::pair<std::string, std::string> ParseCallerSubject(std::string_view subject) {
    const std::size_t line_end = subject.find('\n');
    if (line_end == std::string_view::npos)
        return {std::string(subject), std::string()};
    return {std::string(subject.substr(0, line_end)), std::string(subject.substr(line_end + 1))};
}

CallTakeJournal::CallTakeJournal(std::unique_ptr<recorder::TakeJournal> journal,
                                 std::uint64_t bytes, Clock clock)
    : journal_(std::move(journal)), journal_bytes_(bytes), clock_(std::move(clock)) {
    last_sync_ = clock_();
}

CallTakeJournal::~CallTakeJournal() = default;

std::unique_ptr<CallTakeJournal> CallTakeJournal::Start(const fs::path& takes_folder,
                                                        const std::string& base_name,
                                                        const std::string& start_log_date,
                                                        std::span<const std::uint8_t> seed,
                                                        Clock clock) {
    if (takes_folder.empty() || !recorder::PrepareTakesFolder(takes_folder))
        return nullptr;
    recorder::TakeInfo info;
    info.format = telephony::CallAudioFormat();
    info.start_log_date = start_log_date;
    info.kind = recorder::RecorderKind::kPhone;
    auto journal = recorder::TakeJournal::Create(takes_folder, base_name, info, seed);
    if (journal == nullptr)
        return nullptr;
    return std::unique_ptr<CallTakeJournal>(
        new CallTakeJournal(std::move(journal), seed.size(), std::move(clock)));
}

void CallTakeJournal::TakeStarted() {
    take_copied_bytes_ = 0;
}

bool CallTakeJournal::Follow(const fs::path& take_file, bool sync_now) {
    const FileDescriptor take(::open(take_file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (take.get() >= 0) {
        std::vector<std::uint8_t> piece(kCopyPieceBytes);
        for (;;) {
            const ssize_t got = ::pread(take.get(), piece.data(), piece.size(),
                                        static_cast<off_t>(take_copied_bytes_));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            const auto size = static_cast<std::size_t>(got);
            if (!AppendToFile(journal_->journal_path(), piece.data(), size)) {
                failed_ = true;
                break;
            }
            take_copied_bytes_ += size;
            journal_bytes_ += size;
        }
    }
    const auto now = clock_();
    if (sync_now || now - last_sync_ >= kSyncInterval) {
        if (!journal_->Sync())
            failed_ = true;
        last_sync_ = now;
    }
    return !failed_;
}

bool CallTakeJournal::WriteDetails(const recorder::TakeDetails& details) {
    return journal_->WriteDetails(details, {});
}

void CallTakeJournal::Remove() {
    journal_->Remove();
}

}  // namespace kivo::phone

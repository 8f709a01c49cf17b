// Finding and recovering left-over takes (see take_recovery.h).
#include "kivo/recorder/take_recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "kivo/core/user_messages.h"
#include "kivo/core/working_folder.h"
#include "kivo/recordstore/clock.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::recorder {
namespace {

namespace fs = std::filesystem;

// A folder or file of this user that is what it says (no link).
bool OwnedEntry(const fs::path& path, bool want_folder, struct stat* out = nullptr) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || st.st_uid != ::geteuid())
        return false;
    if (want_folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))
        return false;
    if (out != nullptr)
        *out = st;
    return true;
}

std::string ReadSmallFile(int fd) {
    std::string text;
    char buffer[512];
    while (text.size() <= kTakeInfoMaxBytes) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

void RemoveTakeFiles(const fs::path& info_path, const fs::path& journal_path) {
    std::error_code error;
    fs::remove(info_path, error);
    fs::remove(journal_path, error);
}

// Looks at one description. True (and *take filled) for a left-over take
// with audio; an abandoned description without audio is removed.
bool ProbeTake(const fs::path& info_path, LeftoverTake* take) {
    const int fd = ::open(info_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat opened {};
    struct stat named {};
    bool found = false;
    // A lock that cannot be had: a recorder holds the take now.
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
        static_cast<std::size_t>(opened.st_size) <= kTakeInfoMaxBytes &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::stat(info_path.c_str(), &named) == 0 &&
        named.st_ino == opened.st_ino && named.st_dev == opened.st_dev) {
        if (const auto info = ParseTakeInfo(ReadSmallFile(fd))) {
            fs::path journal_path = info_path;
            journal_path.replace_extension(std::string(kTakeJournalExtension));
            struct stat journal {};
            const auto align = static_cast<std::uint64_t>(info->format.block_align_bytes());
            const std::uint64_t bytes =
                OwnedEntry(journal_path, false, &journal)
                    ? static_cast<std::uint64_t>(journal.st_size) / align * align
                    : 0;
            if (bytes == 0) {
                RemoveTakeFiles(info_path, journal_path);
            } else {
                *take = LeftoverTake{info_path, journal_path, *info, bytes};
                found = true;
            }
        }
    }
    ::close(fd);
    return found;
}

// The takes of one folder, in name order.
void FindTakesIn(const fs::path& folder, std::vector<LeftoverTake>* takes) {
    std::vector<fs::path> infos;
    std::error_code list_error;
    for (fs::directory_iterator it(folder, list_error), end; !list_error && it != end;
         it.increment(list_error)) {
        if (it->path().extension() == kTakeInfoExtension)
            infos.push_back(it->path());
    }
    std::sort(infos.begin(), infos.end());
    for (const fs::path& info : infos) {
        LeftoverTake take;
        if (ProbeTake(info, &take))
            takes->push_back(std::move(take));
    }
}

// Removes descriptions that a recorder began but never put in place (it
// ended between writing one and naming it). One still being written is
// locked and stays.
void RemoveUnfinishedDescriptions(const fs::path& folder) {
    const std::string suffix = std::string(kTakeInfoExtension) + std::string(kTakeInfoPartSuffix);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->path().filename().string().ends_with(suffix) || !OwnedEntry(it->path(), false))
            continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code remove_error;
            fs::remove(it->path(), remove_error);
        }
        ::close(fd);
    }
}

}  // namespace

std::int64_t LeftoverTake::length_ms() const {
    const auto align = static_cast<std::uint64_t>(std::max(1, info.format.block_align_bytes()));
    return wavefile::FramesToMs(static_cast<std::int64_t>(data_bytes / align), info.format);
}

TakeRecovery::TakeRecovery(fs::path takes_folder, fs::path legacy_temp_root)
    : takes_folder_(std::move(takes_folder)), legacy_temp_root_(std::move(legacy_temp_root)) {}

std::vector<LeftoverTake> TakeRecovery::Find() const {
    std::vector<LeftoverTake> takes;
    if (!takes_folder_.empty() && OwnedEntry(takes_folder_, true)) {
        RemoveUnfinishedDescriptions(takes_folder_);
        FindTakesIn(takes_folder_, &takes);
    }
    if (legacy_temp_root_.empty())
        return takes;

    struct Folder {
        std::int64_t modified_s;
        fs::path path;
    };
    std::vector<Folder> folders;
    std::error_code error;
    for (fs::directory_iterator it(legacy_temp_root_, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        struct stat st {};
        if (name.starts_with(core::kWorkingFolderPrefix) && OwnedEntry(it->path(), true, &st))
            folders.push_back({static_cast<std::int64_t>(st.st_mtime), it->path()});
    }
    std::sort(folders.begin(), folders.end(), [](const Folder& a, const Folder& b) {
        return a.modified_s != b.modified_s ? a.modified_s < b.modified_s : a.path < b.path;
    });

    for (const Folder& folder : folders)
        FindTakesIn(folder.path, &takes);
    return takes;
}

bool TakeRecovery::Recover(const LeftoverTake& take, const fs::path& wave_path) const {
    if (take.data_bytes == 0 || !OwnedEntry(take.journal_path, false))
        return false;
    std::error_code error;
    // A frame torn by the crash is not audio.
    if (fs::file_size(take.journal_path, error) != take.data_bytes) {
        if (error)
            return false;
        fs::resize_file(take.journal_path, take.data_bytes, error);
        if (error)
            return false;
    }
    return wavefile::WriteRecorderWave(wave_path.string(), take.info.format,
                                       take.journal_path.string())
        .ok();
}

void TakeRecovery::Discard(const LeftoverTake& take) {
    RemoveTakeFiles(take.info_path, take.journal_path);
}

std::string RecoveryQuestion(const LeftoverTake& take) {
    const std::string length = recordstore::DurationText(take.length_ms());
    std::string started = take.info.start_log_date.empty()
                              ? std::string()
                              : " (started " + take.info.start_log_date + ")";
    return "A dictation recording" + started + " was interrupted before it was saved; " + length +
           " of it can be recovered. Do you want to recover it as a new dictation? "
           "No deletes it.";
}

int OfferLeftoverTakes(const TakeRecovery& recovery, core::MessageReporter& reporter,
                       const fs::path& working_folder, const OpenRecoveredWave& open) {
    int opened = 0;
    for (const LeftoverTake& take : recovery.Find()) {
        if (reporter.ReportText(RecoveryQuestion(take), core::kStyleQuestion) != core::kAnswerYes) {
            TakeRecovery::Discard(take);
            continue;
        }
        const fs::path wave = working_folder / "recovered.wav";
        std::error_code error;
        if (!recovery.Recover(take, wave)) {
            fs::remove(wave, error);
            reporter.ReportText(
                "The interrupted recording could not be recovered; it is offered again at the "
                "next start.",
                core::kStyleExclamation);
            continue;
        }
        // Once the recorder holds the audio (and its own journal of it),
        // the left-over take has served.
        if (open(wave, [&take] { TakeRecovery::Discard(take); }))
            ++opened;
        fs::remove(wave, error);
    }
    return opened;
}

}  // namespace kivo::recorder

// Finding and recovering left-over takes (see take_recovery.h).
#include "kivo/recorder/take_recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <optional>
#include <system_error>

#include "kivo/core/user_messages.h"
#include "kivo/core/working_folder.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/text_encoding.h"
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

// At most max_bytes + 1 bytes of the file: enough to tell that it is too long.
std::string ReadSmallFile(int fd, std::size_t max_bytes) {
    std::string text;
    char buffer[4096];
    while (text.size() <= max_bytes) {
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
    // The description first: without it the rest is no take.
    for (const fs::path& path :
         {info_path, journal_path, TakePicturePath(info_path, recordstore::PictureType::kGif),
          TakePicturePath(info_path, recordstore::PictureType::kJpg)})
        fs::remove(path, error);
}

// "dd/mm/yyyy HH:MM:SS" of a file time, in local time.
std::string LogDateOf(std::time_t time) {
    struct tm local {};
    if (::localtime_r(&time, &local) == nullptr)
        return {};
    recordstore::LocalDateTime when;
    when.year = local.tm_year + 1900;
    when.month = local.tm_mon + 1;
    when.day = local.tm_mday;
    when.hour = local.tm_hour;
    when.minute = local.tm_min;
    when.second = local.tm_sec;
    return recordstore::FormatDateText(when) + " " + recordstore::FormatTimeText(when);
}

// The take's picture, when its details name one that is a file of this
// user; otherwise the take has none.
void FindPicture(LeftoverTake* take) {
    recordstore::PictureType& picture = take->info.details.picture;
    const fs::path path = TakePicturePath(take->info_path, picture);
    if (!path.empty() && OwnedEntry(path, false))
        take->picture_path = path;
    else
        picture = recordstore::PictureType::kNone;
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
        if (const auto info = ParseTakeInfo(ReadSmallFile(fd, kTakeInfoMaxBytes))) {
            const fs::path journal_path = TakeJournalPath(info_path);
            struct stat journal {};
            const auto align = static_cast<std::uint64_t>(info->format.block_align_bytes());
            const std::uint64_t bytes =
                OwnedEntry(journal_path, false, &journal)
                    ? static_cast<std::uint64_t>(journal.st_size) / align * align
                    : 0;
            if (bytes == 0) {
                RemoveTakeFiles(info_path, journal_path);
            } else {
                *take = LeftoverTake{};
                take->info_path = info_path;
                take->journal_path = journal_path;
                take->info = *info;
                take->data_bytes = bytes;
                FindPicture(take);
                take->end_log_date = take->info.details.end_log_date.empty()
                                         ? LogDateOf(journal.st_mtime)
                                         : take->info.details.end_log_date;
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

// A file of a take being written (a description or a picture under its
// temporary name).
bool IsTakePart(const fs::path& path) {
    const std::string name = path.filename().string();
    if (!name.ends_with(kTakePartSuffix))
        return false;
    const std::string whole = name.substr(0, name.size() - kTakePartSuffix.size());
    return whole.ends_with(kTakeInfoExtension) || whole.ends_with(".gif") ||
           whole.ends_with(".jpg");
}

// Removes the files a recorder began but never put in place (it ended
// between writing one and naming it). One still being written is locked and
// stays.
void RemoveUnfinishedFiles(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!IsTakePart(it->path()) || !OwnedEntry(it->path(), false))
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
        RemoveUnfinishedFiles(takes_folder_);
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
    const std::string noun(RecorderKindNoun(take.info.kind));
    const std::string length = recordstore::DurationText(take.length_ms());
    const std::string& given = take.info.details.subject;
    const std::string subject = given.empty() ? std::string() : " \"" + given + "\"";
    const std::string started = take.info.start_log_date.empty()
                                    ? std::string()
                                    : " (started " + take.info.start_log_date + ")";
    return "A " + noun + " recording" + subject + started +
           " was interrupted before it was saved; " + length +
           " of it can be recovered. Do you want to recover it as a new " + noun +
           "? No deletes it.";
}

namespace {

// The take as its recorder opens it: wave and picture written in folder.
std::optional<RecoveredTake> Prepare(const TakeRecovery& recovery, const LeftoverTake& take,
                                     const fs::path& folder) {
    RecoveredTake recovered{folder / "recovered.wav", {}, take.info, take.end_log_date};
    if (!recovery.Recover(take, recovered.wave))
        return std::nullopt;
    if (!take.picture_path.empty()) {
        // The recorder copies the picture when it saves; the take's own
        // goes as soon as the recorder has the recording.
        recovered.picture = folder / ("recovered" + take.picture_path.extension().string());
        std::error_code error;
        if (!fs::copy_file(take.picture_path, recovered.picture,
                           fs::copy_options::overwrite_existing, error)) {
            recovered.picture.clear();
            recovered.info.details.picture = recordstore::PictureType::kNone;
        }
    }
    return recovered;
}

}  // namespace

std::vector<RecorderMark> RecoveredDetails::MarksWithin(std::int64_t length_ms) const {
    std::vector<RecorderMark> within;
    for (const RecorderMark& mark : marks) {
        if (mark.time_ms <= length_ms)
            within.push_back(mark);
    }
    return within;
}

RecoveredDetails DetailsForRecorder(const RecoveredTake& take) {
    RecoveredDetails details;
    details.start_log_date =
        take.info.start_log_date.empty() ? NowLogDate() : take.info.start_log_date;
    details.end_log_date = take.end_log_date.empty() ? details.start_log_date : take.end_log_date;
    details.subject = std::string(
        recordstore::CutAtCharBoundary(take.info.details.subject, recordstore::kSubjectMaxBytes));
    details.keywords = std::string(recordstore::CutAtCharBoundary(
        take.info.details.keywords, recordstore::kIndexKeywordsMaxBytes));
    details.marks = take.info.details.marks;
    return details;
}

int OfferLeftoverTakes(const TakeRecovery& recovery, core::MessageReporter& reporter,
                       const fs::path& working_folder, const OpenRecoveredTake& open) {
    int opened = 0;
    for (const LeftoverTake& take : recovery.Find()) {
        if (reporter.ReportText(RecoveryQuestion(take), core::kStyleQuestion) != core::kAnswerYes) {
            TakeRecovery::Discard(take);
            continue;
        }
        const std::optional<RecoveredTake> recovered = Prepare(recovery, take, working_folder);
        std::error_code error;
        if (!recovered) {
            fs::remove(working_folder / "recovered.wav", error);
            reporter.ReportText(
                "The interrupted recording could not be recovered; it is offered again at the "
                "next start.",
                core::kStyleExclamation);
            continue;
        }
        // Once the recorder holds the recording (and its own journal of
        // it), the left-over take has served.
        if (open(*recovered, [&take] { TakeRecovery::Discard(take); }))
            ++opened;
        fs::remove(recovered->wave, error);
        if (!recovered->picture.empty())
            fs::remove(recovered->picture, error);
    }
    return opened;
}

}  // namespace kivo::recorder

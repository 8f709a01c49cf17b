// CallTakeJournal: keeps a recorded call recoverable while the Phone
// Recorder holds it, in the recorder kit's take journal (take_journal.h,
// recorder "phone"), so that a crash or a kill during or after the call
// leaves the audio for the next start to offer.
//
// The line's recorder writes each take as raw call audio (8000 samples per
// second, mono, 16-bit) into its take file, a 200 ms buffer at a time. The
// journal follows that file: Follow copies what was added since the last
// call into the journal's audio and, about once a second, makes it durable;
// a new take (the file starts anew) is announced with TakeStarted.
//
// The caller is kept in the journal's subject as "<number>\n<name>"
// (CallerSubject, ParseCallerSubject), the keywords and marks as they are.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "kivo/recorder/take_details.h"
#include "kivo/recorder/take_journal.h"

namespace kivo::phone {

// The subject a call's journal keeps, and back (number, name).
std::string CallerSubject(std::string_view number, std::string_view name);
std::pair<std::string, std::string> ParseCallerSubject(std::string_view subject);

class CallTakeJournal {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Starts the journal in takes_folder (made when missing) for the record
    // base_name, holding seed (call audio; empty for a new call). Null when
    // no journal can be made there.
    static std::unique_ptr<CallTakeJournal> Start(const std::filesystem::path& takes_folder,
                                                  const std::string& base_name,
                                                  const std::string& start_log_date,
                                                  std::span<const std::uint8_t> seed, Clock clock);
    // The files stay, as after a crash.
    ~CallTakeJournal();

    // A take begins: take_file is written from its start from now on.
    void TakeStarted();
    // Copies what the take file gained into the journal; syncs when a
    // second has passed since the last sync, or at once when sync_now.
    // False when the journal could not be written (a crash would lose
    // what was recorded since).
    bool Follow(const std::filesystem::path& take_file, bool sync_now);
    // Writes the details anew (at once, durably).
    bool WriteDetails(const recorder::TakeDetails& details);
    // The call was saved or discarded: the journal goes.
    void Remove();

    std::uint64_t journal_bytes() const { return journal_bytes_; }
    const std::filesystem::path& info_path() const { return journal_->info_path(); }

private:
    CallTakeJournal(std::unique_ptr<recorder::TakeJournal> journal, std::uint64_t bytes,
                    Clock clock);

    std::unique_ptr<recorder::TakeJournal> journal_;
    std::uint64_t journal_bytes_ = 0;      // of the journal's audio
    std::uint64_t take_copied_bytes_ = 0;  // of the running take file
    Clock clock_;
    std::chrono::steady_clock::time_point last_sync_{};
    bool failed_ = false;
};

}  // namespace kivo::phone

// TakeRecovery: finds the take journals (take_journal.h) that a recorder
// left behind when the program ended while it was open (a crash, a kill, a
// power cut), turns one into a wave file with its details, or removes it.
//
// Takes are kept in the takes folder of the writable home. Earlier versions
// kept them in the working folders under the temporary root (each named
// "Voxwren" and six characters), and so every such folder of this user is
// looked at too. A take whose description is still locked belongs to a
// recorder that is open now and is passed over. Folders and files that are
// links, or belong to someone else, are never touched.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kivo/recorder/take_journal.h"

namespace kivo::core {
class MessageReporter;
}

namespace kivo::recorder {

struct LeftoverTake {
    std::filesystem::path info_path;
    std::filesystem::path journal_path;
    // Format, start, recorder and details (subject, keywords, marks,
    // picture): the details are empty for a take of an earlier version, or
    // one whose details are damaged.
    TakeInfo info;
    std::uint64_t data_bytes = 0;        // whole frames of the journal
    std::filesystem::path picture_path;  // the take's picture file; empty for none
    // When the recording last stopped: the details' end, or, when the take
    // ended while recording (or has no details), when its audio was last
    // written.
    std::string end_log_date;

    std::int64_t length_ms() const;
};

class TakeRecovery {
public:
    // legacy_temp_root: where older working folders were made; empty for
    // none.
    explicit TakeRecovery(std::filesystem::path takes_folder,
                          std::filesystem::path legacy_temp_root = {});

    // The left-over takes that hold audio: those of the takes folder in
    // name order (the stamp: oldest first), then those of working folders,
    // oldest folder first. Left-over descriptions without audio (a crash
    // before the first sound arrived) and descriptions left half-written
    // are removed on the way.
    std::vector<LeftoverTake> Find() const;

    // Writes the take as a wave file (the recorder's layout). A torn last
    // frame is dropped. False when the wave cannot be written; the take is
    // kept then.
    bool Recover(const LeftoverTake& take, const std::filesystem::path& wave_path) const;

    // Removes the take's files.
    static void Discard(const LeftoverTake& take);

private:
    std::filesystem::path takes_folder_;
    std::filesystem::path legacy_temp_root_;
};

// The question asked for a left-over take.
std::string RecoveryQuestion(const LeftoverTake& take);

// A left-over take made ready for its recorder: the audio as a wave file and
// the picture copied into the working folder, with what the journal kept.
struct RecoveredTake {
    std::filesystem::path wave;
    std::filesystem::path picture;  // empty for none
    TakeInfo info;                  // format, original start, recorder, subject, keywords, marks
    std::string end_log_date;
};

// What a recovered take gives its recorder: the times (now when the take
// kept none), the subject and keywords cut to the fields they fill (they
// come from a file), and the marks.
struct RecoveredDetails {
    std::string start_log_date;
    std::string end_log_date;
    std::string subject;
    std::string keywords;
    std::vector<RecorderMark> marks;

    // The marks within the audio opened: one past its end has nothing to
    // mark.
    std::vector<RecorderMark> MarksWithin(std::int64_t length_ms) const;
};
RecoveredDetails DetailsForRecorder(const RecoveredTake& take);

// Opens a recovered take as a new record in its recorder and runs the
// recorder; calls release_take as soon as the recorder has the recording
// (it keeps its own journal of it from then on). True when the recorder
// opened.
using OpenRecoveredTake =
    std::function<bool(const RecoveredTake& take, const std::function<void()>& release_take)>;

// The start-up offer: for every left-over take asks RecoveryQuestion. Yes
// writes it as a wave (and its picture) in working_folder and opens that;
// the take is removed once the recorder has it, and kept when it could not
// be recovered or opened. No removes the take. The copies in the working
// folder are deleted afterwards. Returns the number of takes opened.
int OfferLeftoverTakes(const TakeRecovery& recovery, core::MessageReporter& reporter,
                       const std::filesystem::path& working_folder, const OpenRecoveredTake& open);

}  // namespace kivo::recorder

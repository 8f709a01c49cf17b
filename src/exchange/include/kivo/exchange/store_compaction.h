// StoreCompaction: compacts the open data store in the steps that the
// compaction dialog shows.
//
// Steps, run strictly one after another:
//   0      nothing
//   1 - 4  compact the message, meeting, phone and diary record logs: erased
//          lines are dropped and every kept record's index entry is pointed
//          at its new position
//   5      reclaim the repository's unused space (the engine's Compress); then save
//          the rewritten logs into the data store and reclaim again, so the
//          log versions they replace are reclaimed too. When the first
//          reclaim fails (a disk too full for its journal) nothing is saved:
//          the store stays as it was and never grows by a failed compaction
//   99     save the component files when step 5 could not (but not after a
//          failed reclaim); the store label says whether the space was
//          removed ("Unwanted space has been removed from your data store",
//          blue) or not ("Unwanted space could not be removed from your data
//          store", red)
//   100    done
// A failed step adds a row to the error list and the work goes on. Each step
// reports what the dialog shows (label texts and states, error rows) through
// a callback, which the dialog's worker turns into queued signals.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kivo::core {
class DataStoreSession;
class RecordIndex;
}  // namespace kivo::core

namespace kivo::exchange {

// Label states and their colours: 0 black, 2 green, 3 blue, 4 red.
enum LabelState : int {
    kLabelBlack = 0,
    kLabelGreen = 2,
    kLabelBlue = 3,
    kLabelRed = 4,
};

inline constexpr const char* kCompactionTitle = "Please wait - Compressing your Data Store";
inline constexpr const char* kComponentsLabelStart = "Compress components";
inline constexpr const char* kStoreLabelStart = "Remove unwanted space from data store";
inline constexpr const char* kErrorColumnTitle = "Description";

inline constexpr int kStepStart = 0;
inline constexpr int kStepMessages = 1;
inline constexpr int kStepMeetings = 2;
inline constexpr int kStepPhone = 3;
inline constexpr int kStepDiary = 4;
inline constexpr int kStepRepository = 5;
inline constexpr int kStepSave = 99;
inline constexpr int kStepFinished = 100;

// What one step changed in the dialog. A label whose text is empty keeps its
// text and state.
struct CompactionStepReport {
    int step = 0;
    std::string components_label;
    int components_state = kLabelBlack;
    std::string store_label;
    int store_state = kLabelBlack;
    std::string error_row;  // empty: no error
};

// Result codes of compacting one record log.
inline constexpr int kCompactOk = 0;
inline constexpr int kCompactUnreadable = 112;  // the log cannot be opened
inline constexpr int kCompactNoTempFile = 126;  // the temporary file cannot be made

struct ComponentCompaction {
    int result = kCompactOk;
    std::uint64_t lines_kept = 0;  // the header line included
    std::uint64_t lines_dropped = 0;
    std::uint64_t index_updates_failed = 0;
};

// Rewrites one record log without its erased lines (record number 99999999
// or more) and updates each kept record's index entry with its new position.
// The log is replaced atomically; on failure it is unchanged.
ComponentCompaction CompactRecordLog(const std::filesystem::path& log_path,
                                     core::RecordIndex& index);

class StoreCompaction {
public:
    using StepObserver = std::function<void(const CompactionStepReport&)>;

    // Works on the open store and its own record index.
    explicit StoreCompaction(core::DataStoreSession& session);
    // The same with a given record index (tests).
    StoreCompaction(core::DataStoreSession& session, core::RecordIndex& index);
    ~StoreCompaction();
    StoreCompaction(const StoreCompaction&) = delete;
    StoreCompaction& operator=(const StoreCompaction&) = delete;

    // Runs one step and returns what it changed.
    CompactionStepReport RunStep(int step);
    // Runs every step in order (0 to 5, 99, 100), reporting each.
    void RunAll(const StepObserver& observer);

    // The step that follows step (100 after 100).
    static int NextStep(int step);

    const std::vector<std::string>& errors() const { return errors_; }
    // Per-log results of steps 1 to 4 (for kivoctl and tests).
    const std::vector<ComponentCompaction>& component_results() const { return results_; }
    int save_result() const { return save_result_; }

private:
    CompactionStepReport CompactComponentStep(int step);
    void ReclaimAndSave(CompactionStepReport& report);

    core::DataStoreSession& session_;
    std::unique_ptr<core::RecordIndex> owned_index_;
    core::RecordIndex& index_;
    bool saved_ = false;
    bool reclaim_failed_ = false;
    std::vector<std::string> errors_;
    std::vector<ComponentCompaction> results_;
    int save_result_ = 0;
};

}  // namespace kivo::exchange

// StoreImport: every recording of another data store made a new record of
// the open one, with new record numbers and the keywords of the source's
// index, in the steps the import dialog shows.
//
//   Choose   the source: refused with 10 when it is the open store; the import
//            list is the source's live members whose names hold ".xrz" or ".xrv", in
//            the order of its directory
//   Prepare  a copy of the source in a private folder of the working folder
//            (the source itself is only read, once), the listed recordings and
//            the source's index unpacked beside it; 117 when that fails
//   Import   file i of n: progress 90 * i / n + 2 (i from 1), "Importing file
//            i of n", one RecordingImport; a failure is counted, the others go on
//   Finish   the private folder removed; "Import completed", with
//            " / <n> files failed" and message 118 after failures
// Nothing of the source is ever written, and a failed recording leaves no
// part of a record in the open store (RecordingImport).
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kivo/exchange/import_recording.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::exchange {

class PrivateFolder;

class StoreImport {
public:
    explicit StoreImport(const recorder::RecorderTarget& target);
    ~StoreImport();
    StoreImport(const StoreImport&) = delete;
    StoreImport& operator=(const StoreImport&) = delete;

    // 0, 10 when source is the open store (nothing is read), or 117 when the
    // source cannot be read as a data store.
    int Choose(const std::filesystem::path& source);
    const std::vector<std::string>& import_list() const { return import_list_; }

    // 0, or 117 when the source refused a member (nothing is imported then).
    int Prepare();

    // The progress of file `number` of `count` (from 1): 90 * number / count + 2.
    static int ProgressOfFile(std::size_t number, std::size_t count);
    // "Importing file <number> of <count>".
    static std::string ImportingText(std::size_t number, std::size_t count);

    // Imports the list's entry `position` (from 0) after Prepare.
    RecordingImportResult ImportFile(std::size_t position);

    // Removes what Prepare unpacked.
    void Finish();

    std::size_t failures() const { return failures_; }
    // The message codes of the recordings that failed, in list order.
    const std::vector<int>& failure_messages() const { return failure_messages_; }
    // 0, or 118 when a recording failed.
    int FinalMessage() const;
    // "Import completed", or "Import completed / <n> files failed".
    std::string CompletedText() const;

    // Prepare, every file, Finish and then save_store (the open store's save,
    // when given), telling progress (0 to 100, with the status text) on the
    // way: what the dialog's "Start" and the command line do. 0, 117 from
    // Prepare, or the positive code of save_store.
    int Run(const std::function<void(int progress, const std::string& status)>& report,
            const std::function<int()>& save_store = {});

private:
    const recorder::RecorderTarget target_;
    std::filesystem::path source_;
    std::vector<std::string> import_list_;
    std::unique_ptr<PrivateFolder> unpacked_;
    std::unique_ptr<recordstore::RecordIndex> source_index_;
    std::size_t failures_ = 0;
    std::vector<int> failure_messages_;
};

}  // namespace kivo::exchange

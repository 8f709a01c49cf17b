// Storing an imported record (see store_imported_record.h).
#include "store_imported_record.h"

namespace kivo::exchange {
namespace {

constexpr int kProgressKindFile = 0;
constexpr int kProgressKindStatus = 2;
constexpr int kStatusDone = 3;

}  // namespace

AudioImportResult StoreImportedRecord(const recorder::RecorderTarget& target,
                                      const SaveRunner& run_save, const ImportedRecord& imported,
                                      const AudioImportProgress& progress) {
    const auto report = [&progress](int kind, int value) {
        if (progress)
            progress(kind, value);
    };
    report(kProgressKindFile, 33);
    recorder::NewRecordSave save(target, imported.files);
    const auto run = [&save, &imported] { return save.Save(imported.record); };
    const int saved = run_save ? run_save(run) : run();
    if (imported.remove_working_files)
        imported.remove_working_files();
    report(kProgressKindFile, 66);

    AudioImportResult result;
    result.length_ms = imported.length_ms;
    result.record_number = save.record_number();
    result.message = saved;
    if (!save.stored()) {
        result.outcome = AudioImportResult::Outcome::kNotSaved;
        result.reason = "the record was not saved";
        return result;
    }
    result.outcome = AudioImportResult::Outcome::kImported;
    report(kProgressKindFile, 100);
    report(kProgressKindStatus, kStatusDone);
    return result;
}

}  // namespace kivo::exchange

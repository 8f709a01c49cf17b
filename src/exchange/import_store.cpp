// Importing the recordings of another data store (see import_store.h).
#include "kivo/exchange/import_store.h"

#include <system_error>

#include "kivo/exchange/import_messages.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/store_repository.h"
#include "private_folder.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSourceCopyName = "source.xrt";
constexpr std::string_view kSourceIndexCopyName = "import.xri";

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error))
        return true;
    return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

}  // namespace

StoreImport::StoreImport(const recorder::RecorderTarget& target) : target_(target) {}

StoreImport::~StoreImport() = default;

int StoreImport::Choose(const fs::path& source) {
    import_list_.clear();
    if (SameFile(source, target_.store_path))
        return kMessageImportOpenStore;
    source_ = source;
    recordstore::Repository repository(filesystem::DefaultFileSystem(), source.string());
    const recordstore::RepositoryInfo info = repository.Info();
    if (!info.readable && info.live_members.empty())
        return kMessageExtractFailed;
    for (const recordstore::MemberInfo& member : info.live_members) {
        if (member.name.find(recordstore::kAudioContainerExtension) != std::string::npos ||
            member.name.find(recordstore::kVideoContainerExtension) != std::string::npos)
            import_list_.push_back(member.name);
    }
    return 0;
}

int StoreImport::Prepare() {
    failures_ = 0;
    failure_messages_.clear();
    unpacked_ = std::make_unique<PrivateFolder>(target_.working_folder, "store-import-");
    if (!unpacked_->ok())
        return kMessageExtractFailed;
    // One read of the source; everything after works on the copy.
    const fs::path copy = unpacked_->path() / kSourceCopyName;
    std::error_code error;
    fs::copy_file(source_, copy, error);
    if (error)
        return kMessageExtractFailed;
    recordstore::Repository repository(filesystem::DefaultFileSystem(), copy.string());
    const fs::path index_folder = unpacked_->path() / "index";
    fs::create_directory(index_folder, error);
    const std::string index_name(recordstore::kIndexName);
    if (error ||
        (!import_list_.empty() && !repository.Get(unpacked_->path().string(), import_list_)) ||
        !repository.Get(index_folder.string(), {index_name}))
        return kMessageExtractFailed;
    fs::rename(index_folder / index_name, unpacked_->path() / kSourceIndexCopyName, error);
    fs::remove(copy, error);
    fs::remove(index_folder, error);
    source_index_ = std::make_unique<recordstore::RecordIndex>(
        (unpacked_->path() / kSourceIndexCopyName).string());
    return 0;
}

int StoreImport::ProgressOfFile(std::size_t number, std::size_t count) {
    return count == 0 ? 2 : static_cast<int>(90 * number / count + 2);
}

std::string StoreImport::ImportingText(std::size_t number, std::size_t count) {
    return "Importing file " + std::to_string(number) + " of " + std::to_string(count);
}

RecordingImportResult StoreImport::ImportFile(std::size_t position) {
    RecordingImportResult result;
    if (!unpacked_ || position >= import_list_.size()) {
        result.message = kMessageUnreadableRecording;
        result.reason = "not prepared";
        ++failures_;
        return result;
    }
    const fs::path unpacked_file = unpacked_->path() / import_list_[position];
    result = RecordingImport(target_, source_index_.get()).Import(unpacked_file);
    if (!result.ok()) {
        ++failures_;
        failure_messages_.push_back(result.message);
    }
    std::error_code error;
    fs::remove(unpacked_file, error);
    return result;
}

void StoreImport::Finish() {
    source_index_.reset();
    unpacked_.reset();
}

int StoreImport::FinalMessage() const {
    return failures_ > 0 ? kMessageNotAllImported : 0;
}

std::string StoreImport::CompletedText() const {
    std::string text = kImportCompletedText;
    if (failures_ > 0)
        text += " / " + std::to_string(failures_) + " files failed";
    return text;
}

int StoreImport::Run(const std::function<void(int progress, const std::string& status)>& report,
                     const std::function<int()>& save_store) {
    report(0, kPreparingText);
    if (const int prepared = Prepare(); prepared != 0) {
        Finish();
        return prepared;
    }
    const std::size_t count = import_list_.size();
    for (std::size_t position = 0; position < count; ++position) {
        report(ProgressOfFile(position + 1, count), ImportingText(position + 1, count));
        ImportFile(position);
    }
    report(95, kUpdatingStoreText);
    Finish();
    const int saved = save_store ? save_store() : 0;
    report(100, CompletedText());
    return saved > 0 ? saved : 0;
}

}  // namespace kivo::exchange

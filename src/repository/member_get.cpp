// Extraction: members into files of a folder. A member becomes a file only
// under a plain name, and only once it is complete: it is written into a file
// without a name (O_TMPFILE) that is then linked under the member's name, or,
// where the file system cannot do that or the name is taken, into a fresh
// temporary file in the target folder that is renamed over the final name. A
// symbolic link planted at the output path is thus replaced, never followed,
// and a half-written file never appears under the member's name.
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "file_attributes.h"
#include "kivo/repository/repository_format.h"
#include "member_names.h"
#include "messages.h"
#include "operations.h"
#include "repository_reader.h"
#include "unnamed_file_pool.h"

namespace kivo::repository {
namespace {

using filesystem::FsStatus;
using CopyStop = filesystem::CopyResult::Stop;

// Data is copied in blocks of 1 MiB, as when storing: by the kernel where it
// can (File::CopyFrom), otherwise through a page-aligned buffer.
constexpr std::size_t kExtractBlockBytes = 1 << 20;
constexpr int kTemporaryNameAttempts = 16;
// Below this many members an extraction has no helper thread: starting one
// costs about as much as creating a few files.
constexpr std::size_t kHelperFromMembers = 4;

class Extractor {
public:
    // `members`: how many members the call extracts at most.
    Extractor(const EngineContext& context, RepositoryReader& repository, std::string directory,
              std::size_t members, const ProgressCallback& progress)
        : context_(context),
          repository_(repository),
          directory_(std::move(directory)),
          progress_(progress),
          buffer_(kExtractBlockBytes),
          unnamed_files_(context.file_system, directory_, kOutputPermissions, members,
                         StartHelper(members)) {}

    void Extract(const DirectoryEntry& entry) {
        std::string reason = UnsafeNameReason(entry.name);
        if (!reason.empty()) {
            AddMessage(MessageCode::kOpenFileFailed,
                       {filesystem::JoinPath(directory_, PrintableName(entry.name)), reason});
            return;
        }
        const std::string output = filesystem::JoinPath(directory_, entry.name);
        if (unnamed_files_work_) {
            filesystem::FsResult<std::unique_ptr<filesystem::File>> created = unnamed_files_.Take();
            if (created.ok()) {
                ExtractUnnamed(entry, *created.value, output);
                CloseBeside(helper_ ? &*helper_ : nullptr, std::move(created.value));
                return;
            }
            if (!CannotMakeUnnamedFiles(created.status)) {
                AddMessage(MessageCode::kOpenFileFailed, {output, created.status.Describe()});
                return;
            }
            unnamed_files_work_ = false;
        }
        ExtractThroughTemporary(entry, output);
    }

private:
    static constexpr std::uint32_t kOutputPermissions = 0666;  // before the umask

    HelperThread* StartHelper(std::size_t members) {
        if (members < kHelperFromMembers || !CallableFromAnyThread(context_.file_system)) {
            return nullptr;
        }
        return StartHelperThread(helper_);
    }

    static bool CannotMakeUnnamedFiles(const FsStatus& status) {
        const int error = status.error_number();
        // EISDIR: a kernel without O_TMPFILE took it for opening the folder.
        return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
    }

    // The new file is linked under the member's name; a name that is taken is
    // replaced (where that may be) by a rename from a temporary name.
    void ExtractUnnamed(const DirectoryEntry& entry, filesystem::File& file,
                        const std::string& output) {
        if (!CopyData(entry, file, output)) {
            return;  // a file without a name leaves nothing behind
        }
        // A failure here is reported and the member is still extracted.
        SetTimesAndAttributes(entry, file, output);
        FsStatus linked = file.LinkAs(output);
        if (linked.ok()) {
            return;
        }
        if (linked.error_number() != EEXIST) {
            AddMessage(MessageCode::kOpenFileFailed, {output, linked.Describe()});
            return;
        }
        if (!OutputMayBeReplaced(output)) {
            return;
        }
        std::string temporary;
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            temporary = TemporaryName();
            linked = file.LinkAs(temporary);
            if (linked.error_number() != EEXIST) {
                break;
            }
        }
        if (!linked.ok()) {
            AddMessage(MessageCode::kOpenFileFailed, {output, linked.Describe()});
            return;
        }
        RenameOver(temporary, output);
    }

    void ExtractThroughTemporary(const DirectoryEntry& entry, const std::string& output) {
        if (!OutputMayBeReplaced(output)) {
            return;
        }
        std::string temporary;
        std::unique_ptr<filesystem::File> file = CreateTemporary(output, temporary);
        if (!file) {
            return;
        }
        if (!CopyData(entry, *file, output)) {
            file.reset();
            context_.file_system.Unlink(temporary);
            return;
        }
        // A failure here is reported and the member is still extracted.
        SetTimesAndAttributes(entry, *file, output);
        file.reset();
        RenameOver(temporary, output);
    }

    void RenameOver(const std::string& temporary, const std::string& output) {
        if (FsStatus renamed = context_.file_system.Rename(temporary, output); !renamed.ok()) {
            AddMessage(MessageCode::kOpenFileFailed, {output, renamed.Describe()});
            context_.file_system.Unlink(temporary);
        }
    }

    std::string TemporaryName() {
        return filesystem::JoinPath(directory_, ".xrrps-" + std::to_string(process_id_) + "-" +
                                                    std::to_string(temporary_tag_) + "-" +
                                                    std::to_string(temporaries_made_++) + ".part");
    }

    void AddMessage(MessageCode code, const std::vector<MessageArgument>& arguments) {
        context_.status.Add(MakeMessage(code, arguments));
    }

    // Replacing follows what creating over an existing file does on Windows:
    // a read-only file or a folder cannot be replaced.
    bool OutputMayBeReplaced(const std::string& output) {
        filesystem::FsResult<filesystem::FileInfo> existing =
            context_.file_system.Stat(output, false);
        if (!existing.ok()) {
            return true;
        }
        int error = 0;
        if (existing.value.type == filesystem::FileType::kDirectory) {
            error = EISDIR;
        } else if (existing.value.type == filesystem::FileType::kRegular &&
                   !existing.value.owner_can_write()) {
            error = EACCES;
        }
        if (error != 0) {
            AddMessage(MessageCode::kOpenFileFailed, {output, FsStatus::Error(error).Describe()});
            return false;
        }
        return true;
    }

    std::unique_ptr<filesystem::File> CreateTemporary(const std::string& output,
                                                      std::string& temporary) {
        filesystem::OpenOptions options;
        options.access = filesystem::Access::kReadWrite;
        options.creation = filesystem::Creation::kCreateNew;
        options.follow_symbolic_links = false;
        options.permissions = 0666;
        FsStatus last_error = FsStatus::Error(EEXIST);
        for (int attempt = 0;
             attempt < kTemporaryNameAttempts && last_error.error_number() == EEXIST; ++attempt) {
            temporary = TemporaryName();
            filesystem::FsResult<std::unique_ptr<filesystem::File>> created =
                context_.file_system.Open(temporary, options);
            if (created.ok()) {
                return std::move(created.value);
            }
            last_error = created.status;
        }
        AddMessage(MessageCode::kOpenFileFailed, {output, last_error.Describe()});
        return nullptr;
    }

    bool CopyData(const DirectoryEntry& entry, filesystem::File& file, const std::string& output) {
        if (entry.size_bytes == 0) {
            return true;
        }
        if (!repository_.Seek(DataOffset(entry, repository_.version()), 11)) {
            return false;
        }
        const std::string label = repository_.MemberLabel(entry.name);
        for (std::uint64_t remaining = entry.size_bytes; remaining > 0;) {
            std::size_t chunk =
                static_cast<std::size_t>(std::min<std::uint64_t>(kExtractBlockBytes, remaining));
            filesystem::CopyResult copied = repository_.CopyOut(file, chunk, buffer_, 2, 1);
            switch (copied.stop) {
                case CopyStop::kNone:
                    break;
                case CopyStop::kSourceEnded:
                case CopyStop::kSourceFailed:
                    return false;  // reported as a repository read
                case CopyStop::kTargetFailed:
                    AddMessage(MessageCode::kFileIoError, {output, 1, copied.status.Describe()});
                    return false;
                case CopyStop::kTargetShort:
                    AddMessage(MessageCode::kFileIoError, {output, 2, kShortWriteText});
                    return false;
            }
            Report(ProgressPhase::kRead, chunk, label);
            Report(ProgressPhase::kWritten, chunk, output);
            remaining -= chunk;
        }
        return true;
    }

    void SetTimesAndAttributes(const DirectoryEntry& entry, filesystem::File& file,
                               const std::string& output) {
        filesystem::FileTimes times{TimestampFromFileTime(entry.accessed),
                                    TimestampFromFileTime(entry.written)};
        FsStatus status = file.SetTimes(times);
        // A new file already has the permissions of a normal one.
        if (status.ok() && (entry.attributes & format::kAttributeReadOnly) != 0) {
            filesystem::FsResult<filesystem::FileInfo> info = file.Stat();
            status = info.status;
            if (info.ok()) {
                status =
                    file.SetPermissions(PermissionsFor(entry.attributes, info.value.permissions));
            }
        }
        if (!status.ok()) {
            AddMessage(MessageCode::kSetAttributesFailed, {output, status.Describe()});
        }
    }

    void Report(ProgressPhase phase, std::size_t bytes, const std::string& label) {
        if (progress_) {
            progress_(phase, static_cast<std::uint32_t>(bytes), label);
        }
    }

    const EngineContext& context_;
    RepositoryReader& repository_;
    std::string directory_;
    const ProgressCallback& progress_;
    filesystem::PageAlignedBuffer buffer_;
    const int process_id_ = getpid();
    // Temporary names are made exclusively and retried when taken; the tag
    // keeps two extractions of one process into one folder from meeting at
    // every try.
    const unsigned temporary_tag_ = std::random_device{}();
    unsigned temporaries_made_ = 0;
    // Until the folder's file system refuses a file without a name.
    bool unnamed_files_work_ = true;
    // Where the file system allows it, for an extraction of several members;
    // it makes the files without a name ahead.
    std::optional<HelperThread> helper_;
    UnnamedFilePool unnamed_files_;
};

}  // namespace

void GetMembers(const EngineContext& context, const std::string& repository_path,
                const std::string& directory, const std::vector<std::string>* names,
                const ProgressCallback& progress) {
    RepositoryReader repository(context);
    if (repository.Open(repository_path) != OpenOutcome::kOpened) {
        return;
    }
    std::size_t members = 0;
    if (names == nullptr) {
        for (const DirectoryEntry& entry : repository.directory().entries()) {
            members += entry.is_deleted() ? 0 : 1;
        }
    } else {
        members = names->size();
    }
    Extractor extractor(context, repository, directory, members, progress);
    if (names == nullptr) {
        for (const DirectoryEntry& entry : repository.directory().entries()) {
            if (!entry.is_deleted()) {
                extractor.Extract(entry);
            }
        }
    } else {
        for (const std::string& name : *names) {
            std::optional<std::size_t> live = repository.directory().FindLive(name);
            if (!live) {
                context.status.Add(MakeMessage(MessageCode::kFileNotFound, {PrintableName(name)}));
                continue;
            }
            extractor.Extract(repository.directory().at(*live));
        }
    }
    repository.Close();
}

}  // namespace kivo::repository

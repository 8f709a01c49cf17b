// ExportStaging: a private folder inside the working folder where the copies
// of one export (or one e-mail) are prepared.
//
// Copies are never prepared in the working folder itself: a player or an
// editor may hold a file of the same name there. The folder and everything in
// it are removed when the staging object ends, on every path, so no working
// copy outlives its command.
#pragma once

#include <filesystem>

namespace kivo::exchange {

class ExportStaging {
public:
    // Makes "export-XXXXXX" inside parent. ok() is false when it could not.
    explicit ExportStaging(const std::filesystem::path& parent);
    ~ExportStaging();
    ExportStaging(const ExportStaging&) = delete;
    ExportStaging& operator=(const ExportStaging&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    // A second private folder inside this one (for one file's members).
    std::filesystem::path MakeScratch() const;

private:
    std::filesystem::path path_;
};

}  // namespace kivo::exchange

// ExportStaging: the private folder of one export.
#include "kivo/exchange/export_staging.h"

#include <stdlib.h>

#include <string>
#include <system_error>

namespace kivo::exchange {
namespace {

std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent, const char* prefix) {
    std::string pattern = (parent / (std::string(prefix) + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

}  // namespace

ExportStaging::ExportStaging(const std::filesystem::path& parent)
    : path_(MakeUniqueFolder(parent, "export-")) {}

ExportStaging::~ExportStaging() {
    if (path_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ExportStaging::MakeScratch() const {
    if (path_.empty())
        return {};
    return MakeUniqueFolder(path_, "file-");
}

}  // namespace kivo::exchange

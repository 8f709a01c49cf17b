// Splits file paths into runs of the same folder.
#include "folder_batches.h"

namespace kivo::xrrps {

std::vector<FolderBatch> GroupByFolder(const std::vector<std::string>& files) {
    std::vector<FolderBatch> batches;
    for (const std::string& file : files) {
        std::string folder = ".";
        std::string name = file;
        std::size_t slash = file.rfind('/');
        if (slash != std::string::npos) {
            folder = slash == 0 ? "/" : file.substr(0, slash);
            name = file.substr(slash + 1);
        }
        if (batches.empty() || batches.back().folder != folder) {
            batches.push_back(FolderBatch{folder, {}});
        }
        batches.back().names.push_back(name);
    }
    return batches;
}

}  // namespace kivo::xrrps

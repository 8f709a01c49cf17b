// The engine stores files by folder and base name (RPS_Put takes one folder
// and a list of names in it), so "xrrps put" splits its file arguments into
// runs of files from the same folder. Runs keep the order of the command
// line: when the same base name comes from two folders, the later file is
// the live version afterwards.
#pragma once

#include <string>
#include <vector>

namespace kivo::xrrps {

struct FolderBatch {
    std::string folder;
    std::vector<std::string> names;
};

// "a/x a/y b/z a/w" gives (a: x y) (b: z) (a: w); a file without a folder
// is in "."; "/x" is in "/".
std::vector<FolderBatch> GroupByFolder(const std::vector<std::string>& files);

}  // namespace kivo::xrrps

// Repository paths: the outer file's path, then any number of ">>" and the
// name of a live member of the repository before it ("a.xrt>>b.xrz>>c").
#pragma once

#include <string>
#include <vector>

namespace kivo::repository {

// The parts of a path: the outer file's path first. A path without ">>" is
// one part.
std::vector<std::string> SplitNestedPath(const std::string& path);

}  // namespace kivo::repository

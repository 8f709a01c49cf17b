// A private temporary folder for one test, removed with everything in it when
// the object goes out of scope.
#pragma once

#include <filesystem>
#include <string>

namespace kivo::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path() / name, as a string, for C interfaces.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace kivo::test

// PrivateFolder: a fresh folder of one's own (mode 0700, a name no one else
// can have taken) inside a parent folder, removed with everything in it when
// the object goes.
#pragma once

#include <filesystem>
#include <string_view>

namespace kivo::exchange {

class PrivateFolder {
public:
    // Makes parent/<prefix>XXXXXX; ok() is false when that failed.
    PrivateFolder(const std::filesystem::path& parent, std::string_view prefix);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace kivo::exchange

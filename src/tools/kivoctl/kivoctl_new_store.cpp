// Making a new data store exclusively; see kivoctl_new_store.h.
#include "kivoctl_new_store.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "kivo/recordstore/data_store_layout.h"

namespace kivo::kivoctl {
namespace {

constexpr std::string_view kBuildingMark = ".building-";

// ".<name>.building-<pid>": the hidden name a store is built under.
core::StoreLocation BuildingLocation(const core::StoreLocation& target) {
    core::StoreLocation building = target;
    building.name = "." + target.name + std::string(kBuildingMark) + std::to_string(::getpid());
    return building;
}

// The process id of a hidden store's builder, or 0 when the name is none.
pid_t BuilderOf(const std::string& file_name) {
    const std::string_view extension = recordstore::kStoreExtension;
    if (!file_name.starts_with(".") || !file_name.ends_with(extension))
        return 0;
    const std::string stem = file_name.substr(0, file_name.size() - extension.size());
    const std::size_t mark = stem.rfind(kBuildingMark);
    if (mark == std::string::npos)
        return 0;
    const std::string digits = stem.substr(mark + kBuildingMark.size());
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    return static_cast<pid_t>(std::stol(digits));
}

void RemoveStoresOfKilledBuilders(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const pid_t builder = BuilderOf(entry.path().filename().string());
        if (builder > 0 && ::kill(builder, 0) != 0 && errno == ESRCH) {
            std::error_code remove_ec;
            std::filesystem::remove(entry.path(), remove_ec);
        }
    }
}

// Gives the built store its name unless the name exists. 0, or the errno.
int NameWithoutReplacing(const std::filesystem::path& built, const std::filesystem::path& name) {
    if (::link(built.c_str(), name.c_str()) == 0)
        return 0;
    if (errno == EEXIST)
        return EEXIST;
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

}  // namespace

int MakeNewStore(core::DataStoreSession& session, const core::StoreLocation& target) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(target.StorePath(), ec)))
        return core::kStoreNameExists;
    RemoveStoresOfKilledBuilders(target.folder);
    const core::StoreLocation building = BuildingLocation(target);
    std::filesystem::remove(building.StorePath(), ec);
    if (int code = session.BuildDataStore(building); code > 0) {
        std::filesystem::remove(building.StorePath(), ec);
        return code;
    }
    const int named = NameWithoutReplacing(building.StorePath(), target.StorePath());
    std::filesystem::remove(building.StorePath(), ec);
    if (named == EEXIST)
        return core::kStoreNameExists;
    return named == 0 ? core::kStoreOk : static_cast<int>(core::kStoreSevereError);
}

}  // namespace kivo::kivoctl

// StoreChooser: how the user picks a data store for File > Open and File > New.
// The window asks with file dialogs; tests answer with scripted paths.
#pragma once

#include <filesystem>
#include <optional>

namespace kivo::core {

class StoreChooser {
public:
    virtual ~StoreChooser() = default;
    // "Open Kivo Data Store": an existing ".xrt" file; nothing when cancelled.
    virtual std::optional<std::filesystem::path> ChooseStoreToOpen() = 0;
    // "New Kivo Data Store": the name of the store to build; nothing when
    // cancelled. Asked again while the chosen name already exists.
    virtual std::optional<std::filesystem::path> ChooseNewStore() = 0;
};

}  // namespace kivo::core

// The file dialogs of the data store commands: "Open Kivo Data Store", "New
// Kivo Data Store", and the dialogs of the component import and export
// commands.
#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

#include "kivo/core/data_store_session.h"
#include "kivo/core/store_chooser.h"

class QWidget;

namespace kivo::app {

inline constexpr const char* kOpenStoreTitle = "Open Kivo Data Store";
inline constexpr const char* kNewStoreTitle = "New Kivo Data Store";
inline constexpr const char* kStoreFilter = "Kivo Files (*.xrt)";

class FileDialogStoreChooser : public core::StoreChooser {
public:
    // start_folder: the folder the dialogs open in (the open store's folder).
    FileDialogStoreChooser(QWidget* parent, std::function<std::filesystem::path()> start_folder);

    std::optional<std::filesystem::path> ChooseStoreToOpen() override;
    std::optional<std::filesystem::path> ChooseNewStore() override;

private:
    QWidget* parent_;
    std::function<std::filesystem::path()> start_folder_;
};

// Tools > Export > Phone Book / Templates / Agendas: the file to write.
std::optional<std::filesystem::path> ChooseComponentExportFile(QWidget* parent,
                                                               core::ComponentKind kind,
                                                               const std::filesystem::path& folder);
// Tools > Import > ... > "From exported ... file".
std::optional<std::filesystem::path> ChooseComponentImportFile(QWidget* parent,
                                                               core::ComponentKind kind,
                                                               const std::filesystem::path& folder);
// Tools > Import > ... > "From Kivo Data Store".
std::optional<std::filesystem::path> ChooseStoreToImportFrom(QWidget* parent,
                                                             const std::filesystem::path& folder);

}  // namespace kivo::app

// File dialogs for data stores and their components.
#include "store_file_dialogs.h"

#include <QFileDialog>

namespace kivo::app {
namespace {

struct ComponentFileText {
    const char* default_name;
    const char* suffix;
    const char* export_filter;
    const char* import_filter;
};

ComponentFileText TextsOf(core::ComponentKind kind) {
    switch (kind) {
        case core::ComponentKind::kPhoneBook:
            return {"PhoneBook", "xrb", "Kivo Files (*.xrb)", "Kivo Phone Book Files (*.xrb)"};
        case core::ComponentKind::kTemplates:
            return {"Templates", "xrc", "Kivo Files (*.xrc)", "Kivo Template Files (*.xrc)"};
        case core::ComponentKind::kAgendas:
            return {"Agendas", "xra", "Kivo Files (*.xra)", "Kivo Agenda Files (*.xra)"};
    }
    return {"PhoneBook", "xrb", "Kivo Files (*.xrb)", "Kivo Phone Book Files (*.xrb)"};
}

QString FolderText(const std::filesystem::path& folder) {
    return QString::fromStdString(folder.string());
}

std::optional<std::filesystem::path> Run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().constFirst().toStdString());
}

}  // namespace

FileDialogStoreChooser::FileDialogStoreChooser(QWidget* parent,
                                               std::function<std::filesystem::path()> start_folder)
    : parent_(parent), start_folder_(std::move(start_folder)) {}

std::optional<std::filesystem::path> FileDialogStoreChooser::ChooseStoreToOpen() {
    QFileDialog dialog(parent_, QString::fromLatin1(kOpenStoreTitle), FolderText(start_folder_()),
                       QString::fromLatin1(kStoreFilter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::optional<std::filesystem::path> FileDialogStoreChooser::ChooseNewStore() {
    QFileDialog dialog(parent_, QString::fromLatin1(kNewStoreTitle), FolderText(start_folder_()),
                       QString::fromLatin1(kStoreFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xrt"));
    // An existing name is answered by the program's own message, not replaced.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    return Run(dialog);
}

std::optional<std::filesystem::path> ChooseComponentExportFile(
    QWidget* parent, core::ComponentKind kind, const std::filesystem::path& folder) {
    const ComponentFileText texts = TextsOf(kind);
    QFileDialog dialog(parent, QString(), FolderText(folder),
                       QString::fromLatin1(texts.export_filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(texts.suffix));
    dialog.selectFile(QString::fromLatin1(texts.default_name));
    return Run(dialog);
}

std::optional<std::filesystem::path> ChooseComponentImportFile(
    QWidget* parent, core::ComponentKind kind, const std::filesystem::path& folder) {
    QFileDialog dialog(parent, QString(), FolderText(folder),
                       QString::fromLatin1(TextsOf(kind).import_filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::optional<std::filesystem::path> ChooseStoreToImportFrom(QWidget* parent,
                                                             const std::filesystem::path& folder) {
    QFileDialog dialog(parent, QString(), FolderText(folder),
                       QStringLiteral("Kivo Data Store Files (*.xrt)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

}  // namespace kivo::app

// StoreImportDialog: "Kivo Import", the import of every recording of another
// data store. "Start" runs the import on the window's thread (buttons
// disabled, the bar and the status text the only feedback), "Finish" closes.
// The work itself is exchange::StoreImport's.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>

#include "kivo/exchange/import_store.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kivo::core {
class MessageReporter;
class ShellSession;
}  // namespace kivo::core

namespace kivo::app {

inline constexpr const char* kStoreImportTitle = "Kivo Import";

class StoreImportDialog : public QDialog {
    Q_OBJECT

public:
    StoreImportDialog(core::ShellSession& session, const recorder::RecorderTarget& target,
                      core::MessageReporter& reporter, QWidget* parent = nullptr);

    // Reads the source's import list: false when the dialog must not open
    // (the open store, code 10, or an unreadable source, code 117; reported).
    bool Choose(const std::filesystem::path& source);

    // "Start": the whole import, then "Finish" is enabled (or the dialog
    // closes when there was nothing to import or unpacking failed).
    void Start();

    QString status_text() const;
    int progress() const;
    bool imported() const { return imported_; }

private:
    void Show(int progress, const std::string& status);

    core::ShellSession& session_;
    core::MessageReporter& reporter_;
    exchange::StoreImport import_;
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton* start_;
    QPushButton* finish_;
    bool imported_ = false;
};

}  // namespace kivo::app

// The message codes and fixed texts of importing records and audio files
// (message texts: core/user_messages).
#pragma once

namespace kivo::exchange {

inline constexpr int kMessageImportOpenStore = 10;  // the source is the open store
inline constexpr int kMessageCannotSave = 109;
inline constexpr int kMessageIndexFailed = 110;
inline constexpr int kMessageUnreadableRecording = 114;
inline constexpr int kMessageIncompleteRecording = 115;
inline constexpr int kMessageExtractFailed = 117;
inline constexpr int kMessageNotAllImported = 118;

// Where a recording comes from; it decides which failures show a message.
enum class ImportSource {
    kDataStore,  // one of many recordings of another data store
    kFile,       // a recording file the user chose
};

// Whether a failed recording's message is shown: 114 only for files, 115 and
// 109 only for data stores, 110 for both.
bool ShowsImportMessage(int code, ImportSource source);

inline constexpr const char* kPressStartText = "Please press Start to begin the import";
inline constexpr const char* kPreparingText = "Preparing Kivo file for import, please wait...";
inline constexpr const char* kUpdatingStoreText = "Updating Kivo Data Store";
inline constexpr const char* kImportCompletedText = "Import completed";
inline constexpr const char* kFilesImportedSuffix = " Kivo files successfully imported.";

}  // namespace kivo::exchange

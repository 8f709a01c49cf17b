// What the user chooses before recordings leave the data store, and the
// codes an export answers with.
//
// The same three choices serve the export command and the send command; only
// the dialog's title differs. For a video selection the convert and compress
// choices do not apply (a video is passed on as it is stored).
#pragma once

namespace kivo::exchange {

inline constexpr const char* kExportOptionsTitle = "Kivo - Export Options";
inline constexpr const char* kSendOptionsTitle = "Kivo - Send email Options";
// The three choices' labels; "&" marks the Alt letter of each.
inline constexpr const char* kLockChoiceText = "&Lock selected records";
inline constexpr const char* kConvertChoiceText = "Con&vert selected records to Kivo Voice Quality";
inline constexpr const char* kCompressChoiceText = "&Compress selected records";
inline constexpr const char* kExportFolderPrompt = "Select a folder to export to and press OK";
inline constexpr const char* kRecordingFilter = "Kivo Recording Files (*.xrz)";
inline constexpr const char* kVideoFilter = "Kivo Video Files (*.xrv)";

struct ExportOptions {
    bool lock = false;              // the copy's record line says "X" in field 6
    bool convert_to_voice = false;  // 8 kHz mono 16-bit, quality "0"
    bool compress = false;          // the wave stored as an Ogg Vorbis stream
};

// Message codes of an export (the program's message table).
inline constexpr int kExportOk = 0;
inline constexpr int kExportExtractFailed = 111;   // the store gave nothing back
inline constexpr int kExportLineUnreadable = 112;  // the record line could not be taken out
inline constexpr int kExportLineMissing = 113;     // the copy holds no usable record line
inline constexpr int kExportKeywordsFailed = 127;  // the keywords could not be added

}  // namespace kivo::exchange

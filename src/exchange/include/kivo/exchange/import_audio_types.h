// The five audio import commands: their file type numbers, file filters and
// progress dialog titles, and the texts the progress dialog shows.
#pragma once

#include <optional>
#include <string_view>

namespace kivo::exchange {

enum class AudioFileType : int { kMp3 = 0, kWma = 1, kOgg = 2, kWav = 3, kWmv = 4 };

// "MP3 Files (*.mp3)|*.mp3||" ... (for WMV the filter text names WAV files).
const char* AudioFileFilter(AudioFileType type);
// "MP3 File Import Progress" ...
const char* AudioImportTitle(AudioFileType type);
// The type a dropped file's name says (".mp3", ".wma", ".ogg", ".wav", any
// case); nullopt for others (WMV included: video is not imported this way).
std::optional<AudioFileType> AudioFileTypeOfName(std::string_view file_name);

// Status line texts, by the worker's status value 0 to 3.
inline constexpr const char* kConvertingText = "Converting file...";
inline constexpr const char* kAdjustingText = "Adjusting quality...";
inline constexpr const char* kSavingText = "Saving file...";
inline constexpr const char* kDoneText = "Done.";
const char* AudioImportStatusText(int status);

inline constexpr const char* kImportStoppedText = "Import stopped.";
inline constexpr const char* kFileStoppedText = "Import stopped";
inline constexpr const char* kCheckFormatText = "Failed to import - check format";

}  // namespace kivo::exchange

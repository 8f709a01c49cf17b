// The audio import commands' texts (see import_audio_types.h).
#include "kivo/exchange/import_audio_types.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace kivo::exchange {

const char* AudioFileFilter(AudioFileType type) {
    switch (type) {
        case AudioFileType::kMp3:
            return "MP3 Files (*.mp3)|*.mp3||";
        case AudioFileType::kWma:
            return "WMA Files (*.wma)|*.wma||";
        case AudioFileType::kOgg:
            return "OGG Files (*.ogg)|*.ogg||";
        case AudioFileType::kWav:
            return "WAV Files (*.wav)|*.wav||";
        case AudioFileType::kWmv:
            return "WAV Files (*.wmv)|*.wmv||";
    }
    return "";
}

const char* AudioImportTitle(AudioFileType type) {
    switch (type) {
        case AudioFileType::kMp3:
            return "MP3 File Import Progress";
        case AudioFileType::kWma:
            return "WMA File Import Progress";
        case AudioFileType::kOgg:
            return "OGG File Import Progress";
        case AudioFileType::kWav:
            return "WAV File Import Progress";
        case AudioFileType::kWmv:
            return "WMV File Import Progress";
    }
    return "";
}

std::optional<AudioFileType> AudioFileTypeOfName(std::string_view file_name) {
    const std::size_t dot = file_name.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    std::string extension(file_name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "mp3")
        return AudioFileType::kMp3;
    if (extension == "wma")
        return AudioFileType::kWma;
    if (extension == "ogg")
        return AudioFileType::kOgg;
    if (extension == "wav")
        return AudioFileType::kWav;
    return std::nullopt;
}

const char* AudioImportStatusText(int status) {
    switch (status) {
        case 0:
            return kConvertingText;
        case 1:
            return kAdjustingText;
        case 2:
            return kSavingText;
        default:
            return kDoneText;
    }
}

}  // namespace kivo::exchange

// The texts of a mail that carries recordings (see recording_mail_text.h).
#include "kivo/format/recording_mail_text.h"

#include <cctype>
#include <filesystem>

#include "kivo/format/file_size_text.h"

namespace kivo::format {
namespace {

constexpr const char* kSubjectStart = "[Enter your subject heading here] (Kivo Recording :-";
constexpr const char* kBrand = "Kivo\u2122";
constexpr const char* kVoiceMail = " voice mail attached";
constexpr const char* kVideoMail = " video mail attached";
constexpr const char* kMessageCount = "Number of Messages : ";
// Where the recipient gets the programs: both are in the one package.
constexpr const char* kWhereToGetThePlayer =
    "you need Kivo or the free Kivo Message Player (kvmp); both come in the \"kivo\" "
    "package for Linux.\n";

}  // namespace

bool IsVideoRecordingName(const std::string& file_name) {
    std::string extension = std::filesystem::path(file_name).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension == ".XRV";
}

std::string RecordingMailSubject(std::uint64_t total_size_bytes) {
    return std::string(kSubjectStart) + " " + FileSizeText(total_size_bytes) + ")";
}

std::string RecordingMailBody(std::size_t recording_count, bool video) {
    const bool several = recording_count != 1;
    std::string what = "To play the attached ";
    what += video ? "video recording" : "recording";
    what += several ? "s (" : " (";
    what += video ? "\".xrv\"" : "\".xrz\"";
    what += several ? " files) " : " file) ";
    return std::string(kBrand) + (video ? kVideoMail : kVoiceMail) + "\n\n" + kMessageCount +
           std::to_string(recording_count) + "\n" + what + kWhereToGetThePlayer;
}

}  // namespace kivo::format

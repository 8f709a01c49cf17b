// The e-mail of prepared recordings.
#include "kivo/exchange/recording_mail.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "kivo/format/file_size_text.h"

namespace kivo::exchange {
namespace {

constexpr const char* kSubjectStart = "[Enter your subject heading here] (Kivo Recording :-";
constexpr const char* kBrand = "Kivo\u2122";
constexpr const char* kVoiceMail = " voice mail attached";
constexpr const char* kVideoMail = " video mail attached";
constexpr const char* kMessageCount = "Number of Messages : ";
constexpr const char* kVoiceNotice =
    "To play the attached recordings you need Kivo or the free Kivo Message Player (kvmp), "
    "which opens \".xrz\" files.\n";
constexpr const char* kVideoNotice =
    "To play the attached video recordings you need Kivo or the free Kivo Message Player "
    "(kvmp), which opens \".xrv\" files.\n";
constexpr const char* kMoreInformation =
    "For more information on Kivo products and services visit the above website";

// xdg-email's exit statuses.
constexpr int kXdgFileMissing = 2;
constexpr int kXdgToolMissing = 3;
constexpr int kXdgActionFailed = 4;
constexpr int kXdgNoPermission = 5;

bool IsVideo(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension == ".XRV";
}

}  // namespace

std::string FormatFileSize(std::uint64_t size_bytes) {
    return format::FileSizeText(size_bytes);
}

RecordingMail BuildRecordingMail(const std::vector<std::string>& attachment_paths) {
    RecordingMail mail;
    std::uint64_t total = 0;
    for (const std::string& path : attachment_paths) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        total += ec ? 0 : size;
        mail.attachments.push_back(std::filesystem::absolute(path, ec).string());
    }
    const bool video = !attachment_paths.empty() && IsVideo(attachment_paths.front());
    mail.subject = std::string(kSubjectStart) + " " + FormatFileSize(total) + ")";
    mail.body = std::string(kBrand) + (video ? kVideoMail : kVoiceMail) + "\n\n" + kMessageCount +
                std::to_string(attachment_paths.size()) + "\n" +
                (video ? kVideoNotice : kVoiceNotice) + kMoreInformation;
    return mail;
}

std::vector<std::string> XdgEmailArguments(const RecordingMail& mail) {
    std::vector<std::string> arguments = {"--subject", mail.subject, "--body", mail.body};
    for (const std::string& path : mail.attachments) {
        arguments.push_back("--attach");
        arguments.push_back(path);
    }
    return arguments;
}

int MailResultOfXdgEmail(int exit_status) {
    switch (exit_status) {
        case 0:
            return kMailHandedOver;
        case kXdgFileMissing:
            return kMailAttachmentMissing;
        case kXdgNoPermission:
            return kMailAttachmentUnreadable;
        case kXdgToolMissing:
        case kXdgActionFailed:
            return kNoMailClient;
        default:
            return kMailFailed;
    }
}

}  // namespace kivo::exchange

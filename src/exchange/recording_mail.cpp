// The e-mail of prepared recordings.
#include "kivo/exchange/recording_mail.h"

#include <filesystem>
#include <system_error>

#include "kivo/format/file_size_text.h"
#include "kivo/format/recording_mail_text.h"

namespace kivo::exchange {
namespace {

// xdg-email's exit statuses.
constexpr int kXdgFileMissing = 2;
constexpr int kXdgToolMissing = 3;
constexpr int kXdgActionFailed = 4;
constexpr int kXdgNoPermission = 5;

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
    const bool video =
        !attachment_paths.empty() && format::IsVideoRecordingName(attachment_paths.front());
    mail.subject = format::RecordingMailSubject(total);
    mail.body = format::RecordingMailBody(attachment_paths.size(), video);
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

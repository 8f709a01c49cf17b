// The e-mail that carries prepared recordings: subject, body and the
// attachments, and the arguments that hand it to the desktop's mail program
// (xdg-email).
//
// Subject: "[Enter your subject heading here] (Kivo Recording :- " and the
// total size ("%5.2f" with bytes, KB, MB or GB) and ")". Body: "Kivo™ voice
// mail attached" (video mail for ".xrv" recordings), the number of
// messages, and how the recipient plays them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::exchange {

struct RecordingMail {
    std::string subject;
    std::string body;
    std::vector<std::string> attachments;  // absolute paths
};

// " 1.17 MB": the size as the mail's subject gives it.
std::string FormatFileSize(std::uint64_t size_bytes);

// The mail for the files (their sizes read from disk).
RecordingMail BuildRecordingMail(const std::vector<std::string>& attachment_paths);

// --subject S --body B, then --attach PATH for every attachment.
std::vector<std::string> XdgEmailArguments(const RecordingMail& mail);

// What xdg-email's exit status means for the user: 0 handed over; 503 an
// attachment was not found; 504 one could not be read; kNoMailClient when no
// mail program is set up (the user is offered the folder instead); 501
// anything else.
inline constexpr int kMailHandedOver = 0;
inline constexpr int kMailFailed = 501;
inline constexpr int kMailAttachmentMissing = 503;
inline constexpr int kMailAttachmentUnreadable = 504;
inline constexpr int kNoMailClient = -1;
int MailResultOfXdgEmail(int exit_status);

inline constexpr const char* kNoMailClientText =
    "No e-mail program is set up on this computer, so the recordings could not be "
    "handed to one.\nUntil you close Kivo the prepared recordings are in the folder:\n";
inline constexpr const char* kShowFolderQuestion = "\n\nShow this folder in the file manager?";

}  // namespace kivo::exchange

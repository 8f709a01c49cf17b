// The message table: every code the program reports, with its text exactly as
// the user sees it, and the reporters that deliver messages.
#include "kivo/core/user_messages.h"

#include <algorithm>
#include <array>
#include <cstdio>

// The help index as installed (set by the build for this file only).
#ifndef KIVO_HELP_INDEX_URL
#define KIVO_HELP_INDEX_URL "file:///usr/share/kivo/help/166.htm"
#endif
#define KIVO_MAKER_WEB_ADDRESS KIVO_HELP_INDEX_URL
#define KIVO_MAKER_DOWNLOAD_ADDRESS KIVO_HELP_INDEX_URL

namespace kivo::core {

const char* const kMakerWebAddress = KIVO_MAKER_WEB_ADDRESS;
const char* const kMakerDownloadAddress = KIVO_MAKER_DOWNLOAD_ADDRESS;

namespace {

// In ascending code order (looked up by binary search).
// clang-format off
constexpr std::array<MessageEntry, kMessageCount> kMessages{{
    {1, "You have not saved your recording, if you want to save your recording press yes : Info 001"},
    {2, "You have not saved your changes, if you want to save your changes press yes : Info 002"},
    {3, "You already have a Kivo data store with that name.\n\nPlease use a name that does not exist"},
    {4, "Import completed successfully : Info 004"},
    {5, "Do you want to lock the selected records. Doing so will prevent the recipient(s) changing them in any way"},
    {6, "The record is locked and cannot be edited : Info 006"},
    {7, "Locked records cannot be added to the merge list : Info 007"},
    {8, "Do you want to compress the selected items?\nDoing so will save you time sending the Kivo recording,\nand the recipient time in receiving it"},
    {9, "Name and number added to Kivo Phone book."},
    {10, "You cannot import the data store you are currently using, operation cancelled : Info 012"},
    {11, "Please enter a valid phone number and press Start.\n\nNote : You can enter your own phone number, or for a more \naccurate test enter the phone number of the 'Speaking Clock'"},
    {12, "The modem which was used previously is no longer available.\nPhone monitoring has been disabled.\nUse Modem Selection from the Phone menu to see if you have an alternative"},
    {13, "Do you want to compress the selected items?\nDoing so will save space on your hard disk"},
    {14, "The currently selected modem cannot be used with Kivo.\nPhone monitoring has been disabled.\nUse Modem Selection from the Phone menu to see if you have an alternative"},
    {15, "A telephone call is currently in progress.\nAction cancelled "},
    {16, "The answer machine is currently active.\nTurn the answer machine off and try again.\nAction cancelled"},
    {17, "Line monitoring must be active before you can dial out.\nGo back to the main dialog and click on the Phone icon.\nAction cancelled"},
    {18, "The search did not find any Kivo records which matched\n your search criteria"},
    {19, "No suitable modems were found.\nTo use the phone functionality you must have a voice modem installed - See the Trouble shooting section in the help"},
    {20, "Please select a modem to test from the list by clicking on the \nID of one of the devices in the list"},
    {22, "Unable to link to Kivo web site.\r\nStart your internet browser and enter " KIVO_MAKER_WEB_ADDRESS},
    {23, "Your answer machine greeting message has been successfully changed.  "},
    {24, "Your Kivo Data Store needs compressing, do you want to compress it now?"},
    {25, "A new Kivo recording has been successfully created."},
    {26, "Sound effects have been altered. To create a new recording with these effects press Yes."},
    {27, "There was a problem with the Video Capture Interface : Error 033"},
    {28, "You do not have any suitable devices for video capture : Error 034"},
    {29, "Please select both a video device and an aduio device from the lists."},
    {30, "Failed to allocate video graph : Error 036"},
    {31, "Failed to allocate disk space to capture video file : Error 037"},
    {32, "Failed to allocate video/audio filters : Error 038"},
    {33, "Failed to set the video master stream : Error 039"},
    {34, "Failed to start video capture : Error 040"},
    {101, "A problem was encountered creating the files required to build the Kivo data store : Application closing : Error 101"},
    {102, "A problem was encountered creating the Kivo data store : Application closing : Error 102"},
    {103, "A problem was encountered extracting the required information  from the Kivo data store : Application closing : Error 103"},
    {104, "The greeting and warning messages could not be located in the data store : See Trouble Shooting guide in Help : Error 104"},
    {105, "The Kivo data store you used last could not be accessed.\n\nDo you want to open another data store? \nAnswering No will prompt you to create a new data store : Error 105"},
    {106, "Warning : Incomplete build of the Kivo data store : See Trouble Shooting guide in Help : Error 106"},
    {107, "Warning : Save of the Kivo data store failed : See Trouble Shooting guide in Help : Error 107"},
    {108, "Cannot save recording - Missing file : Error 108"},
    {109, "Error creating/updating Kivo file : Error 109"},
    {110, "Error adding search fields to index : Error 110"},
    {111, "Error extracting Kivo file from the data store : Error 111"},
    {112, "Error reading Kivo file : Error 112"},
    {113, "Corrupted Kivo file : Error 113"},
    {114, "Error cannot read the imported Kivo file : Error 114"},
    {115, "Error imported Kivo file does not contain the required information : Error 115"},
    {116, "Error processing the imported Kivo file : Error 116"},
    {117, "Error extracting Kivo files from the imported data store : Error 117"},
    {118, "Not all of the files contained in the imported data store were imported : Error 118"},
    {119, "The temporary workspace could not be created : Application closing : Error 119"},
    {120, "Error writing to Phone Book : Action cancelled : Error 120"},
    {121, "Error saving Template : Action cancelled : Error 121"},
    {122, "Kivo component data not located : Error 122"},
    {123, "Kivo search data not located : Error 123"},
    {124, "Invalid type specified for import : Error 124"},
    {125, "Failed to import file : Error 125"},
    {126, "Error creating temporary workspace for selected function : Error 126"},
    {127, "Error adding to keywords to exported file : Error 127"},
    {128, "Error updating/creating audit data : Error 128"},
    {129, "Error extracting audit data : Error 129"},
    {130, "Kivo file does not contain audit information : Info 130"},
    {131, "Automatic diary reminder could not open the log file : Error 131"},
    {132, "Diary reminder - Do you want to listen to it? : Info 132"},
    {200, "Kivo player could not open the recording : Error 200"},
    {201, "Kivo player could not close your playback device : Error 201"},
    {202, "Kivo could not start recording using your default recording device : Error 202"},
    {203, "An error occurred during the merge process  : Error 203"},
    {204, "An error occurred during the build process : Error 204"},
    {205, "An error occurred creating the intermediate file for the build process : Error 205"},
    {206, "Failed to open the selected device."},
    {207, "Failed to open the selected device."},
    {300, "Line monitoring failed to start : Error 300"},
    {301, "Failed to make outgoing telephone call : Error 301"},
    {302, "Failed to answer incoming call : Error 302"},
    {303, "There was a problem connecting to your phone line : Error 303\n\nEnsure your modem is plugged into your phone socket and you have a dial tone"},
    {304, "Kivo could not connect to your modem's wave device : Error 304"},
    {305, "Kivo could not start recording through your modem's wave device : Error 305"},
    {306, "Kivo could not play through your modem's wave device : Error 306"},
    {307, "Message or Warning cannot be located or is corrupt : Error 307"},
    {500, "The Kivo recording was not sent because you cancelled the operation"},
    {501, "An error occurred trying to send your Kivo recording : Error 501.\r\nYou cannot use this function with web based mail (e.g. AOL) please refer to the trouble shooting section in the Help.\r\nIf you use an email application such as Microsoft Outlook or Microsoft Outlook Express, then please start your email application and try again.\n"},
    {502, "There was insufficient memory to send the Kivo recording : Error 502"},
    {503, "Error sending Kivo recording, file not found : Error 503"},
    {504, "Error sending Kivo recording, could not open file : Error 504"},
    {601, "Error converting wave file : Error 601"},
    {602, "Error converting wave file : Error 602"},
    {603, "Error converting wave file : Error 603"},
    {604, "Error converting wave file : Error 604"},
    {605, "Error converting wave file : Error 605"},
    {606, "Error converting wave file : Error 606"},
    {607, "Error converting wave file : Error 607"},
    {608, "Error converting wave file : Error 608"},
    {609, "Error converting wave file : Error 609"},
    {610, "Error converting wave file : Error 610"},
    {611, "Error converting wave file : Error 611"},
    {620, "Error converting wave file : Error 620"},
    {621, "Error converting wave file : Error 621"},
    {622, "Error converting wave file : Error 622"},
    {700, "The required dll lame_enc.dll has not been installed in your Kivo program directory."},
    {701, "Unable to load MP3 conversion interfaces."},
    {702, "Failed to open input file for conversion to MP3."},
    {703, "Failed to open/create output file for conversion to MP3."},
    {704, "Failed to open MP3 encoding stream."},
    {705, "Not enough available memory to create MP3 encoding buffers."},
    {706, "Chunk failure during MP3 encoding."},
    {707, "Error writing to the output file during MP3 conversion."},
    {708, "Failed to de-initialize the MP3 encoding stream."},
    {709, "Failed to load profile for WMA conversion."},
    {710, "Not enough available memory to initialize WMA conversion."},
    {711, "Failed to create writer for WMA conversion."},
    {712, "Failed to set profile for writer in WMA conversion."},
    {713, "Failed to get input count for write in WMA conversion."},
    {714, "Failed to get input properties for WMA conversion."},
    {715, "Failed to initialize output file for WMA conversion."},
    {716, "Failed to open input file for WMA conversion."},
    {717, "Failed to configure the input format for WMA conversion."},
    {718, "Failed to start writing during WMA conversion."},
    {719, "Failed to open input file for conversion to WAV/WMV."},
    {720, "Failed to open output file for conversion to WAV/WMV."},
    {721, "Failed to change the quality of the recording."},
    {800, "Unable to initialize speech API : Error 800\r\nYou need to download and install Microsoft Speech API 5.\r\nYou can download this free from our web site " KIVO_MAKER_DOWNLOAD_ADDRESS},
    {801, "Unable to load voices : Error 801"},
    {802, "Unable to set the voice : Error 802"},
    {803, "Unable to speak with the selected voice : Error 803"},
    {804, "Invalid rate for the selected voice : Error 804"},
    {805, "Unable to open the selected file : Error 805"},
    {806, "Error reading the text file : Error 806"},
    {807, "Failed to set the output format : Error 807"},
    {810, "Failed to get duration : Error 810"},
    {811, "Failed to create Kivo recording : Error 811"},
    {812, "Failed to save Kivo recording : Error 812"},
    {813, "Kivo recording successfully created"},
    {814, "Operation cancelled, no text has been entered."},
    {850, "Error reading language info from registry : Error 850"},
    {851, "Unable to initialize speech API : Error 851\r\nYou need to download and install Microsoft Speech API 4.\r\nYou can download this free from our web site " KIVO_MAKER_DOWNLOAD_ADDRESS},
    {852, "Unable to load voices : Error 852\r\nYou might need to download and re-install Microsoft Speech API 4.\r\nYou can download this from our web site " KIVO_MAKER_DOWNLOAD_ADDRESS},
    {999, "A severe error occurred  : Application closing"},
}};
// clang-format on

constexpr bool IsAscending() {
    for (std::size_t i = 1; i < kMessages.size(); ++i) {
        if (kMessages[i - 1].code >= kMessages[i].code)
            return false;
    }
    return true;
}
static_assert(IsAscending(), "the message table must be in ascending code order");

const char* FindText(int code) {
    auto it = std::lower_bound(kMessages.begin(), kMessages.end(), code,
                               [](const MessageEntry& e, int c) { return e.code < c; });
    if (it == kMessages.end() || it->code != code)
        return nullptr;
    return it->text;
}

bool IsQuestion(int style) {
    return (style & 0x0F) == 4;
}  // Yes/No buttons

}  // namespace

std::span<const MessageEntry> MessageTable() {
    return kMessages;
}

std::string MessageText(int code) {
    const char* text = FindText(code);
    return text != nullptr ? text : kUndefinedMessageText;
}

bool IsDefinedMessage(int code) {
    return FindText(code) != nullptr;
}

StderrMessageReporter::StderrMessageReporter(int answer_to_questions)
    : answer_to_questions_(answer_to_questions) {}

int StderrMessageReporter::ReportMessage(int code, int style, int /*help_context*/) {
    return ReportText(MessageText(code), style);
}

int StderrMessageReporter::ReportText(const std::string& text, int style) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return IsQuestion(style) ? answer_to_questions_ : kAnswerOk;
}

RecordingMessageReporter::RecordingMessageReporter(int answer_to_questions)
    : answer_(answer_to_questions) {}

int RecordingMessageReporter::ReportMessage(int code, int style, int /*help_context*/) {
    reports_.push_back({code, style, MessageText(code)});
    return IsQuestion(style) ? answer_ : kAnswerOk;
}

int RecordingMessageReporter::ReportText(const std::string& text, int style) {
    reports_.push_back({0, style, text});
    return IsQuestion(style) ? answer_ : kAnswerOk;
}

std::vector<int> RecordingMessageReporter::codes() const {
    std::vector<int> result;
    for (const auto& r : reports_)
        result.push_back(r.code);
    return result;
}

}  // namespace kivo::core

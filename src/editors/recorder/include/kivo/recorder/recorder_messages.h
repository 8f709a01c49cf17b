// The message codes every recorder reports (texts: core/user_messages).
#pragma once

namespace kivo::recorder {

inline constexpr int kMessageUnsavedRecording = 1;  // the close question
inline constexpr int kMessageRecordLocked = 6;
inline constexpr int kMessageMissingFile = 108;
inline constexpr int kMessageCannotSave = 109;
inline constexpr int kMessageIndexFailed = 110;
inline constexpr int kMessageCorruptRecord = 113;
inline constexpr int kMessageCannotOpenRecording = 200;
inline constexpr int kMessageNoRecordingDevice = 202;

// Said after a refused save when the recording could not be kept as a take
// either (a full disk): the recorder stays open with it.
inline constexpr const char* kRecordingStaysText =
    "The recording could not be kept anywhere else, so it stays in the recorder. Make room on "
    "the disk and press OK again, or close the recorder to discard it.";

}  // namespace kivo::recorder

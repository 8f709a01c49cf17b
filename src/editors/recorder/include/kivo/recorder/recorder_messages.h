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

}  // namespace kivo::recorder

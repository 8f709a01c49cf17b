// The message player's own texts (status line, message boxes, e-mail) and
// the "hh:mm:ss" position text it shows.
#pragma once

#include <QString>
#include <cstdint>

namespace kivo::player {

inline constexpr const char* kWindowTitle = "Kivo Message Player";
inline constexpr const char* kOpenFilter = "Kivo Files (*.xrz *.xrv)";
inline constexpr const char* kPathNotFound = "Error: Path not found!";
inline constexpr const char* kCorruptOrInUse =
    "*** Error : Either the Kivo message file is corrupt or it is already being used ***";
// The second line under kCorruptOrInUse when the player's own temporary
// folder cannot be made (ContainerProblemText gives the others).
inline constexpr const char* kNoTemporaryFolder =
    "The player's temporary folder could not be made.";
inline constexpr const char* kUnableToPlay = "*** Error : Unable to play the recording ***";
inline constexpr const char* kNotOriginal = "*** Warning : Not an original recording ***";
inline constexpr const char* kUnknownType =
    "*** Error : Unable to determine the type of recording ***";
inline constexpr const char* kSavedEffects = "*** Recording has saved sound effects ***";
inline constexpr const char* kEffectsFailed =
    "Unable to set the effects, ensure your sound output is working.";

// "hh:mm:ss / hh:mm:ss": a position and the length (recordstore::DurationText:
// negative counts as 0; hours keep counting past 99).
QString PositionText(std::int64_t position_ms, std::int64_t length_ms);

// Milliseconds of "hh:mm:ss", "mm:ss" or "ss"; -1 when the text is not one.
std::int64_t ParseHms(const QString& text);

}  // namespace kivo::player

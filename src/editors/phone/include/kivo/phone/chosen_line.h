// Finding the line the user chose again. The profile keeps the choice as
// CommID, the device number (what the profile has always held and other
// programs read), and beside it as CommLine, the line's name. Device numbers
// are positions in the line list: removing an account, or switching the
// local line on or off, renumbers the lines after it, so the name is what
// finds the chosen line again, and a line that is gone is never replaced by
// whichever line now has its number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kivo/phone/line_choice.h"

namespace kivo::phone {

// The profile key beside CommID that names the chosen line.
inline constexpr const char* kChosenLineNameKey = "CommLine";

struct SavedLineChoice {
    std::optional<std::uint32_t> device;  // CommID; none for "X" or missing
    std::string name;                     // CommLine; empty in older profiles
};

enum class ChosenLineState {
    kNoneChosen,  // no device saved
    kFound,       // listed under the saved number
    kRenumbered,  // listed under another number now: CommID must follow it
    kGone,        // no listed line has the name (unnamed: the number)
};

struct ChosenLine {
    ChosenLineState state = ChosenLineState::kNoneChosen;
    LineDevice line;  // the listed line, for kFound and kRenumbered
};

// Looks the saved choice up among the listed devices: by name when the
// choice has one (the saved number first, should two lines share the name),
// else by number, as older profiles were read.
ChosenLine FindChosenLine(const SavedLineChoice& saved, const std::vector<LineDevice>& devices);

// What the user is told when the chosen line is gone.
std::string ChosenLineGoneText(const SavedLineChoice& saved);

}  // namespace kivo::phone

// Finding the chosen line again after the lines were renumbered: accounts
// removed or added before it, the local line switched on, the line itself
// removed, and profiles written before the line's name was kept.
#include "kivo/phone/chosen_line.h"

#include <gtest/gtest.h>

namespace kivo::phone {
namespace {

std::vector<LineDevice> Lines(std::vector<std::string> names) {
    std::vector<LineDevice> devices;
    for (std::uint32_t device = 0; device < names.size(); ++device)
        devices.push_back({device, names[device]});
    return devices;
}

TEST(ChosenLine, AnAccountRemovedBeforeTheChosenOneMovesTheChoiceWithItsLine) {
    // "Home" was device 2; "Office" (1) was removed, so "Home" is now 1.
    const ChosenLine found = FindChosenLine({2, "Home"}, Lines({"Demo line", "Home", "Shop"}));
    EXPECT_EQ(found.state, ChosenLineState::kRenumbered);
    EXPECT_EQ(found.line.device, 1u);
    EXPECT_EQ(found.line.name, "Home");
}

TEST(ChosenLine, TheLocalLineSwitchedOnMovesEveryAccountOnAndTheChoiceFollows) {
    const ChosenLine found =
        FindChosenLine({1, "Office"}, Lines({"Demo line", "Local SIP line", "Office"}));
    EXPECT_EQ(found.state, ChosenLineState::kRenumbered);
    EXPECT_EQ(found.line.device, 2u);
}

TEST(ChosenLine, TheChosenAccountRemovedIsGoneAndTheOneNowInItsPlaceIsNotTaken) {
    // "Office" was device 1; "Home" now stands at 1.
    const ChosenLine found = FindChosenLine({1, "Office"}, Lines({"Demo line", "Home"}));
    EXPECT_EQ(found.state, ChosenLineState::kGone);
    EXPECT_EQ(FindChosenLine({2, "Office"}, Lines({"Demo line", "Home"})).state,
              ChosenLineState::kGone);
    const std::string told = ChosenLineGoneText({1, "Office"});
    EXPECT_NE(told.find("\"Office\""), std::string::npos) << told;
    EXPECT_NE(told.find("Modem Selection"), std::string::npos) << told;
}

TEST(ChosenLine, AnUnchangedListFindsTheLineUnderItsNumber) {
    const ChosenLine found = FindChosenLine({1, "Office"}, Lines({"Demo line", "Office"}));
    EXPECT_EQ(found.state, ChosenLineState::kFound);
    EXPECT_EQ(found.line.device, 1u);
    // Two lines of one name: the one under the saved number.
    EXPECT_EQ(FindChosenLine({2, "Office"}, Lines({"Demo line", "Office", "Office"})).line.device,
              2u);
}

TEST(ChosenLine, AnOlderProfileWithoutTheNameIsReadByNumberAndGoneWhenNotListed) {
    const ChosenLine found = FindChosenLine({1, ""}, Lines({"Demo line", "Office"}));
    EXPECT_EQ(found.state, ChosenLineState::kFound);
    EXPECT_EQ(found.line.name, "Office");
    EXPECT_EQ(FindChosenLine({3, ""}, Lines({"Demo line", "Office"})).state,
              ChosenLineState::kGone);
    EXPECT_NE(ChosenLineGoneText({3, ""}).find("device 3"), std::string::npos);
}

TEST(ChosenLine, NoSavedDeviceIsNoChoiceWhateverTheName) {
    EXPECT_EQ(FindChosenLine({std::nullopt, "Office"}, Lines({"Demo line", "Office"})).state,
              ChosenLineState::kNoneChosen);
}

}  // namespace
}  // namespace kivo::phone

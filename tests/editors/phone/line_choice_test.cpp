// Listing the line devices, and the telephony error box's groups.
#include "kivo/phone/line_choice.h"

#include <gtest/gtest.h>

#include "kivo/phone/telephony_error_text.h"
#include "kivo/telephony/simulated_line.h"

namespace kivo::phone {
namespace {

class SilentNotifier : public telephony::Notifier {
public:
    void Post(void*, int) override {}
};

std::unique_ptr<telephony::TapiLibrary> LibraryWithLines(TapiStatus& status,
                                                         telephony::Notifier& notifier,
                                                         std::vector<std::string> names) {
    auto directory = [names] {
        std::vector<std::unique_ptr<telephony::LineProvider>> lines;
        for (const std::string& name : names) {
            telephony::SimulatedLine::Options options;
            options.name = name;
            lines.push_back(std::make_unique<telephony::SimulatedLine>(options));
        }
        return lines;
    };
    return std::make_unique<telephony::TapiLibrary>(status, directory, notifier,
                                                    [](std::string_view) {});
}

TEST(LineChoice, ListsEveryLineInDeviceOrderAndLeavesTheLibraryClosed) {
    TapiStatus status{};
    SilentNotifier notifier;
    auto library = LibraryWithLines(status, notifier, {"Demo line", "Office"});
    library->InitVar();
    status.deviceId = 1;
    const LineListing listing = ListLineDevices(*library);
    EXPECT_EQ(listing.status, 0);
    ASSERT_EQ(listing.devices.size(), 2u);
    EXPECT_EQ(listing.devices[0].device, 0u);
    EXPECT_EQ(listing.devices[0].name, "Demo line");
    EXPECT_EQ(listing.devices[1].device, 1u);
    EXPECT_EQ(listing.devices[1].name, "Office");
    EXPECT_EQ(status.deviceId, 1u);  // the chosen device is kept
    EXPECT_EQ(status.tapiInitialized, 0);
    EXPECT_TRUE(HasNetworkLine(listing.devices));
}

TEST(LineChoice, TheDemoLineAloneReachesNoNetwork) {
    TapiStatus status{};
    SilentNotifier notifier;
    auto library = LibraryWithLines(status, notifier, {"Demo line"});
    library->InitVar();
    const LineListing listing = ListLineDevices(*library);
    ASSERT_EQ(listing.devices.size(), 1u);
    EXPECT_FALSE(HasNetworkLine(listing.devices));
    EXPECT_FALSE(HasNetworkLine({}));
}

TEST(TelephonyErrorText, GroupsFollowTheCodeRanges) {
    const std::pair<int, int> cases[] = {{1, 310},   {59, 310},  {60, 320},  {79, 320},  {80, 330},
                                         {99, 330},  {100, 340}, {139, 340}, {140, 350}, {159, 350},
                                         {160, 360}, {179, 360}, {180, 370}, {199, 370}, {200, 380},
                                         {219, 380}, {220, 390}, {221, 390}, {222, 999}};
    for (const auto& [code, group] : cases)
        EXPECT_EQ(TelephonyErrorGroup(code), group) << code;
    EXPECT_EQ(TelephonyErrorText(176), "Failed : Return Code = 360 Reason Code = 176");
}

}  // namespace
}  // namespace kivo::phone

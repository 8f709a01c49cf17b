// The line configuration file and the table of SIP outcomes.
#include <gtest/gtest.h>
#include <linphone/linphonecore.h>

#include "kivo/telephony/line_codes.h"
#include "kivo/telephony/line_configuration.h"
#include "kivo/telephony/sip_outcomes.h"

namespace kivo::telephony {
namespace {

TEST(LineConfiguration, TheLocalLineIsOfferedOnlyWhenSwitchedOnAndListensOnLoopbackByDefault) {
    EXPECT_TRUE(ParseLineConfiguration("[local]\nport = 5080\n").sip_lines.empty());
    const auto on = ParseLineConfiguration("[local]\nenabled = Y\nport = 5080\n");
    ASSERT_EQ(on.sip_lines.size(), 1u);
    EXPECT_TRUE(on.sip_lines[0].local);
    EXPECT_EQ(on.sip_lines[0].port, 5080);
    EXPECT_EQ(on.sip_lines[0].listen_address, "");  // the line binds to 127.0.0.1 then
}

TEST(LineConfiguration, AccountsFollowTheLocalLineAndBadValuesKeepTheirDefaults) {
    const auto configuration = ParseLineConfiguration(
        "# lines\n[account Office]\nuser = ann\ndomain = pbx.example\ntransport = tls\n"
        "ring_period_ms = 12\n[local]\nenabled=Y\nport=99999\n[demo]\nring_period_ms=2500\n"
        "garbage line\n[account ]\n");
    ASSERT_EQ(configuration.sip_lines.size(), 2u);
    EXPECT_EQ(configuration.sip_lines[0].name, "Local line");
    EXPECT_EQ(configuration.sip_lines[0].port, 5070);
    EXPECT_EQ(configuration.sip_lines[1].name, "Office");
    EXPECT_EQ(configuration.sip_lines[1].user, "ann");
    EXPECT_EQ(configuration.sip_lines[1].transport, "tls");
    EXPECT_EQ(configuration.sip_lines[1].ring_period_ms, 4000);
    EXPECT_EQ(configuration.demo_ring_period_ms, 2500);
}

TEST(SipOutcomes, BusyAndUnreachableBecomeTheModesTheHostActsOn) {
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonNone), kDisconnectNormal);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonBusy), kDisconnectBusy);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonDoNotDisturb), kDisconnectBusy);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonIOError), kDisconnectNoDialTone);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonNoResponse), kDisconnectNoDialTone);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonUnauthorized), kDisconnectNoDialTone);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonDeclined), kDisconnectReject);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonNotFound), kDisconnectBadAddress);
    EXPECT_EQ(SipDisconnectMode(LinphoneReasonTransferred), kDisconnectUnknown);
}

}  // namespace
}  // namespace kivo::telephony

// Only a plain recording name is taken as a record's recording.
#include "kivo/core/recording_name.h"

#include <gtest/gtest.h>

namespace kivo::core {
namespace {

TEST(RecordingName, TakesDAStampAndAContainerExtension) {
    for (const char* name :
         {"D1.xrz", "D20240301101500000.xrz", "D2026120803.xrv", "DabcXYZ09.xrz"})
        EXPECT_TRUE(IsRecordingName(name)) << name;
}

TEST(RecordingName, RefusesStoreComponentsPathsAndOddNames) {
    for (const char* name : {"",
                             "Voxwren.xrr",
                             "Voxwren.xri",
                             "Voxwren.xrl",
                             "xrgreet.wav",
                             "xrwarn.wav",
                             "..",
                             ".",
                             "D.xrz",
                             "D1.xrw",
                             "D1.XRZ",
                             "d1.xrz",
                             "../D1.xrz",
                             "/tmp/D1.xrz",
                             "D1.xrz/x",
                             "sub/D1.xrz",
                             "D1..xrz",
                             "D1.x.xrz",
                             "D 1.xrz",
                             "D1\\x.xrz",
                             "D1\x01.xrz",
                             "D1.xrz ",
                             "C:D1.xrz",
                             "D\xC3\xA9"
                             "1.xrz"}) {
        EXPECT_FALSE(IsRecordingName(name)) << QuotedName(name);
    }
    EXPECT_TRUE(IsRecordingName("D" + std::string(kMaxRecordingStampChars, '7') + ".xrz"));
    EXPECT_FALSE(IsRecordingName("D" + std::string(kMaxRecordingStampChars + 1, '7') + ".xrz"));
}

TEST(RecordingName, MessagesQuoteTheNameWithControlBytesEscaped) {
    EXPECT_EQ(QuotedName("Voxwren.xrr"), "\"Voxwren.xrr\"");
    EXPECT_EQ(QuotedName(std::string("a\x1b[2J\"\\", 7)), "\"a\\x1B[2J\\x22\\x5C\"");
    EXPECT_EQ(NotARecordingText(5, "xrgreet.wav"),
              "record 00000005 names \"xrgreet.wav\" as its recording, which is not a "
              "recording name");
}

}  // namespace
}  // namespace kivo::core

// The message table holds every code with its exact text.
#include "kivo/core/user_messages.h"

#include <gtest/gtest.h>

#include <set>

namespace kivo::core {
namespace {

TEST(MessageTable, HoldsEveryCodeOnceWith138Texts) {
    std::set<int> codes;
    std::set<std::string> texts;
    for (const auto& entry : MessageTable()) {
        codes.insert(entry.code);
        texts.insert(entry.text);
    }
    EXPECT_EQ(codes.size(), kMessageCount);
    EXPECT_EQ(texts.size(), 138u);  // 206 and 207 share one
    EXPECT_EQ(MessageText(206), MessageText(207));
    EXPECT_EQ(MessageText(206), "Failed to open the selected device.");
}

TEST(MessageTable, CodesOutsideTheTableShowTheNotDefinedText) {
    for (int code : {0, -1, 1000, 21, 808, 612, 2147483647}) {
        EXPECT_EQ(MessageText(code), "Message issued but not defined : Error 1000") << code;
        EXPECT_FALSE(IsDefinedMessage(code)) << code;
    }
}

TEST(MessageTable, TextsCarryTheirOwnNumbers) {
    EXPECT_EQ(MessageText(10),
              "You cannot import the data store you are currently using, operation cancelled : "
              "Info 012");
    EXPECT_EQ(MessageText(27), "There was a problem with the Video Capture Interface : Error 033");
    EXPECT_EQ(MessageText(34), "Failed to start video capture : Error 040");
    EXPECT_EQ(MessageText(106),
              "Warning : Incomplete build of the Kivo data store : See Trouble Shooting guide in "
              "Help : Error 106");
    EXPECT_EQ(MessageText(119),
              "The temporary workspace could not be created : Application closing : Error 119");
    EXPECT_EQ(MessageText(999), "A severe error occurred  : Application closing");
    EXPECT_EQ(MessageText(105),
              "The Kivo data store you used last could not be accessed.\n\nDo you want to open "
              "another data store? \nAnswering No will prompt you to create a new data store : "
              "Error 105");
}

TEST(MessageTable, WebTextsEndWithTheMakersAddresses) {
    EXPECT_EQ(MessageText(22),
              std::string("Unable to link to Kivo web site.\r\nStart your internet "
                          "browser and enter ") +
                  kMakerWebAddress);
    EXPECT_TRUE(MessageText(800).ends_with(kMakerDownloadAddress));
    EXPECT_TRUE(MessageText(852).ends_with(kMakerDownloadAddress));
}

TEST(MessageTable, TheMakersAddressIsTheInstalledHelpIndexNotAPlaceholder) {
    const std::string address = kMakerWebAddress;
    EXPECT_EQ(address.rfind("file:///", 0), 0u) << address;
    EXPECT_TRUE(address.ends_with("/kivo/help/166.htm")) << address;
    for (int code : {22, 800, 851, 852}) {
        const std::string text = MessageText(code);
        EXPECT_EQ(text.find("example"), std::string::npos) << code << ": " << text;
        EXPECT_NE(text.find(address), std::string::npos) << code << ": " << text;
    }
}

TEST(MessageReporting, QuestionsReturnTheAnswerAndNoticesOk) {
    RecordingMessageReporter reporter(kAnswerNo);
    EXPECT_EQ(reporter.ReportMessage(24, kStyleQuestion), kAnswerNo);
    reporter.set_answer(kAnswerYes);
    EXPECT_EQ(reporter.ReportMessage(24, kStyleQuestion), kAnswerYes);
    EXPECT_EQ(reporter.ReportMessage(4, kStyleInformation), kAnswerOk);
    EXPECT_EQ(reporter.codes(), (std::vector<int>{24, 24, 4}));
    EXPECT_EQ(reporter.reports()[0].text,
              "Your Kivo Data Store needs compressing, do you want to compress it now?");
}

}  // namespace
}  // namespace kivo::core

// Words, same-length replacement, date and duration texts, and the UTF-8
// rules of stored spaces and display text.
#include <gtest/gtest.h>

#include <string>

#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/text_encoding.h"
#include "qldate.h"
#include "qlrep1.h"
#include "qlword.h"
#include "zn2dtcmp.h"
#include "zn2srch.h"

namespace rs = kivo::recordstore;

namespace {

std::string Word(const std::string& text, int n, int32_t* found = nullptr) {
    std::string out(text.size() + 1, 'x');
    const int32_t result = word_find(text.c_str(), out.data(), n);
    if (found != nullptr) {
        *found = result;
    }
    return out.c_str();
}

std::string StrRep(std::string text, const char* find, const char* replace) {
    strstrrep(text.data(), find, replace);
    return text;
}

rs::LocalDateTime March5th() {
    return {2024, 3, 5, 9, 7, 2, 123};
}

}  // namespace

TEST(WordFind, WordOneOfARecordLineIsTheRecordNumber) {
    EXPECT_EQ(Word("00000042 0 0  Subject", 1), "00000042");
}

TEST(WordFind, TwoSpacesEncloseAnEmptyWord) {
    EXPECT_EQ(Word("a  b", 2), "");
    EXPECT_EQ(Word("a  b", 3), "b");
    EXPECT_EQ(word_count("a  b"), 3);
}

TEST(WordFind, PastTheLastWordGivesEmptyTextAndZero) {
    int32_t found = -1;
    EXPECT_EQ(Word("a b", 3, &found), "");
    EXPECT_EQ(found, 0);
    EXPECT_EQ(Word("a b", 0, &found), "");
    EXPECT_EQ(found, 0);
    EXPECT_EQ(word_count(""), 0);
}

TEST(StrStrRep, SpaceToStoredSpaceAndBackGivesTheTextAsItWas) {
    const std::string text = "Meeting with the bank";
    const std::string stored = StrRep(text, " ", "\xAC");
    EXPECT_EQ(stored,
              "Meeting\xACwith\xACthe\xAC"
              "bank");
    EXPECT_EQ(StrRep(stored, "\xAC", " "), text);
}

TEST(StrStrRep, StoredSpaceInsideAUtf8CharacterIsKept) {
    // "ì" (C3 AC), Greek "ά" (CE AC), Russian "Ь" (D0 AC), Japanese "本"
    // (E6 9C AC) all end in the byte 0xAC.
    const std::string text = "così ά Ь 日本 x";
    const std::string stored = StrRep(text, " ", "\xAC");
    EXPECT_EQ(stored.find(' '), std::string::npos);
    EXPECT_EQ(StrRep(stored, "\xAC", " "), text);
}

TEST(StrStrRep, DifferentLengthsChangeNothing) {
    char text[] = "a b";
    EXPECT_EQ(strstrrep(text, " ", "  "), -1);
    EXPECT_STREQ(text, "a b");
    EXPECT_EQ(strstrrep(text, "", ""), -1);
}

TEST(StrStrRep, CarriageReturnsAndLineFeedsBecomeSpaces) {
    EXPECT_EQ(StrRep(StrRep("one\r\ntwo", "\r", " "), "\n", " "), "one  two");
}

TEST(Durations, ZeroMillisecondsIsAllZeros) {
    char out[QLDATE_BUFFER_BYTES];
    EXPECT_STREQ(conv_millisec(0, out), "00:00:00");
    EXPECT_STREQ(conv_millisec(-5, out), "00:00:00");
}

TEST(Durations, MillisecondsAndTextConvertBothWays) {
    char out[QLDATE_BUFFER_BYTES];
    EXPECT_STREQ(conv_millisec(3723999, out), "01:02:03");
    EXPECT_EQ(conv_duration("01:02:03"), 3723000);
    EXPECT_STREQ(conv_millisec(100 * 3600 * 1000LL, out), "100:00:00");
    EXPECT_EQ(conv_duration("100:00:00"), 100 * 3600 * 1000LL);
}

TEST(Durations, CappedTextStopsTheHoursButKeepsMinutesAndSeconds) {
    EXPECT_EQ(rs::CappedDurationText(3723999, 99), "01:02:03");
    EXPECT_EQ(rs::CappedDurationText(99 * 3600 * 1000LL + 59 * 60 * 1000 + 59 * 1000, 99),
              "99:59:59");
    EXPECT_EQ(rs::CappedDurationText(123 * 3600 * 1000LL + 4 * 60 * 1000 + 5 * 1000, 99),
              "99:04:05");
    EXPECT_EQ(rs::CappedDurationText(-1, 99), "00:00:00");
    // Uncapped, the same time keeps all its hours.
    EXPECT_EQ(rs::DurationText(123 * 3600 * 1000LL + 4 * 60 * 1000 + 5 * 1000), "123:04:05");
}

TEST(Durations, MalformedTextIsZero) {
    EXPECT_EQ(conv_duration("1:2:3"), 0);
    EXPECT_EQ(conv_duration("00:61:00"), 0);
    EXPECT_EQ(conv_duration("00:00:05 "), 0);
    EXPECT_EQ(conv_duration(""), 0);
    EXPECT_EQ(conv_duration(nullptr), 0);
}

TEST(Durations, CallDurationIsTheTimeBetweenTwoCalendarTimes) {
    char out[QLDATE_BUFFER_BYTES];
    EXPECT_STREQ(CallDuration(1000, 1000 + 3725, out), "01:02:05");
    EXPECT_STREQ(CallDuration(2000, 1000, out), "00:00:00");
}

TEST(TimeLeftText, SignShowsWhetherThePlannedEndIsPast) {
    char out[QLDATE_BUFFER_BYTES];
    EXPECT_STREQ(TimeLeft(out, "10:30:00", "10:00:00"), "+00:30:00");
    EXPECT_STREQ(TimeLeft(out, "10:30:00", "10:30:00"), "+00:00:00");
    EXPECT_STREQ(TimeLeft(out, "10:30:00", "10:35:10"), "-00:05:10");
}

TEST(TimeLeftText, PlannedEndAfterMidnightWraps) {
    char out[QLDATE_BUFFER_BYTES];
    EXPECT_STREQ(TimeLeft(out, "00:30:00", "23:50:00"), "+00:40:00");
    EXPECT_STREQ(TimeLeft(out, "23:50:00", "00:10:00"), "-00:20:00");
    EXPECT_STREQ(TimeLeft(out, "garbage", "00:10:00"), "+00:00:00");
}

TEST(ClockTexts, ComeFromTheInstalledClock) {
    rs::ScopedLocalClock clock(March5th);
    char out[QLDATE_BUFFER_BYTES];
    EXPECT_STREQ(LogDate(out), "05/03/2024 09:07:02");
    EXPECT_STREQ(DisplayDate(out), "05/03/2024 09:07:02");
    EXPECT_STREQ(ClockTime(out), "09:07:02");
    EXPECT_STREQ(ClockDate(out), "05/03/2024");
}

TEST(ClockTexts, DateStampsAreUniqueFileNameSafeWords) {
    rs::ScopedLocalClock clock(March5th);
    char first[QLDATE_BUFFER_BYTES];
    char second[QLDATE_BUFFER_BYTES];
    DateStamp(first);
    DateStamp(second);
    EXPECT_GE(std::string(first), "20240305090702123");
    EXPECT_EQ(std::string(first).size(), 17u);
    EXPECT_EQ(std::string(first).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_GT(std::stoll(second), std::stoll(first));
}

TEST(DateCompare, OrdersByCalendarNotByText) {
    EXPECT_LT(DtCmpddmmyyyy("31/12/2023", "01/01/2024"), 0);
    EXPECT_GT(DtCmpddmmyyyy("02/02/2024", "31/01/2024"), 0);
    EXPECT_EQ(DtCmpddmmyyyy("05/03/2024", "5/3/2024"), 0);
}

TEST(DateCompare, TimeOfDayBreaksTiesAndNonDatesSortFirst) {
    EXPECT_LT(DtCmpddmmyyyy("05/03/2024 09:00:00", "05/03/2024 10:00:00"), 0);
    EXPECT_LT(DtCmpddmmyyyy("", "01/01/1990"), 0);
    EXPECT_LT(DtCmpddmmyyyy("31/02/2024", "01/01/1990"), 0);  // not a calendar date
    EXPECT_EQ(DtCmpddmmyyyy(nullptr, ""), 0);
}

TEST(FormatDate, IndexDatesAndLineDatesGiveDateTexts) {
    char out[ZN2_FORMAT_DATE_BUFFER_BYTES];
    EXPECT_STREQ(Zn2FormatDate("20240305", out), "05/03/2024");
    EXPECT_STREQ(Zn2FormatDate("5/3/2024", out), "05/03/2024");
    EXPECT_STREQ(Zn2FormatDate("0", out), "0");
    EXPECT_STREQ(Zn2FormatDate(std::string(100, 'x').c_str(), out), std::string(31, 'x').c_str());
}

TEST(TextEncoding, CutsNeverSplitACharacter) {
    const std::string greek = "αβγ";  // two bytes each
    EXPECT_EQ(rs::CutAtCharBoundary(greek, 5), "αβ");
    EXPECT_EQ(rs::CutAtCharBoundary("日本語", 8), "日本");
    // Windows-1252 bytes count one each.
    EXPECT_EQ(rs::CutAtCharBoundary("caf\xE9\xE9", 4), "caf\xE9");
}

TEST(TextEncoding, InvalidUtf8IsShownAsWindows1252) {
    EXPECT_EQ(rs::DisplayText("Caf\xE9 \x80 \x93ok\x94"), "Café € “ok”");
    EXPECT_EQ(rs::DisplayText("\x81"), "\xEF\xBF\xBD");
    EXPECT_EQ(rs::DisplayText("déjà vu"), "déjà vu");
    EXPECT_TRUE(rs::IsValidUtf8(rs::DisplayText("\xC0\x80\xED\xA0\x80\xF4\x90\x80\x80")));
}

TEST(TextEncoding, Utf8ValidationRejectsOverlongsSurrogatesAndCutSequences) {
    EXPECT_TRUE(rs::IsValidUtf8("ok é ά 本 😀"));
    EXPECT_FALSE(rs::IsValidUtf8("\xC0\x80"));
    EXPECT_FALSE(rs::IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(rs::IsValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_FALSE(rs::IsValidUtf8("\xE6\x9C"));
}

TEST(TextEncoding, AWindowsFieldWithUtf8LookAlikeRunsIsDecodedAsAWhole) {
    // "Prix é £5 ü" from the Windows program: E9 AC A3 (é, stored space, £)
    // happens to be one valid UTF-8 character; the FC (ü) shows the field
    // is not UTF-8, so all of it is Windows-1252.
    const std::string stored =
        "Prix\xAC\xE9\xAC\xA3"
        "5\xAC\xFC";
    EXPECT_EQ(rs::RestoreSpaces(stored),
              "Prix \xE9 \xA3"
              "5 \xFC");
    EXPECT_EQ(rs::DisplayText(rs::RestoreSpaces(stored)), "Prix é £5 ü");
    // Valid UTF-8 next to an invalid byte is not kept as UTF-8 either.
    EXPECT_EQ(rs::DisplayText("\xC3\xA9t\xE9"), "Ã©té");
}

TEST(TextEncoding, AUtf8FieldKeepsItsCharactersAndItsStoredSpaces) {
    // "Café €5 ¬" as this program stores it: spaces as lone 0xAC; the 0xAC
    // that ends the euro sign and the one inside C2 AC (¬) are not spaces.
    const std::string stored =
        "Caf\xC3\xA9\xAC\xE2\x82\xAC"
        "5\xAC\xC2\xAC";
    EXPECT_EQ(rs::RestoreSpaces(stored), "Café €5 ¬");
    EXPECT_EQ(rs::DisplayText(rs::RestoreSpaces(stored)), "Café €5 ¬");
}

TEST(TextEncoding, WindowsLineWithStoredSpacesReadsBack) {
    // "Café noir" written by the Windows program: E9 then a stored space.
    EXPECT_EQ(rs::DisplayText(rs::RestoreSpaces("Caf\xE9\xACnoir")), "Café noir");
}

// The status-code tables and the cleaning of caller texts.
#include <gtest/gtest.h>

#include <cstring>

#include "kivo/telephony/caller_text.h"
#include "kivo/telephony/line_codes.h"
#include "kivo/telephony/status_codes.h"

namespace kivo::telephony {
namespace {

TEST(StatusCodes, LineErrorsMapPerStepAndUnlistedOnesGiveTheStepsOtherCode) {
    EXPECT_EQ(StatusForLineError(LineStep::kInit, kLineErrInvalAppName), 1);
    EXPECT_EQ(StatusForLineError(LineStep::kInit, kLineErrReinit), 5);
    EXPECT_EQ(StatusForLineError(LineStep::kInit, kLineErrInUse), 10);
    EXPECT_EQ(StatusForLineError(LineStep::kDeviceCaps, kLineErrBadDeviceId), 60);
    EXPECT_EQ(StatusForLineError(LineStep::kOpen, kLineErrBadDeviceId), 34);
    EXPECT_EQ(StatusForLineError(LineStep::kOpen, kLineErrAllocated), 32);
    EXPECT_EQ(StatusForLineError(LineStep::kWaveId, kLineErrNoMem), 81);
    EXPECT_EQ(StatusForLineError(LineStep::kWaveId, kLineErrDialBilling), 99);
    EXPECT_EQ(StatusForLineError(LineStep::kAnswer, kLineErrNotOwner), 150);
    EXPECT_EQ(StatusForLineError(LineStep::kAnswer, kLineErrAllocated), 159);
    EXPECT_EQ(StatusForLineError(LineStep::kDial, kLineErrAddressBlocked), 100);
    EXPECT_EQ(StatusForLineError(LineStep::kDial, kLineErrUserUserInfoTooBig), 127);
    EXPECT_EQ(StatusForLineError(LineStep::kDial, kLineErrNoDevice), 139);
    EXPECT_EQ(StatusForLineError(LineStep::kDial, 0), 0);
}

TEST(StatusCodes, EveryMappedCodeStaysInItsStepsRange) {
    const std::int32_t errors[] = {
        kLineErrAllocated,        kLineErrBadDeviceId,     kLineErrInUse,
        kLineErrInvalPointer,     kLineErrNoMem,           kLineErrOperationFailed,
        kLineErrOperationUnavail, kLineErrResourceUnavail, kLineErrUninitialized,
        kLineErrReinit,           kLineErrInvalCallHandle, kLineErrStructureTooSmall};
    const struct {
        LineStep step;
        int low, high;
    } ranges[] = {{LineStep::kInit, 1, 10},        {LineStep::kOpen, 20, 59},
                  {LineStep::kDeviceCaps, 60, 79}, {LineStep::kWaveId, 80, 99},
                  {LineStep::kDial, 100, 139},     {LineStep::kAnswer, 140, 159}};
    for (const auto& range : ranges) {
        for (std::int32_t error : errors) {
            const int code = StatusForLineError(range.step, error);
            EXPECT_GE(code, range.low);
            EXPECT_LE(code, range.high);
        }
    }
}

TEST(StatusCodes, MultimediaResultsMapPerStep) {
    EXPECT_EQ(StatusForWaveResult(WaveStep::kLoad, kMmioFileNotFound), 169);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kLoad, kMmioInvalidFile), 161);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kLoad, kWaveErrBadFormat), 170);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kPlayback, kMmBadDeviceId), 175);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kRecord, kWaveErrUnprepared), 186);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kRecord, 999), 199);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kSave, kMmioPathNotFound), 203);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kSave, kMmioCannotWrite), 207);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kSave, kMmNoMem), 219);
    EXPECT_EQ(StatusForWaveResult(WaveStep::kSave, 0), 0);
}

TEST(CallerText, ControlCharactersAndSeparatorsGoSpacesStay) {
    EXPECT_EQ(SanitizeCallerText("Ann\tSmith\r\n"), "AnnSmith");
    EXPECT_EQ(SanitizeCallerText("  Ann   Smith  "), "Ann Smith");
    EXPECT_EQ(SanitizeCallerText("A\xE2\x80\xA8"
                                 "B\xE2\x80\xA9"
                                 "C"),
              "ABC");  // U+2028, U+2029
    EXPECT_EQ(SanitizeCallerText("A\xC2\x85"
                                 "B\x7F"),
              "AB");  // NEL, DEL
    EXPECT_EQ(SanitizeCallerText(std::string("A\0B", 3)), "AB");
}

TEST(CallerText, BytesThatAreNotUtf8AreDroppedAndCharactersKept) {
    EXPECT_EQ(SanitizeCallerText("x\xACy"), "xy");          // a stray separator byte
    EXPECT_EQ(SanitizeCallerText("\xC3\xAC"), "\xC3\xAC");  // ì ends in 0xAC and stays
    EXPECT_EQ(SanitizeCallerText("\xC0\xAF"
                                 "ok"),
              "ok");  // overlong
    EXPECT_EQ(SanitizeCallerText("\xED\xA0\x80"
                                 "ok"),
              "ok");                                    // surrogate
    EXPECT_EQ(SanitizeCallerText("ok\xE2\x82"), "ok");  // cut-off sequence
}

TEST(CallerText, LongTextIsCutAtACharacterBoundary) {
    std::string euros;
    for (int i = 0; i < 30; ++i) {
        euros += "\xE2\x82\xAC";  // 3 bytes each: 26 fit in 79 bytes
    }
    const std::string cut = SanitizeCallerText(euros);
    EXPECT_EQ(cut.size(), 78u);
    EXPECT_EQ(SanitizeCallerText(std::string(200, 'x')).size(), 79u);
    EXPECT_EQ(SanitizeCallerText("ab cd", 3), "ab");  // no trailing space
}

TEST(CallerText, CopyToFieldTerminatesAndZeroFills) {
    char field[8];
    std::memset(field, 'z', sizeof field);
    CopyToField("abc", field, sizeof field);
    EXPECT_STREQ(field, "abc");
    EXPECT_EQ(field[7], '\0');
}

}  // namespace
}  // namespace kivo::telephony

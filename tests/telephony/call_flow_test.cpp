// Call flows on the demo line, through the library as the host drives it.
#include <gtest/gtest.h>

#include <filesystem>

#include "kivo/telephony/status_codes.h"
#include "telephony_test_support.h"

namespace kivo::test {
namespace {

constexpr int kRing = TelephonyBench::kRingPeriodMs;

TEST(IncomingCall, ThreeRingsWithAutoAnswerPostRingOnceThenAnswerNowOnce) {
    TelephonyBench bench;
    bench.OpenLine(3, true);
    ASSERT_TRUE(bench.line->Ring("5551234", "Ann"));
    bench.Run(kRing / 2);  // first ring
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_RING, ZN2TAPI_MSG_ANSWER_NOW}),
              std::vector<int>{ZN2TAPI_MSG_RING});
    bench.Run(kRing);  // second ring: nothing
    EXPECT_EQ(bench.notifier.Count(ZN2TAPI_MSG_ANSWER_NOW), 0);
    EXPECT_EQ(bench.status.ringCount, 2);
    bench.Run(kRing * 5);  // third ring answers; the host has not, so it keeps ringing
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_RING, ZN2TAPI_MSG_ANSWER_NOW}),
              (std::vector<int>{ZN2TAPI_MSG_RING, ZN2TAPI_MSG_ANSWER_NOW}));
    EXPECT_EQ(bench.status.ringCount, 999);
    EXPECT_EQ(bench.status.recorder.recordAfter, 1);
}

TEST(IncomingCall, WithoutAutoAnswerOnlyTheFirstRingPosts) {
    TelephonyBench bench;
    bench.OpenLine(2, false);
    ASSERT_TRUE(bench.line->Ring("5551234", ""));
    bench.Run(kRing * 6);
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_RING, ZN2TAPI_MSG_ANSWER_NOW}),
              std::vector<int>{ZN2TAPI_MSG_RING});
    EXPECT_GE(bench.status.ringCount, 6);
    EXPECT_EQ(bench.status.recorder.recordAfter, 0);
}

TEST(IncomingCall, CallerNameAndNumberArriveAndIdleClearsThem) {
    TelephonyBench bench;
    bench.OpenLine(5, false);
    ASSERT_TRUE(bench.line->Ring("+44 20 7946 0000", "Ann Smith"));
    bench.Run(20);
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_NEW_CALL, ZN2TAPI_MSG_CALLER_ID}),
              (std::vector<int>{ZN2TAPI_MSG_NEW_CALL, ZN2TAPI_MSG_CALLER_ID}));
    EXPECT_STREQ(bench.status.callerName, "Ann Smith");
    EXPECT_STREQ(bench.status.callerNumber, "+44 20 7946 0000");
    EXPECT_EQ(bench.status.callerIdValid, 1);
    EXPECT_NE(bench.status.call, 0u);

    ASSERT_TRUE(bench.line->HangUp());
    bench.Run(20);
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_IDLE}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_IDLE}));
    EXPECT_STREQ(bench.status.callerName, "");
    EXPECT_STREQ(bench.status.callerNumber, "");
    EXPECT_EQ(bench.status.callerIdValid, 0);
    EXPECT_EQ(bench.status.call, 0u);
    EXPECT_EQ(bench.status.ringCount, 0);
}

TEST(IncomingCall, HostileCallerTextIsCleanedAndCutToTheField) {
    TelephonyBench bench;
    bench.OpenLine(5, false);
    std::string name = "Eve\r\n00000001 0 0\x01\x1b[2J";
    for (int i = 0; i < 60; ++i) {
        name += "\xC3\xA9";  // é, two bytes each: the cut must not split one
    }
    ASSERT_TRUE(
        bench.line->Ring("12\xAC"
                         "34\n56",
                         name));
    bench.Run(20);
    const std::string kept = bench.status.callerName;
    EXPECT_LE(kept.size(), 79u);
    EXPECT_EQ(kept.rfind("Eve00000001 0 0[2J", 0), 0u);
    EXPECT_EQ(kept.find_first_of("\r\n\x01\x1b"), std::string::npos);
    EXPECT_EQ((kept.size() - std::string("Eve00000001 0 0[2J").size()) % 2, 0u);
    EXPECT_STREQ(bench.status.callerNumber, "123456");
    EXPECT_EQ(bench.status.callerName[79], '\0');
}

TEST(IncomingCall, BlockedNumberLeavesTheCallerTextsEmpty) {
    TelephonyBench bench;
    bench.OpenLine(5, false);
    ASSERT_TRUE(bench.line->Ring("", ""));
    bench.Run(20);
    EXPECT_STREQ(bench.status.callerName, "");
    EXPECT_STREQ(bench.status.callerNumber, "");
    EXPECT_EQ(bench.status.callerIdValid, 0);
    EXPECT_NE(
        std::find(bench.debug_lines.begin(), bench.debug_lines.end(), "CallerID is Blocked\n"),
        bench.debug_lines.end());
}

TEST(AnsweredCall, GreetingThenResourceThenTheCallerIsRecordedWithoutTheHost) {
    TelephonyBench bench;
    bench.answering_machine = true;
    bench.OpenLine(2, true);
    ASSERT_TRUE(bench.line->Ring("5551234", "Ann"));
    bench.Run(kRing * 2);
    ASSERT_EQ(bench.notifier.Count(ZN2TAPI_MSG_ANSWER_NOW), 1);
    ASSERT_EQ(bench.notifier.Count(ZN2TAPI_MSG_CONNECTED), 1);
    EXPECT_EQ(bench.status.recorder.playing, 1);

    bench.Run(1100);  // greeting (700 ms) and resource (300 ms) play out
    std::vector<std::uint8_t> expected_heard = bench.greeting;
    expected_heard.insert(expected_heard.end(), bench.resource.begin(), bench.resource.end());
    EXPECT_EQ(bench.line->heard(), expected_heard);
    EXPECT_EQ(bench.status.recorder.playing, 0);
    // The chain started the recording on its own: no message, no flag.
    EXPECT_EQ(bench.notifier.Count(ZN2TAPI_MSG_RECORDING), 0);
    EXPECT_EQ(bench.status.recording, 0);

    const auto speech = CountingCallAudio(1500, 3);
    ASSERT_TRUE(bench.line->Speak(speech));
    bench.Run(1600);
    ASSERT_TRUE(bench.line->HangUp());
    bench.Run(40);
    EXPECT_EQ(bench.status.status, 0);
    EXPECT_EQ(ReadWaveSamples(bench.dir.file("message.wav")), speech);
    EXPECT_FALSE(std::filesystem::exists(bench.dir.file("take.raw")));
    EXPECT_FALSE(std::filesystem::exists(bench.dir.file("all.raw")));
}

TEST(AnsweredCall, CallerHangingUpMidRecordingKeepsWhatWasSaid) {
    TelephonyBench bench;
    bench.answering_machine = true;
    bench.OpenLine(1, true);
    ASSERT_TRUE(bench.line->Ring("5551234", "Ann"));
    bench.Run(kRing + 1100);
    const auto speech = CountingCallAudio(3000, 4);
    ASSERT_TRUE(bench.line->Speak(speech));
    bench.Run(1100);  // 1.1 s: five whole buffers and half of the sixth
    ASSERT_TRUE(bench.line->HangUp());
    bench.Run(40);
    const auto saved = ReadWaveSamples(bench.dir.file("message.wav"));
    ASSERT_EQ(saved.size(), 1100u * 16);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), speech.begin()));
}

TEST(AnsweredCall, AMissingResourceStillLeadsToTheRecording) {
    TelephonyBench bench;
    bench.answering_machine = true;
    std::filesystem::remove(bench.dir.file("7.wav"));
    bench.OpenLine(1, true);
    ASSERT_TRUE(bench.line->Ring("5551234", "Ann"));
    bench.Run(kRing + 800);
    EXPECT_EQ(bench.line->heard(), bench.greeting);
    const auto speech = CountingCallAudio(400, 8);
    ASSERT_TRUE(bench.line->Speak(speech));
    bench.Run(500);
    ASSERT_TRUE(bench.line->HangUp());
    bench.Run(40);
    EXPECT_EQ(ReadWaveSamples(bench.dir.file("message.wav")), speech);
}

TEST(AnsweredCall, CallerHangingUpDuringTheGreetingStopsTheChain) {
    TelephonyBench bench;
    bench.OpenLine(1, true);
    ASSERT_TRUE(bench.line->Ring("5551234", "Ann"));
    bench.Run(20);
    bench.library->Answer();
    bench.Run(20);
    bench.library->GetWaveId(4, "wave/in");
    bench.library->GetWaveId(4, "wave/out");
    bench.library->SetResource(bench.dir.path().c_str(), 7);
    bench.library->PlayFile(bench.dir.file("greeting.wav").c_str());
    bench.Run(300);
    ASSERT_TRUE(bench.line->HangUp());
    bench.Run(1000);
    EXPECT_EQ(bench.status.recorder.playing, 0);
    EXPECT_EQ(bench.status.recorder.takeFile, -1);  // no recording was started
    EXPECT_EQ(bench.line->heard().size(), 300u * 16);
}

TEST(AnsweredCall, LevelsFollowTheCallerAndSilentBuffersAreCounted) {
    TelephonyBench bench;
    bench.answering_machine = true;
    bench.OpenLine(1, true);
    ASSERT_TRUE(bench.line->Ring("5551234", "Ann"));
    bench.Run(kRing + 1100);
    std::vector<std::uint8_t> speech(3200 * 2, 0);  // two silent buffers
    const auto loud = CallTone(200, 0.5);
    speech.insert(speech.end(), loud.begin(), loud.end());
    ASSERT_TRUE(bench.line->Speak(speech));
    bench.Run(620);
    EXPECT_EQ(bench.status.recorder.silentBuffers, 2);
    EXPECT_EQ(bench.status.recorder.maxLevel, 50);  // peak 16384: high byte 64 -> 64*100/128
    EXPECT_EQ(bench.status.recorder.currentBuffer, 3);
}

TEST(HostRecording, PauseDropsTheAudioAndPostsPausedThenRecording) {
    TelephonyBench bench;
    bench.OpenLine(1, false);
    ASSERT_TRUE(bench.line->Ring("5551234", "Ann"));
    bench.Run(20);
    bench.library->Answer();
    bench.Run(20);
    bench.library->GetWaveId(4, "wave/in");
    bench.library->SetRecord(bench.dir.file("take.raw").c_str(), bench.dir.file("all.raw").c_str(),
                             bench.dir.file("call.wav").c_str());
    bench.library->Record();
    ASSERT_EQ(bench.status.status, 0);
    ASSERT_EQ(bench.status.recording, 1);
    const auto first = CountingCallAudio(400, 5);
    const auto second = CountingCallAudio(400, 6);
    bench.line->Speak(first);
    bench.Run(400);
    bench.library->Pause();
    bench.line->Speak(CountingCallAudio(400, 7));
    bench.Run(400);
    bench.library->Pause();
    bench.line->Speak(second);
    bench.Run(400);
    bench.library->Stop();
    EXPECT_EQ(bench.status.status, 0);
    EXPECT_EQ(bench.status.recording, 0);
    bench.library->Save();
    EXPECT_EQ(bench.status.status, 0);
    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(ReadWaveSamples(bench.dir.file("call.wav")), expected);
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_RECORDING, ZN2TAPI_MSG_PAUSED}),
              (std::vector<int>{ZN2TAPI_MSG_RECORDING, ZN2TAPI_MSG_PAUSED, ZN2TAPI_MSG_RECORDING}));
}

TEST(HostRecording, SavingIntoAMissingFolderReportsPathNotFound) {
    TelephonyBench bench;
    bench.OpenLine(1, false);
    ASSERT_TRUE(bench.line->Ring("1", "A"));
    bench.Run(20);
    bench.library->Answer();
    bench.Run(20);
    bench.library->GetWaveId(4, "wave/in");
    bench.library->SetRecord(bench.dir.file("take.raw").c_str(), bench.dir.file("all.raw").c_str(),
                             bench.dir.file("no/such/folder/call.wav").c_str());
    bench.library->Record();
    bench.line->Speak(CountingCallAudio(300, 1));
    bench.Run(300);
    bench.library->Stop();
    bench.library->Save();
    EXPECT_EQ(bench.status.status, 203);
}

TEST(HostRecording, RecordingWithoutACallReportsTheDevice) {
    TelephonyBench bench;
    bench.OpenLine(1, false);
    bench.library->SetRecord(bench.dir.file("take.raw").c_str(), bench.dir.file("all.raw").c_str(),
                             bench.dir.file("call.wav").c_str());
    bench.library->Record();
    EXPECT_EQ(bench.status.status, 181);  // bad device: no call, no wave-in
    EXPECT_EQ(bench.status.recording, 0);
}

TEST(OutgoingCall, AcceptedDialLeaves139AndWalksThroughTheCallStates) {
    TelephonyBench bench;
    bench.OpenLine(3, false);
    bench.library->Dial("0123 456");
    EXPECT_EQ(bench.status.status, telephony::kStatusDialAccepted);
    EXPECT_EQ(bench.status.dialPending, 1);
    EXPECT_EQ(bench.status.incoming, 0);
    EXPECT_EQ(bench.status.recorder.chainEnabled, 0);
    bench.Run(20);
    EXPECT_EQ(bench.line->dialled_number(), "0123 456");
    ASSERT_TRUE(bench.line->Connect());
    bench.Run(20);
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_DIAL_TONE, ZN2TAPI_MSG_DIALLING,
                                   ZN2TAPI_MSG_PROCEEDING, ZN2TAPI_MSG_CONNECTED}),
              (std::vector<int>{ZN2TAPI_MSG_DIAL_TONE, ZN2TAPI_MSG_DIALLING, ZN2TAPI_MSG_PROCEEDING,
                                ZN2TAPI_MSG_CONNECTED}));
    EXPECT_EQ(bench.status.callConnected, 1);
}

TEST(OutgoingCall, BusyPostsDisconnectedThenBusy) {
    TelephonyBench bench;
    bench.OpenLine(3, false);
    bench.library->Dial("0123");
    bench.Run(20);
    ASSERT_TRUE(bench.line->Busy());
    bench.Run(20);
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY, ZN2TAPI_MSG_IDLE}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY, ZN2TAPI_MSG_IDLE}));
    EXPECT_EQ(bench.status.dialPending, 0);
    EXPECT_EQ(bench.status.incoming, 1);
}

TEST(OutgoingCall, NoDialTonePostsDisconnectedThenFailed) {
    TelephonyBench bench;
    bench.OpenLine(3, false);
    bench.line->SetNoDialTone(true);
    bench.library->Dial("0123");
    bench.Run(20);
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_FAILED, ZN2TAPI_MSG_BUSY}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_FAILED}));
}

TEST(OutgoingCall, StopWhileNothingRecordsLeavesTheStatusAlone) {
    TelephonyBench bench;
    bench.OpenLine(3, false);
    bench.library->Dial("0123");
    ASSERT_EQ(bench.status.status, 139);
    bench.library->Stop();
    EXPECT_EQ(bench.status.status, 139);
}

TEST(OutgoingCall, DialWhileACallIsUpReportsInUse) {
    TelephonyBench bench;
    bench.OpenLine(3, false);
    ASSERT_TRUE(bench.line->Ring("1", "A"));
    bench.Run(20);
    bench.library->Dial("0123");
    EXPECT_EQ(bench.status.status, 114);
}

TEST(Lines, TheDeviceListOffersTheDemoLine) {
    TelephonyBench bench;
    bench.library->InitVar();
    bench.library->Init();
    EXPECT_EQ(bench.status.numDevices, 1u);
    std::vector<std::pair<std::uint32_t, std::string>> rows{{99, "left over"}};
    Zn2TapiDeviceList list{&rows, [](void* c) { static_cast<decltype(rows)*>(c)->clear(); },
                           [](void* c, std::uint32_t device, const char* name) {
                               static_cast<decltype(rows)*>(c)->emplace_back(device, name);
                           }};
    EXPECT_EQ(bench.library->ListDev(&list), 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].first, 0u);
    EXPECT_EQ(rows[0].second, "Demo line");
}

TEST(Lines, OpeningADeviceThatDoesNotExistClosesWithTheCapabilityStatus) {
    TelephonyBench bench;
    bench.library->InitVar();
    bench.status.deviceId = 5;
    bench.library->Init();
    bench.library->Open(nullptr);
    EXPECT_EQ(bench.status.status, 60);
    EXPECT_EQ(bench.status.lineOpen, 0);
    EXPECT_EQ(bench.status.tapiInitialized, 0);
}

}  // namespace
}  // namespace kivo::test

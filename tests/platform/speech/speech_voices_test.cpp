// The installed voices and the voice that speaks a language.
#include "kivo/speech/speech_voices.h"

#include <gtest/gtest.h>

namespace kivo::speech {
namespace {

TEST(SpeechVoicesTest, InstalledVoicesIncludeTheTranslationLanguages) {
    const std::vector<SpeechVoice> voices = InstalledVoices();
    ASSERT_FALSE(voices.empty()) << "espeak-ng-data is needed";
    for (const char* language : {"English", "Spanish", "Portuguese", "French", "German", "Italian"})
        EXPECT_GE(MatchVoice(voices, language), 0) << language;
}

TEST(SpeechVoicesTest, VoiceMatchesByNameIgnoringCase) {
    const std::vector<SpeechVoice> voices = {
        {"Afrikaans", "af"}, {"Spanish (Spain)", "es"}, {"Spanish (Latin America)", "es-419"}};
    EXPECT_EQ(MatchVoice(voices, "Spanish"), 1);
    EXPECT_EQ(MatchVoice(voices, "SPANISH"), 1);
    EXPECT_EQ(MatchVoice(voices, "German"), -1);
    EXPECT_EQ(MatchVoice(voices, ""), -1);
    EXPECT_EQ(MatchVoice({}, "Spanish"), -1);
}

TEST(SpeechVoicesTest, VoiceOfTheLanguageItselfWinsOverOneThatMentionsIt) {
    const std::vector<SpeechVoice> voices = {{"Chinese (Mandarin, latin as English)", "cmn"},
                                             {"English (Caribbean)", "en-029"},
                                             {"English (Great Britain)", "en-gb"},
                                             {"English (America)", "en-us"}};
    EXPECT_EQ(MatchVoice(voices, "English"), 2);
    EXPECT_EQ(MatchVoice({voices[0]}, "English"), 0);  // the only one that mentions it
}

}  // namespace
}  // namespace kivo::speech

// Letter case of whole UTF-8 characters.
#include "kivo/thesaurus/letter_case.h"

#include <gtest/gtest.h>

namespace kivo::thesaurus {
namespace {

TEST(LetterCaseTest, AccentedGreekAndCyrillicLettersChangeCaseWhole) {
    EXPECT_EQ(UpperCase("élan à la crème"), "ÉLAN À LA CRÈME");
    EXPECT_EQ(UpperCase("ärger öl über"), "ÄRGER ÖL ÜBER");
    EXPECT_EQ(UpperCase("ωμέγα жук ł"), "ΩΜΈΓΑ ЖУК Ł");
    EXPECT_EQ(LowerCase("ÉLAN ÄRGER ЖУК"), "élan ärger жук");
}

TEST(LetterCaseTest, BytesThatAreNotUtf8AreKeptAsTheyAre) {
    EXPECT_EQ(UpperCase(std::string("caf\xE9 x", 6)), std::string("CAF\xE9 X", 6));
    EXPECT_EQ(UpperCase(std::string("\xC3", 1)), std::string("\xC3", 1));  // cut sequence
    EXPECT_EQ(UpperCase(std::string("a\xED\xA0\x80z", 5)), std::string("A\xED\xA0\x80Z", 5));
    EXPECT_EQ(UpperCase(""), "");
}

}  // namespace
}  // namespace kivo::thesaurus

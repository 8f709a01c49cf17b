// The phone book file: 101-byte entries, 0xAC for spaces, append, edit in
// place, delete, the 5000-entry listing limit and find-as-you-type.
#include "kivo/phone/phone_book.h"

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "temp_dir.h"

namespace kivo::phone {
namespace {

TEST(PhoneBookEntry, ANameWithSpacesIsStoredWith0xACAndReadBackWithSpaces) {
    const std::string entry = EncodePhoneBookEntry("Ann Smith", "+44 20 7946");
    ASSERT_EQ(entry.size(), kPhoneBookEntryBytes);
    EXPECT_EQ(entry.substr(0, 22),
              "Ann\xAC"
              "Smith +44\xAC"
              "20\xAC"
              "7946 ");
    EXPECT_EQ(entry.find_first_not_of(' ', 22), 100u);
    EXPECT_EQ(entry.back(), '\n');
    const PhoneBookEntry read = DecodePhoneBookEntry(entry, 202);
    EXPECT_EQ(read.name, "Ann Smith");
    EXPECT_EQ(read.number, "+44 20 7946");
    EXPECT_EQ(read.position, 202u);
}

TEST(PhoneBookEntry, LongOrHostileFieldsKeepTheEntryWhole) {
    std::string name;
    for (int i = 0; i < 40; ++i)
        name += "\xC3\xA9";  // é: 80 bytes, cut at a character boundary
    const std::string entry = EncodePhoneBookEntry(name, "12\n34\r\x01 56");
    ASSERT_EQ(entry.size(), kPhoneBookEntryBytes);
    EXPECT_EQ(entry.find('\n'), 100u);
    const PhoneBookEntry read = DecodePhoneBookEntry(entry, 0);
    EXPECT_EQ(read.name.size(), 50u);
    EXPECT_EQ(read.name.substr(0, 2), "\xC3\xA9");
    EXPECT_EQ(read.number, "12 34   56");
    // A euro sign holds the byte 0xAC inside its character: it stays a euro.
    EXPECT_EQ(DecodePhoneBookEntry(EncodePhoneBookEntry("Caf\xE2\x82\xAC", "1"), 0).name,
              "Caf\xE2\x82\xAC");
    // An empty name leaves the number where it belongs.
    const PhoneBookEntry no_name = DecodePhoneBookEntry(EncodePhoneBookEntry("", "999"), 0);
    EXPECT_EQ(no_name.name, "");
    EXPECT_EQ(no_name.number, "999");
}

class PhoneBookTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    PhoneBook book_{dir_.file("Voxwren.xrb")};
};

TEST_F(PhoneBookTest, AppendEditAndDeleteWorkByPosition) {
    ASSERT_TRUE(book_.EnsureExists());
    EXPECT_TRUE(book_.List().empty());
    ASSERT_EQ(book_.Append("Ann Smith", "5550101"), 0);
    ASSERT_EQ(book_.Append("Bob", "5550102"), 0);
    ASSERT_EQ(book_.Append("Carol", "5550103"), 0);
    auto entries = book_.List();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].position, 101u);

    ASSERT_EQ(book_.Replace(101, "Robert Brown", "5550199"), 0);
    entries = book_.List();
    EXPECT_EQ(entries[1].name, "Robert Brown");
    EXPECT_EQ(entries[1].number, "5550199");
    EXPECT_EQ(entries[2].name, "Carol");
    EXPECT_EQ(book_.Replace(50, "x", "y"), kPhoneBookWriteFailed);   // not an entry's start
    EXPECT_EQ(book_.Replace(303, "x", "y"), kPhoneBookWriteFailed);  // past the end

    ASSERT_EQ(book_.Remove(0), 0);
    entries = book_.List();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Robert Brown");
    EXPECT_EQ(entries[0].position, 0u);
    ASSERT_EQ(book_.Remove(101), 0);
    ASSERT_EQ(book_.Remove(0), 0);
    EXPECT_EQ(std::filesystem::file_size(dir_.file("Voxwren.xrb")), 0u);  // the only entry gone
    EXPECT_EQ(book_.Remove(0), kPhoneBookWriteFailed);
}

TEST_F(PhoneBookTest, AnExistingBookIsKeptAndOnlyTheFirst5000EntriesAreListed) {
    std::string bytes;
    for (int i = 0; i < 5003; ++i)
        bytes += EncodePhoneBookEntry("Name" + std::to_string(i), std::to_string(i));
    bytes += "torn";
    test::WriteFileText(dir_.file("Voxwren.xrb"), bytes);
    ASSERT_TRUE(book_.EnsureExists());
    const auto entries = book_.List();
    ASSERT_EQ(entries.size(), kPhoneBookMaxListed);
    EXPECT_EQ(entries.back().name, "Name4999");
    EXPECT_EQ(test::ReadFileText(dir_.file("Voxwren.xrb")).size(), bytes.size());
}

TEST(PhoneBookFind, TheFirstNameBeginningWithTheTypedTextIsFound) {
    const std::vector<PhoneBookEntry> entries = {
        {"Ann Smith", "1", 0}, {"Andrew", "2", 101}, {"anna", "3", 202}};
    EXPECT_EQ(FindByNamePrefix(entries, "An"), 0u);
    EXPECT_EQ(FindByNamePrefix(entries, "And"), 1u);
    EXPECT_EQ(FindByNamePrefix(entries, "ann "), 0u);
    EXPECT_EQ(FindByNamePrefix(entries, "annA"), 2u);
    EXPECT_EQ(FindByNamePrefix(entries, ""), std::nullopt);
    EXPECT_EQ(FindByNamePrefix(entries, "Zed"), std::nullopt);
}

}  // namespace
}  // namespace kivo::phone

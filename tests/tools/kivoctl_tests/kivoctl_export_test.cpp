// kivoctl export on a store of real recordings.
#include <gtest/gtest.h>

#include "export_fixture.h"
#include "file_bytes.h"
#include "kivo/recordstore/record_line.h"
#include "kivoctl_run.h"

namespace kivo::kivoctl {
namespace {

namespace fs = std::filesystem;
using kivo::test::TestRecording;

class KivoctlExport : public ::testing::Test {
protected:
    static TestRecording Numbered(int number) {
        TestRecording recording;
        recording.number = number;
        return recording;
    }
    kivo::test::ExportStore store_{{Numbered(1), Numbered(2)}};
    kivo::test::TempDir out_;
};

TEST_F(KivoctlExport, WritesLockedRecordingsWithTheirKeywordsAndLeavesTheStoreAlone) {
    const std::string before = kivo::test::ReadFileText(store_.store().string());
    const test::Result r = test::RunKivoctl(
        {"export", store_.store().string(), "--to", out_.path().string(), "--lock", "1", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("exported " + out_.file("D2.xrz")), std::string::npos) << r.out;
    kivo::test::TempDir opened;
    ASSERT_TRUE(kivo::test::OpenExported(out_.path() / "D2.xrz", opened.path()));
    EXPECT_EQ(kivo::test::ReadFileText(opened.file("D2.xrk")), "bank loan");
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::ReadFile(opened.file("D2.xrl"), &line).ok());
    EXPECT_EQ(line.StoredField(6), "X");
    EXPECT_EQ(kivo::test::ReadFileText(store_.store().string()), before);
}

TEST_F(KivoctlExport, AFileInTheWayIsKeptAndTheOtherRecordsAreExported) {
    kivo::test::WriteFileText(out_.file("D1.mp3"), "mine");
    const test::Result r = test::Kivoctl({"export", store_.store().string(), "--to",
                                          out_.path().string(), "--format", "mp3", "1", "2", "7"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("D1.mp3 exists: not overwritten"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no record with ID 7"), std::string::npos) << r.err;
    EXPECT_EQ(kivo::test::ReadFileText(out_.file("D1.mp3")), "mine");
    EXPECT_NE(kivo::test::Probe(out_.path() / "D2.mp3").find("\"codec_name\": \"mp3\""),
              std::string::npos);
}

TEST_F(KivoctlExport, CompressedExportIsSmallerThanThePlainOne) {
    fs::create_directory(out_.path() / "plain");
    fs::create_directory(out_.path() / "small");
    ASSERT_EQ(
        test::Kivoctl({"export", store_.store().string(), "--to", out_.file("plain"), "1"}).status,
        0);
    const test::Result r = test::Kivoctl({"export", store_.store().string(), "--to",
                                          out_.file("small"), "--compress", "--voice", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_LT(fs::file_size(out_.path() / "small" / "D1.xrz"),
              fs::file_size(out_.path() / "plain" / "D1.xrz"));
}

TEST_F(KivoctlExport, RefusesCommandLinesThatDoNotSayEnough) {
    EXPECT_EQ(test::Kivoctl({"export", store_.store().string(), "1"}).status, 2);
    EXPECT_EQ(test::Kivoctl({"export", store_.store().string(), "--to", out_.file("")}).status, 2);
    EXPECT_EQ(test::Kivoctl({"export", store_.store().string(), "--to", out_.path().string(),
                             "--format", "flac", "1"})
                  .status,
              2);
    EXPECT_EQ(test::Kivoctl({"export", store_.store().string(), "--to", out_.path().string(),
                             "--format", "ogg", "--lock", "1"})
                  .status,
              2);
    EXPECT_EQ(test::Kivoctl({"export", store_.store().string(), "--to", out_.file("nowhere"), "1"})
                  .status,
              1);
    EXPECT_TRUE(fs::is_empty(out_.path()));
}

}  // namespace
}  // namespace kivo::kivoctl

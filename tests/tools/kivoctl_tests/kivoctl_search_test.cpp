// kivoctl search: the rows of the search dialog for a store on disk.
#include <gtest/gtest.h>

#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivoctl_run.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::kivoctl::test {
namespace {

// One record of the store with its keywords in the index.
struct Indexed {
    kivo::test::RecordFields fields;
    std::string keywords;
};

Indexed Entry(int number, std::string kind, std::string subject, std::string date,
              std::string keywords) {
    Indexed record{Record(number, std::move(kind), std::move(subject)), std::move(keywords)};
    record.fields.start_date = std::move(date);
    return record;
}

class KivoctlSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        Indexed call = Entry(4, "2", "0123 456", "09/09/2024", "invoice query");
        call.fields.text_a = "Anna";
        MakeStoreOf({Entry(1, "0", "Budget notes", "15/01/2024", "budget March"),
                     Entry(2, "0", "Supplier", "02/03/2024", "Invoice from supplier"),
                     Entry(3, "9", "Site video", "03/03/2024", "invoice walkthrough"), call});
    }
    // Logs of the records' kinds, the index pointing at their lines.
    void MakeStoreOf(const std::vector<Indexed>& records) {
        auto members = kivo::test::NewStoreMembers();
        std::map<std::string, std::vector<kivo::test::RecordFields>> logs;
        std::string index;
        for (const Indexed& record : records) {
            const char* log = recordstore::RecordLogNameForKind(record.fields.kind);
            logs[log].push_back(record.fields);
            recordstore::IndexRecord entry;
            entry.record_number = record.fields.number;
            entry.kind_code = record.fields.kind;
            entry.start_date = record.fields.start_date;
            entry.keywords = record.keywords;
            entry.mark_comments = " ";
            entry.line_position = static_cast<std::int64_t>(401 * logs[log].size());
            index += recordstore::EncodeIndexEntry(entry);
            members["D" + std::to_string(record.fields.number) + ".xrz"] = "container";
        }
        for (const auto& [log, lines] : logs)
            members[log] = kivo::test::MakeRecordLog(lines);
        members["Voxwren.xri"] = index;
        kivo::test::MakeStore(store, members);
    }
    kivo::test::TempDir dir;
    std::string store = dir.file("Office.xrt");
};

TEST_F(KivoctlSearchTest, PrintsTheResultRowsOfTheWordsInEveryAreaButVideo) {
    const Result r = Kivoctl({"search", store, "INVOICE"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "ID\tDate\tInformation\n"
              "00000002\t02/03/2024\tSubject: Supplier\n"
              "00000004\t09/09/2024\tName: Anna ---> Number: 0123 456\n");
}

TEST_F(KivoctlSearchTest, AreaDatesAndStatisticsNarrowAndExplainTheSearch) {
    Result r = Kivoctl({"search", store, "--area", "video", "invoice"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ID\tDate\tInformation\n00000003\t03/03/2024\tSubject: Site video\n");
    r = Kivoctl({"search", store, "--from", "02/03/2024", "--to", "2024-03-03", "--area", "all"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ID\tDate\tInformation\n00000002\t02/03/2024\tSubject: Supplier\n");
    r = Kivoctl({"search", store, "--statistics", "march", "invoice"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nWord\tMatches\nMARCH\t1\nINVOICE\t2\n"), std::string::npos) << r.out;
}

TEST_F(KivoctlSearchTest, NothingFoundFailsWithTheProgramsMessage) {
    Result r = Kivoctl({"search", store, "holiday"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ID\tDate\tInformation\n");
    EXPECT_NE(r.err.find("did not find any Kivo records"), std::string::npos) << r.err;
}

TEST_F(KivoctlSearchTest, BadOptionsAreUsageErrors) {
    EXPECT_EQ(Kivoctl({"search", store, "--area", "garden"}).status, 2);
    EXPECT_EQ(Kivoctl({"search", store, "--from", "31/02"}).status, 2);
    EXPECT_EQ(Kivoctl({"search", store, "--from", "2024-13-01"}).status, 2);
    EXPECT_EQ(Kivoctl({"search", store, "--loud"}).status, 2);
    EXPECT_EQ(Kivoctl({"search"}).status, 2);
}

TEST_F(KivoctlSearchTest, TheProgramReadsTheStoreWithoutChangingIt) {
    const std::string before = FileContent(store);
    const Result r = RunKivoctl({"search", store, "--smart", "budget"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("00000001"), std::string::npos);
    EXPECT_EQ(FileContent(store), before);
}

}  // namespace
}  // namespace kivo::kivoctl::test

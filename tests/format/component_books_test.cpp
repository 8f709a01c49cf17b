// The data store's agenda and template components: what the editors write
// reads back, what appending exported files makes still reads, and hostile
// bytes are bounded.
#include <gtest/gtest.h>

#include <string>

#include "kivo/format/agenda_book.h"
#include "kivo/format/template_book.h"

namespace fmt = kivo::format;

namespace {

std::vector<fmt::Agenda> TwoAgendas() {
    return {{"Board meeting", {{1, "Budget"}, {2, "Travel costs"}, {1, "Any other business"}}},
            {"Weekly review", {{1, "Sales"}}}};
}

}  // namespace

TEST(AgendaBook, WrittenAgendasReadBackInOrderWithTheirDepths) {
    const std::string bytes = fmt::WriteAgendaBook(TwoAgendas());
    EXPECT_EQ(bytes,
              "999999999\nKIVO-AGENDAS 1\nT Board meeting\nI 1 Budget\nI 2 Travel costs\n"
              "I 1 Any other business\nT Weekly review\nI 1 Sales\n");
    const std::vector<fmt::Agenda> read = fmt::ParseAgendaBook(bytes);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].title, "Board meeting");
    ASSERT_EQ(read[0].items.size(), 3u);
    EXPECT_EQ(read[0].items[1].depth, 2);
    EXPECT_EQ(read[0].items[1].text, "Travel costs");
    EXPECT_EQ(read[1].items[0].text, "Sales");
}

TEST(AgendaBook, NewStoresSeedAndAppendedExportsReadAsOneList) {
    EXPECT_TRUE(fmt::ParseAgendaBook("999999999").empty());
    // A new store's seed has no line end: an appended export glues its own
    // seed to it, and a second seed-only file glues to the next export.
    const std::string exported = fmt::WriteAgendaBook({TwoAgendas()[1]});
    const std::string appended = "999999999" + exported + "999999999" + exported;
    const std::vector<fmt::Agenda> read = fmt::ParseAgendaBook(appended);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].title, "Weekly review");
    EXPECT_EQ(read[1].items.size(), 1u);
}

TEST(AgendaBook, HostileBytesAreBoundedAndPassedOver) {
    std::string bytes = "I 1 before any title\nT x\nI 0 no depth\nI 7seven\nI 9 deep\nQ 1 odd\n";
    bytes += "T " + std::string(400, 'a') + "\nI 3 torn without line end";
    const std::vector<fmt::Agenda> read = fmt::ParseAgendaBook(bytes);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].title, "");
    EXPECT_EQ(read[0].items[0].text, "before any title");
    ASSERT_EQ(read[1].items.size(), 1u);
    EXPECT_EQ(read[1].items[0].depth, 9);
    EXPECT_EQ(read[2].title.size(), fmt::kAgendaItemMaxBytes);
    EXPECT_TRUE(read[2].items.empty());

    std::string many;
    for (int i = 0; i < 1500; ++i)
        many += "T t\n";
    EXPECT_EQ(fmt::ParseAgendaBook(many).size(), fmt::kAgendaBookMaxAgendas);
}

TEST(AgendaBook, OutlineTypedWithTabsOrSpacesGivesDepthsAndBack) {
    const std::vector<fmt::AgendaItem> items =
        fmt::AgendaItemsFromOutline("Budget\r\n\tTravel\n    Hotels\n\n  \nAOB  \n");
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].depth, 1);
    EXPECT_EQ(items[1].depth, 2);
    EXPECT_EQ(items[2].depth, 3);
    EXPECT_EQ(items[2].text, "Hotels");
    EXPECT_EQ(items[3].text, "AOB");
    EXPECT_EQ(fmt::OutlineOfAgendaItems(items), "Budget\n\tTravel\n\t\tHotels\nAOB\n");
}

TEST(TemplateBook, WrittenTemplatesReadBackWithTheirComments) {
    const std::vector<fmt::RecordTemplate> templates = {
        {"Letter", "Letter to a client", {"Address", "Body of the letter", "Signature"}},
        {"Minutes", "", {}}};
    const std::string bytes = fmt::WriteTemplateBook(templates);
    EXPECT_EQ(bytes,
              "KIVO-TEMPLATES 1\nN Letter\nS Letter to a client\nC Address\n"
              "C Body of the letter\nC Signature\nN Minutes\nS \n");
    const std::vector<fmt::RecordTemplate> read = fmt::ParseTemplateBook(bytes);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].subject, "Letter to a client");
    EXPECT_EQ(read[0].comments, templates[0].comments);
    EXPECT_TRUE(read[1].comments.empty());
    // Appending an exported file to another (Import) keeps both.
    EXPECT_EQ(fmt::ParseTemplateBook(bytes + bytes).size(), 4u);
    EXPECT_TRUE(fmt::ParseTemplateBook("").empty());
}

TEST(TemplateBook, CommentsAreCutToWhatAMarkHoldsAndBlankOnesDropped) {
    const std::vector<std::string> comments =
        fmt::TemplateCommentsFromLines("  first  \n\n   \n" + std::string(80, 'c') + "\nlast");
    ASSERT_EQ(comments.size(), 3u);
    EXPECT_EQ(comments[0], "first");
    EXPECT_EQ(comments[1].size(), fmt::kTemplateCommentMaxBytes);
    EXPECT_EQ(comments[2], "last");
    // Fields before any name, and a name line for every template past the
    // limit, are passed over.
    std::string bytes = "S orphan\nC orphan\n";
    for (int i = 0; i < 1200; ++i)
        bytes += "N t\nC c\n";
    const std::vector<fmt::RecordTemplate> read = fmt::ParseTemplateBook(bytes);
    EXPECT_EQ(read.size(), fmt::kTemplateBookMaxTemplates);
    EXPECT_EQ(read[0].subject, "");
    EXPECT_EQ(read.back().comments.size(), 1u);
}

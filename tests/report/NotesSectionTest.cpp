// The notes list: the notes the data shows, nested as the table nests them, with their lines.

#include <gtest/gtest.h>

#include "tests/report/ReportFixture.h"

namespace {

// One note block of the notes text.
std::vector<std::string> Note(long number, bool shown, std::vector<std::string> lines) {
    std::vector<std::string> block = {
        "<ID>" + std::to_string(number) + "</ID>", "<Title>t</Title>", "<Group>g</Group>",
        std::string("<Disp>") + (shown ? "1" : "0") + "</Disp>", "<Value>"};
    for (auto& line : lines) block.push_back("<Line>" + line + "</Line>");
    block.push_back("</Value>");
    return block;
}

class NotesList : public ReportFixture {
protected:
    void Add(long number, bool shown, std::vector<std::string> lines) {
        auto block = Note(number, shown, std::move(lines));
        notes.insert(notes.end(), block.begin(), block.end());
    }
    std::string Write() {
        report.SetNotes(&notes, flags);
        writer.Open(fake.NewFile("C:\\n.xml"));
        result = report.ListNotesNonConsolidated(&writer);
        writer.Close();
        return fake.files["C:\\n.xml"];
    }

    std::vector<std::string> notes;
    unsigned char flags[50] = {};
    int result = -1;
};

TEST_F(NotesList, ShownNoteWithItsLinesAndAShownChild) {
    flags[2] = 1;
    Add(1060010, true, {"第一行 & more", "<二行目>"});
    Add(1060020, true, {"担保資産"});
    Add(1060060, false, {"hidden"});
    EXPECT_EQ(Write(),
              "\t\t<ListNotesNonConsolidated>\r\n"
              "\t\t\t<NoteBalanceSheet>\r\n"
              "\t\t\t\t<Line>第一行 &amp; more</Line>\r\n"
              "\t\t\t\t<Line>&lt;二行目&gt;</Line>\r\n"
              "\t\t\t\t<PledgedAssets>\r\n"
              "\t\t\t\t\t<Line>担保資産</Line>\r\n"
              "\t\t\t\t</PledgedAssets>\r\n"
              "\t\t\t</NoteBalanceSheet>\r\n"
              "\t\t</ListNotesNonConsolidated>\r\n");
    EXPECT_EQ(result, 1);
}

TEST_F(NotesList, EveryGroupOffGivesOnlyTheSectionTags) {
    Add(1060010, true, {"x"});
    EXPECT_EQ(Write(), "\t\t<ListNotesNonConsolidated>\r\n\t\t</ListNotesNonConsolidated>\r\n");
}

TEST_F(NotesList, HiddenNoteWithAShownChildWritesTheChildAtItsOwnDepth) {
    flags[2] = 1;
    Add(1060010, false, {"parent text"});
    Add(1060130, false, {});
    Add(1060140, true, {"detail"});  // depth 5, below the hidden 1060130 and 1060010
    EXPECT_EQ(Write(),
              "\t\t<ListNotesNonConsolidated>\r\n"
              "\t\t\t\t\t<MonetaryReceivablesPayablesAffiliatesDetails>\r\n"
              "\t\t\t\t\t\t<Line>detail</Line>\r\n"
              "\t\t\t\t\t</MonetaryReceivablesPayablesAffiliatesDetails>\r\n"
              "\t\t</ListNotesNonConsolidated>\r\n");
}

TEST_F(NotesList, ShownNoteWithoutLinesAndNamesEndingInP) {
    flags[4] = 1;
    notes = {"<ID>1080040</ID>", "", "", "<Disp>1</Disp>", "<Value>", "no line here"};
    Add(1080050, true, {"100株"});
    std::string xml = Write();
    EXPECT_NE(xml.find("\t\t\t\t\t\t<IssuanceNewOrdinaryShares>\r\n"
                       "\t\t\t\t\t\t\t<NumberSharesIssuanceNewOrdinaryShares-P>\r\n"
                       "\t\t\t\t\t\t\t\t<Line>100株</Line>\r\n"
                       "\t\t\t\t\t\t\t</NumberSharesIssuanceNewOrdinaryShares-P>\r\n"
                       "\t\t\t\t\t\t</IssuanceNewOrdinaryShares>\r\n"),
              std::string::npos)
        << xml;
}

TEST_F(NotesList, NoteAmongTheLastThreeLinesIsNotShown) {
    flags[0] = 1;
    report.SetNotes(&notes, flags);
    notes = {"<ID>1000010</ID>", "x", "<Disp>1</Disp>"};
    EXPECT_EQ(report.IsNoteShown(1000010), 0);
    notes = {"<ID>1000010</ID>", "x", "y", "<Disp>1</Disp>"};
    EXPECT_EQ(report.IsNoteShown(1000010), 1);
}

TEST_F(NotesList, LongNoteLinesReachTheFileWhole) {
    flags[10] = 1;
    std::string longLine(500, 'a');
    longLine += "&\"";
    Add(1170010, true, {longLine});
    std::string xml = Write();
    EXPECT_NE(xml.find("<Line>" + std::string(500, 'a') + "&amp;&quot;</Line>"), std::string::npos);
}

TEST_F(NotesList, FailedTagEndsTheSection) {
    flags[2] = 1;
    Add(1060010, true, {"x"});
    fake.failWriteAt = 1;
    Write();
    EXPECT_EQ(result, 0);
}

}  // namespace

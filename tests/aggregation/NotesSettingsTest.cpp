// The notes settings of the company data: the two switches, the display flags and the body.

#include "aggregation/NotesSettings.h"
#include "app/LinkApp.h"
#include "tests/books/BooksFixture.h"
#include "tests/doubles/FakePlatform.h"

namespace {

using books::test::BooksTest;

class NotesSettingsOfTheBooks : public BooksTest {
protected:
    void WithTexts(const std::string& switches, const std::string& layout,
                   const std::string& body = "") {
        auto files = books::test::SampleFiles();
        files.erase("notes/D001/switch.txt");
        files.erase("notes/D001/layout.txt");
        if (!switches.empty()) files["notes/D001/switch.txt"] = switches;
        if (!layout.empty()) files["notes/D001/layout.txt"] = layout;
        if (!body.empty()) files["notes/D001/body.txt"] = body;
        books::ImportResult result = Import(files);
        ASSERT_TRUE(result.ok) << result.message;
        ASSERT_EQ(Login(), kLedgerOk);
    }
    NotesSettings data;
};

TEST_F(NotesSettingsOfTheBooks, LayoutGivesInputModeAndOneFlagPerSection) {
    WithTexts(
        "Note=1\r\n",
        "InputMode=1\r\n[Note_00]\r\nDisp=1\r\n[Note_01]\r\nDisp=0\r\n[Note_16]\r\nDisp=1\r\n");
    EXPECT_EQ(data.IsNotesInputEnabled(), 1);
    EXPECT_EQ(data.IsNotesOutputEnabled(), 1);
    unsigned char flags[NotesSettings::kNoteGroups] = {};
    data.ReadNoteDisplayFlags(flags);
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[1], 0);
    EXPECT_EQ(flags[2], 1);  // the header's own number is not read
    EXPECT_EQ(flags[3], 0);
}

TEST_F(NotesSettingsOfTheBooks, InputModeZeroOrNegativeSwitchesNotesOff) {
    WithTexts("Note=1", "InputMode=0\r\n");
    EXPECT_EQ(data.IsNotesInputEnabled(), 0);
    ClAccConnect::Inst().LogOut();
    WithTexts("Note=1", "InputMode = -1\r\n");
    EXPECT_EQ(data.IsNotesInputEnabled(), 0);
}

TEST_F(NotesSettingsOfTheBooks, NoteAtTheVeryEndSwitchesNotesOff) {
    WithTexts("Other=1\r\nNote=", "InputMode=1");
    EXPECT_EQ(data.IsNotesOutputEnabled(), 0);
    EXPECT_EQ(data.IsNotesInputEnabled(), 1);
}

TEST_F(NotesSettingsOfTheBooks, DispKeepsItsLowByteAndASectionWithoutDispTakesTheNext) {
    WithTexts("Note=1",
              "[Note_00]\r\nDisp=257\r\n[Note_01]\r\n[Note_02]\r\nDisp=3\r\n[Note_03]\r\nDisp=4");
    unsigned char flags[NotesSettings::kNoteGroups] = {};
    data.ReadNoteDisplayFlags(flags);
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[1],
              3);  // section 1 takes section 2's value, and section 2 is not counted again
    EXPECT_EQ(flags[2], 4);
    EXPECT_EQ(flags[3], 0);
}

TEST_F(NotesSettingsOfTheBooks, NeverWritesPastTheFiftiethEntry) {
    std::string layout = "InputMode=1\r\n";
    for (int i = 0; i < 70; ++i) layout += "[Note_" + std::to_string(10 + i) + "]\r\nDisp=7\r\n";
    WithTexts("Note=1", layout);
    struct {
        unsigned char flags[NotesSettings::kNoteGroups];
        unsigned char after[16];
    } guarded{};
    data.ReadNoteDisplayFlags(guarded.flags);
    EXPECT_EQ(guarded.flags[49], 7);
    for (unsigned char byte : guarded.after) EXPECT_EQ(byte, 0);
}

TEST_F(NotesSettingsOfTheBooks, MissingTextsCountAsSwitchedOff) {
    WithTexts("", "");
    EXPECT_EQ(data.IsNotesInputEnabled(), 0);
    EXPECT_EQ(data.IsNotesOutputEnabled(), 0);
    unsigned char flags[NotesSettings::kNoteGroups] = {9};
    data.ReadNoteDisplayFlags(flags);
    EXPECT_EQ(flags[0], 9);
    std::string body = "left over";
    EXPECT_EQ(data.ReadNotesText(&body), 1);
    EXPECT_EQ(body, "");
}

TEST_F(NotesSettingsOfTheBooks, TextsThatCannotBeReadAreNotTakenForMissingOnes) {
    // An SQLite error inside the books, and a store whose notes table is damaged.
    WithTexts("Note=1", "InputMode=1\r\n[Note_00]\r\nDisp=1\r\n", "body");
    books::BooksConfig config;
    config.storePath = store_;
    config.userId = "u1";
    config.faults["ClSaveKessansho::GetDataType02"] = {books::kErrStore, 0};
    books::ConfigureBooks(config);
    ASSERT_EQ(ClAccConnect::Inst().ExpSysLink(), kLedgerOk);
    EXPECT_EQ(data.IsNotesInputEnabled(), NotesSettings::kNotesUnreadable);
    EXPECT_EQ(data.IsNotesOutputEnabled(), NotesSettings::kNotesUnreadable);
    unsigned char flags[NotesSettings::kNoteGroups] = {};
    EXPECT_EQ(data.ReadNoteDisplayFlags(flags), NotesSettings::kNotesUnreadable);
    std::string body = "left over";
    EXPECT_EQ(data.ReadNotesText(&body), NotesSettings::kNotesUnreadable);
    EXPECT_EQ(body, "");
    ClAccConnect::Inst().LogOut();

    CorruptTable("notes");
    ASSERT_EQ(Login(), kLedgerOk);
    EXPECT_EQ(data.IsNotesInputEnabled(), NotesSettings::kNotesUnreadable);
    EXPECT_EQ(data.ReadNotesText(&body), NotesSettings::kNotesUnreadable);
}

TEST_F(NotesSettingsOfTheBooks, BodyIsReadWhole) {
    WithTexts("Note=1", "InputMode=1", "<ID>1000010</ID>\r\nb\r\n");
    std::string body;
    ASSERT_EQ(data.ReadNotesText(&body), 1);
    EXPECT_EQ(body, "<ID>1000010</ID>\r\nb\r\n");
}

class SplitNotes : public ::testing::Test {
protected:
    std::vector<std::string> Split(const std::string& text) {
        app.SplitNotesText(text);
        return app.NotesLines();
    }
    FakePlatform fake;
    LinkApp app{fake.platform, kEditionKcsakura};
};

TEST_F(SplitNotes, CutsAtEveryCrLfKeepingEmptyLines) {
    EXPECT_EQ(Split("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Split("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Split("abc"), (std::vector<std::string>{"abc"}));
    EXPECT_TRUE(Split("").empty());
    EXPECT_EQ(Split("a\nb"), (std::vector<std::string>{"a\nb"}));  // a lone LF is not a line end
}

TEST_F(SplitNotes, DecodesEntitiesInTheirOrder) {
    EXPECT_EQ(Split("&amp;quot;"), (std::vector<std::string>{"\""}));
    EXPECT_EQ(Split("&amp;lt;x&gt; &apos;"), (std::vector<std::string>{"<x> '"}));
    EXPECT_EQ(Split("&amp;amp;"), (std::vector<std::string>{"&amp;"}));
}

}  // namespace

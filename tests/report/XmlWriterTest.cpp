// The writer's lines, byte for byte.

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "report/XmlWriter.h"
#include "tests/doubles/FakePlatform.h"

namespace {

class Writer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(writer.Open(fake.NewFile("C:\\out.xml")), 0); }
    std::string Written() {
        writer.Close();
        return fake.files["C:\\out.xml"];
    }

    FakePlatform fake;
    XmlWriter writer;
    char line[256];
};

TEST_F(Writer, IndentsByDepthAndEndsLinesWithCrLf) {
    EXPECT_EQ(writer.WriteStartTag(line, "REPORT", 0), 1);
    EXPECT_EQ(writer.WriteElement(line, "Item", "1", 6), 1);
    EXPECT_EQ(writer.WriteEndTag(line, "REPORT", 0), 1);
    EXPECT_EQ(Written(), "<REPORT>\r\n\t\t\t\t\t\t<Item>1</Item>\r\n</REPORT>\r\n");
}

TEST_F(Writer, EscapesTheFiveCharactersInOrder) {
    EXPECT_EQ(writer.WriteElement(line, "T", "a&b<c>d'e\"f", 0), 1);
    EXPECT_EQ(Written(), "<T>a&amp;b&lt;c&gt;d&apos;e&quot;f</T>\r\n");
}

TEST_F(Writer, LeavesTrailBytesAndTabsAlone) {
    // "表" is 0x95 0x5C, "ポ" 0x83 0x7C; TAB passes through.
    EXPECT_EQ(writer.WriteElement(line, "T", "\x95\x5C\x83\x7C\t", 1, "Label", "\x95\x5C"), 1);
    EXPECT_EQ(Written(), "\t<T Label=\"\x95\x5C\">\x95\x5C\x83\x7C\t</T>\r\n");
}

TEST_F(Writer, WritesASpaceForWhatXmlForbidsOrIsNoCharacter) {
    // Control characters but tab, LF and CR; a lead byte without its trail byte, also where
    // the next byte is "<" or the end; bytes code page 932 does not define.
    EXPECT_EQ(writer.WriteElement(line, "T",
                                  "a\x01"
                                  "b\x1F"
                                  "c\x81<d\t\r\ne\x80\xA0\xFD\x82",
                                  0, "Label", "x\x1By\x9F"),
              1);
    EXPECT_EQ(Written(), "<T Label=\"x y \">a b c &lt;d\t\r\ne    </T>\r\n");
}

TEST_F(Writer, WritesAttributesOnlyInTheirOneForm) {
    EXPECT_EQ(writer.WriteElement(line, "Item", "", 2, "Label", "現金", "Amount", ""), 1);
    EXPECT_EQ(writer.WriteStartTag(line, "Assets", 3, nullptr, "x", "Amount", "5"),
              1);  // no attribute 1
    EXPECT_EQ(writer.WriteStartTag(line, "Assets", 3, "Label", nullptr, "Amount", "5"), 1);
    EXPECT_EQ(writer.WriteStartTag(line, "Assets", 3, "Label", "a\"b", "Amount", nullptr), 1);
    EXPECT_EQ(Written(),
              "\t\t<Item Label=\"現金\" Amount=\"\"></Item>\r\n"
              "\t\t\t<Assets>\r\n"
              "\t\t\t<Assets>\r\n"
              "\t\t\t<Assets Label=\"a&quot;b\">\r\n");
}

TEST_F(Writer, AfterAFileErrorEveryWriteFailsAndItsReasonIsKept) {
    fake.failWriteAt = 1;
    fake.failureReason = "ディスクの空き容量が不足しています。";
    EXPECT_EQ(writer.FailureReason(), "");
    EXPECT_EQ(writer.WriteStartTag(line, "A", 0), 1);
    EXPECT_EQ(writer.WriteStartTag(line, "B", 1), 0);
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(writer.FailureReason(), fake.failureReason);
    EXPECT_EQ(writer.WriteEndTag(line, "A", 0), 0);
    EXPECT_EQ(fake.writes, 2);  // the end tag never reached the file
    EXPECT_EQ(writer.Close(), 0);
    EXPECT_EQ(writer.Close(), 0);
    EXPECT_EQ(fake.openFiles, 0);
    EXPECT_EQ(fake.files["C:\\out.xml"], "<A>\r\n");
}

TEST_F(Writer, AFileSomeoneElseHoldsIsWrittenAndLeftOpen) {
    auto held = fake.NewFile("C:\\held.xml");
    XmlWriter through;
    ASSERT_EQ(through.Open(held.get()), 0);
    EXPECT_EQ(through.WriteStartTag(line, "A", 0), 1);
    through.Close();
    EXPECT_FALSE(through.Failed());
    EXPECT_NO_THROW(held->Write("x", 1));  // still open: its holder closes it
    EXPECT_EQ(fake.files["C:\\held.xml"], "<A>\r\nx");
}

// Enough lines to fill several chunks; each one tells its number.
std::string ChunkedLines(XmlWriter& writer, std::span<char> line, int count, int* accepted) {
    std::string expected;
    *accepted = 0;
    for (int i = 0; i < count; ++i) {
        std::string text = std::to_string(i);
        if (writer.WriteElement(line, "HJ00780S0100", text.c_str(), 5) == 1) ++*accepted;
        expected += "\t\t\t\t\t<HJ00780S0100>" + text + "</HJ00780S0100>\r\n";
    }
    return expected;
}

constexpr int kChunkedLines = 40000;  // about 1.3 MB: five chunks and a rest

TEST_F(Writer, ChunkedLinesReachTheFileInOrderInBigWrites) {
    EXPECT_EQ(writer.WriteStartTag(line, "A", 0), 1);
    writer.BeginChunk();
    int accepted = 0;
    std::string expected = ChunkedLines(writer, line, kChunkedLines, &accepted);
    EXPECT_EQ(writer.EndChunk(), 1);
    EXPECT_EQ(accepted, kChunkedLines);
    // The file is the writer's again after the chunked run, and a second run works as well.
    EXPECT_EQ(writer.WriteEndTag(line, "A", 0), 1);
    writer.BeginChunk();
    EXPECT_EQ(writer.WriteElement(line, "B", "x", 0), 1);
    EXPECT_EQ(writer.EndChunk(), 1);
    EXPECT_LT(fake.writes, 12);
    EXPECT_EQ(Written(), "<A>\r\n" + expected + "</A>\r\n<B>x</B>\r\n");
}

// Lines gathered into a chunk are built where they stay: the same bytes and the same limits as
// lines written one by one, whatever their buffer, and a line refused leaves nothing behind.
void MixedLines(XmlWriter& writer, std::span<char> line, std::span<char> big, int* accepted) {
    const std::string quotes(200, '"');  // escaped, far more than a line holds
    const std::string note(3000, 'n');   // fits only the big buffer
    const std::string longName(300, 'E');
    *accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        *accepted += writer.WriteStartTag(line, "R", 4, "No", std::to_string(i).c_str());
        *accepted += writer.WriteElement(line, "Q", quotes.c_str(), 5);
        *accepted += writer.WriteElement(line, "A", "x<y", 5, "K", "&", "L", "'");
        *accepted += writer.WriteElement(line, longName.c_str(), "refused", 5);
        *accepted += writer.WriteElement(big, "N", note.c_str(), 5);
        *accepted += writer.WriteEndTag(line, "R", 4);
    }
}

TEST_F(Writer, ChunkedLinesAreTheBytesOfLinesWrittenOneByOne) {
    std::vector<char> big(8192);
    int direct = 0;
    MixedLines(writer, line, big, &direct);
    const std::string expected = Written();

    XmlWriter chunked;
    ASSERT_EQ(chunked.Open(fake.NewFile("C:\\chunked.xml")), 0);
    chunked.BeginChunk();
    int gathered = 0;
    MixedLines(chunked, line, big, &gathered);
    EXPECT_EQ(chunked.EndChunk(), 1);
    chunked.Close();
    EXPECT_EQ(gathered, direct);
    EXPECT_EQ(direct, 3000 * 5);  // the line with the overlong name was refused each time
    EXPECT_GT(expected.size(), 4 * XmlWriter::kChunkSize);
    EXPECT_EQ(fake.files["C:\\chunked.xml"], expected);
}

TEST_F(Writer, AChunkThatFailsFailsTheRunAndEveryWriteAfterWithItsReason) {
    fake.failWriteAt = 2;  // the second chunk, after the start tag and the first chunk
    fake.failureReason = "ディスクの読み書き中にエラーが発生しました。";
    EXPECT_EQ(writer.WriteStartTag(line, "A", 0), 1);
    writer.BeginChunk();
    int accepted = 0;
    ChunkedLines(writer, line, kChunkedLines, &accepted);
    EXPECT_LT(accepted, kChunkedLines);  // a line after the failure was refused
    EXPECT_EQ(writer.EndChunk(), 0);
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(writer.FailureReason(), fake.failureReason);  // met on the writes' own thread
    EXPECT_EQ(writer.WriteEndTag(line, "A", 0), 0);
    EXPECT_EQ(writer.Close(), 0);
    EXPECT_EQ(fake.openFiles, 0);
    // The first chunk reached the file whole; nothing after the failed one did.
    const std::string& written = fake.files["C:\\out.xml"];
    EXPECT_GE(written.size(), XmlWriter::kChunkSize);
    EXPECT_LT(written.size(), 2 * XmlWriter::kChunkSize + 4096);
    EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
}

TEST_F(Writer, AFailureInTheLastChunkFailsTheEndOfTheRun) {
    fake.failWriteAt = 1;
    EXPECT_EQ(writer.WriteStartTag(line, "A", 0), 1);
    writer.BeginChunk();
    EXPECT_EQ(writer.WriteElement(line, "B", "x", 1), 1);  // gathered, not yet written
    EXPECT_EQ(writer.EndChunk(), 0);
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(fake.openFiles, 0);
}

TEST_F(Writer, WithoutAFileEveryWriteFails) {
    XmlWriter other;
    EXPECT_EQ(other.Open(std::unique_ptr<File>()), -1);
    EXPECT_TRUE(other.Failed());
    EXPECT_EQ(other.WriteStartTag(line, "A", 0), 0);
    EXPECT_EQ(other.Open(static_cast<File*>(nullptr)), -1);
    EXPECT_EQ(other.WriteStartTag(line, "A", 0), 0);
}

TEST_F(Writer, LongTextIsCutAtACharacterBoundaryToFitTheLine) {
    // 200 double-byte characters: 400 bytes; the line keeps what fits, whole characters only.
    std::string text;
    for (int i = 0; i < 200; ++i) text += "\x95\x5C";
    EXPECT_EQ(writer.WriteElement(line, "Line", text.c_str(), 3), 1);
    std::string written = Written();
    ASSERT_LE(written.size(), 255u);
    std::string body = written.substr(3 + 6, written.size() - 3 - 6 - 9);
    EXPECT_EQ(written.substr(written.size() - 9), "</Line>\r\n");
    EXPECT_EQ(body.size() % 2, 0u);
    EXPECT_EQ(body.size(),
              236u);  // 255 - 3 tabs - "<Line>" - "</Line>\r\n", rounded down to whole characters
}

TEST_F(Writer, EscapedTextIsNeverCutInsideAnEntity) {
    std::string text(100, '&');  // 500 bytes escaped
    EXPECT_EQ(writer.WriteElement(line, "T", text.c_str(), 0), 1);
    std::string written = Written();
    std::string body = written.substr(3, written.size() - 3 - 6);
    EXPECT_EQ(body.size() % 5, 0u);
    EXPECT_EQ(body.substr(body.size() - 5), "&amp;");
    EXPECT_LE(written.size(), 255u);
}

TEST_F(Writer, AttributeValueIsCutToItsLimitAndALineThatCannotFitIsRefused) {
    char big[1024];
    std::string value(300, 'v');
    EXPECT_EQ(writer.WriteStartTag(big, "T", 0, "Label", value.c_str()), 1);
    std::string written = Written();
    // " Label=\"" + value + "\"" is at most 255 bytes.
    EXPECT_EQ(written, "<T Label=\"" + std::string(246, 'v') + "\">\r\n");
    XmlWriter other;
    other.Open(fake.NewFile("C:\\b.xml"));
    EXPECT_EQ(other.WriteStartTag(line, "T", 300), 0);  // 300 TABs
    EXPECT_EQ(other.WriteStartTag(line, "T", 0, "Label", value.c_str(), "Amount", value.c_str()),
              0);
    other.Close();
    EXPECT_EQ(fake.files["C:\\b.xml"], "");
}

TEST_F(Writer, NeverWritesPastTheLineBuffer) {
    char guarded[64 + 16];
    std::memset(guarded, 0x5A, sizeof(guarded));
    std::span<char> small(guarded, 64);
    std::string text(1000, '<');
    writer.WriteElement(small, "Text", text.c_str(), 2, "Label", text.c_str(), "Amount",
                        text.c_str());
    writer.WriteElement(small, "Text", text.c_str(), 2);
    writer.WriteStartTag(small, text.c_str(), 2);
    for (std::size_t i = 64; i < sizeof(guarded); ++i) EXPECT_EQ(guarded[i], 0x5A) << i;
    EXPECT_LT(std::strlen(guarded), 64u);
}

}  // namespace

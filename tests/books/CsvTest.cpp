#include <gtest/gtest.h>

#include <algorithm>

#include "books/Csv.h"

namespace books {
namespace {

using Records = std::vector<std::vector<std::string>>;

// Every record the reader gives, copied before the next one is read; each record's first line
// in `lines`.
Records ReadAll(CsvReader* reader, std::vector<long>* lines = nullptr) {
    Records records;
    std::vector<std::string_view> fields;
    while (reader->Next(&fields)) {
        records.emplace_back(fields.begin(), fields.end());
        if (lines) lines->push_back(reader->RecordLine());
    }
    return records;
}

TEST(CsvReader, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
    std::string text = "a,\"b, c\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",,x\n";
    CsvReader reader(text);
    auto records = ReadAll(&reader);
    ASSERT_FALSE(reader.Failed()) << reader.Error();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (std::vector<std::string>{"a", "b, c", "say \"hi\""}));
    EXPECT_EQ(records[1], (std::vector<std::string>{"two\nlines", "", "x"}));
    EXPECT_EQ(reader.RecordLine(), 2);
}

// What the writers append, the reader reads back as it was; only fields that need quotes get them.
TEST(CsvField, WrittenFieldsReadBackAsTheyWere) {
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"yes\"", "\"say \"\"yes\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"\x95\x5C", "\x95\x5C"},  // a trail byte 0x5C is no special byte
    };
    std::string text;
    Records expected(1);
    for (const auto& [field, written] : fields) {
        std::string one;
        AppendCsvField(field, &one);
        EXPECT_EQ(one, written);
        if (!text.empty()) text += ',';
        text += one;
        expected[0].push_back(field);
    }
    text += '\n';
    CsvReader reader(text);
    EXPECT_EQ(ReadAll(&reader), expected);
}

TEST(CsvReader, SkipsBlankLinesAndByteOrderMarkAndCountsLines) {
    std::string text = "\xEF\xBB\xBFh1,h2\n\n\r\n1,2\n";
    CsvReader reader(text);
    std::vector<std::string_view> fields;
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(fields[0], "h1");
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(reader.RecordLine(), 4);
    EXPECT_FALSE(reader.Next(&fields));
    EXPECT_FALSE(reader.Failed());
}

// Lines as an editor shows them: CR CR LF (a CR LF converted once more) ends one line like CR LF
// and LF; a CR alone ends one too, in a blank line and inside a quoted field as well.
TEST(CsvReader, CountsLinesAsAnEditorShowsThem) {
    struct Case {
        const char* text;
        std::vector<long> lines;  // where each record begins
    };
    const Case cases[] = {
        {"h\r\r\n1\r\r\n2\r\r\n", {1, 2, 3}},      {"h\r\r\n\r\r\n1\r\n", {1, 3}},
        {"h\r\n\"a\r\r\nb\"\r\r\n2\n", {1, 2, 4}}, {"h\r\r1\r2", {1, 3, 4}},
        {"h\n\"a\rb\"\n2\n", {1, 2, 4}},
    };
    for (const Case& c : cases) {
        // A chunk of one byte puts a boundary between every CR and what follows it.
        for (std::size_t chunk : {std::size_t{1}, CsvReader::kDefaultChunk}) {
            CsvReader reader(c.text, chunk);
            std::vector<std::string_view> fields;
            std::vector<long> lines;
            while (reader.Next(&fields)) lines.push_back(reader.RecordLine());
            EXPECT_FALSE(reader.Failed()) << reader.Error();
            EXPECT_EQ(lines, c.lines) << c.text << " in chunks of " << chunk;
        }
    }
}

TEST(CsvReader, RefusesUnbalancedAndStrayQuotes) {
    for (std::string text : {"a,\"open\n", "a,b\"c\n", "a,\"x\"y\n"}) {
        CsvReader reader(text);
        std::vector<std::string_view> fields;
        EXPECT_FALSE(reader.Next(&fields)) << text;
        EXPECT_TRUE(reader.Failed()) << text;
        EXPECT_EQ(reader.RecordLine(), 1);
    }
}

TEST(CsvReader, KeepsShiftJisTrailBytes) {
    // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: trail bytes are never taken for syntax.
    std::string text = "\x95\x5C,\x83\x5C\n";
    CsvReader reader(text);
    std::vector<std::string_view> fields;
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(fields, (std::vector<std::string_view>{"\x95\x5C", "\x83\x5C"}));
}

// The file is read a chunk at a time: wherever a chunk ends (inside a quoted field, between a
// doubled quote's two halves, between CR and LF, inside the byte-order mark), the records, their
// lines and the refusals are those of the text read whole.
TEST(CsvReader, ChunkBoundariesChangeNothing) {
    const std::string texts[] = {
        "\xEF\xBB\xBFh1,h2\r\n\r\n\"a \"\"q\"\" b\",\"x\r\ny\"\r1,\n\n2,\"\"\r\n,last",
        "id,text\n1,\"one\n\"\"two\"\"\nthree\"\n\n\n2,\"\"\"\"\n3,plain\r\n",
        "a,b\n1,\"open\n2,3\n",
        "a,b\n1,2\n3,\"x\"y\n",
        "a\n\"q\"\r",
    };
    for (const std::string& text : texts) {
        CsvReader whole(text);
        std::vector<long> wholeLines;
        Records expected = ReadAll(&whole, &wholeLines);
        for (std::size_t chunk = 1; chunk <= 9; ++chunk) {
            CsvReader reader(text, chunk);
            std::vector<long> lines;
            EXPECT_EQ(ReadAll(&reader, &lines), expected) << text << " by " << chunk;
            EXPECT_EQ(lines, wholeLines) << text << " by " << chunk;
            EXPECT_EQ(reader.Failed(), whole.Failed()) << text << " by " << chunk;
            EXPECT_EQ(reader.Error(), whole.Error()) << text << " by " << chunk;
            EXPECT_EQ(reader.RecordLine(), whole.RecordLine()) << text << " by " << chunk;
        }
    }
}

TEST(CsvReader, ARecordLongerThanTheChunkIsReadWhole) {
    std::string longField(100000, 'x');
    std::string text = "h\n\"" + longField + "\"\n" + longField + "\n";
    CsvReader reader(text, 4096);
    Records records = ReadAll(&reader);
    ASSERT_FALSE(reader.Failed()) << reader.Error();
    EXPECT_EQ(records, (Records{{"h"}, {longField}, {longField}}));
}

TEST(CsvReader, ARecordBeyondTheLimitFailsTheReadingWithItsLine) {
    // Up to the limit a record is read whole, past it the reading fails: a quote left open
    // would otherwise make the rest of the file one record.
    const std::string fits(14, 'x');  // with its LF, 15 bytes of a 16-byte limit
    const std::string text = "h\n" + fits + "\n\"" + std::string(40, 'y') + "\n";
    CsvReader reader(text, 4, 16);
    std::vector<std::string_view> fields;
    ASSERT_TRUE(reader.Next(&fields));
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(fields, std::vector<std::string_view>{fits});
    EXPECT_FALSE(reader.Next(&fields));
    EXPECT_TRUE(reader.Failed());
    EXPECT_FALSE(reader.SourceFailed());
    EXPECT_EQ(reader.RecordLine(), 3);
    EXPECT_EQ(reader.Error(), "a record longer than 16 bytes (a quote left open?)");

    const std::string open = "\"" + std::string(3 << 20, 'z');
    CsvReader large(open);
    EXPECT_FALSE(large.Next(&fields));
    EXPECT_EQ(large.Error(), "a record longer than 1 MiB (a quote left open?)");
}

// A record is as long as its bytes with its line break, whatever ends it: one of exactly the
// limit is read, also where the reader must look one byte past it (a lone CR, a closing quote,
// the end of the file), and one byte more is refused.
TEST(CsvReader, ARecordOfExactlyTheLimitIsReadWhateverEndsIt) {
    struct Case {
        std::string record;  // 16 bytes
        std::string after;   // what follows it
    };
    const Case cases[] = {
        {std::string(15, 'x') + "\n", "b\n"}, {std::string(14, 'x') + "\r\n", "b\n"},
        {std::string(15, 'x') + "\r", "b\n"}, {"\"" + std::string(14, 'x') + "\"", ""},
        {std::string(16, 'x'), ""},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk : {std::size_t{4}, std::size_t{16}}) {
            const std::string fits = "h\n" + c.record + c.after;
            CsvReader reader(fits, chunk, 16);
            Records records = ReadAll(&reader);
            EXPECT_FALSE(reader.Failed()) << fits << " by " << chunk << ": " << reader.Error();
            EXPECT_EQ(records.size(), c.after.empty() ? 2u : 3u) << fits << " by " << chunk;

            const std::string over =
                "h\n" + c.record.substr(0, 1) + "y" + c.record.substr(1) + c.after;
            CsvReader refusing(over, chunk, 16);
            ReadAll(&refusing);
            EXPECT_TRUE(refusing.Failed()) << over << " by " << chunk;
            EXPECT_EQ(refusing.RecordLine(), 2) << over << " by " << chunk;
            EXPECT_EQ(refusing.Error(), "a record longer than 16 bytes (a quote left open?)")
                << over << " by " << chunk;
        }
    }
}

// A source that fails after its first bytes.
class BrokenSource : public ByteSource {
public:
    bool Read(char* buffer, std::size_t size, std::size_t* count) override {
        if (reads_++ > 0) return false;
        *count = std::min<std::size_t>(size, 4);
        std::copy_n("a,b\n", *count, buffer);
        return true;
    }

private:
    int reads_ = 0;
};

TEST(CsvReader, ASourceThatFailsEndsTheReadingAsTheSourcesFailure) {
    BrokenSource source;
    CsvReader reader(source, 4);
    std::vector<std::string_view> fields;
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(fields, (std::vector<std::string_view>{"a", "b"}));
    EXPECT_FALSE(reader.Next(&fields));
    EXPECT_TRUE(reader.Failed());
    EXPECT_TRUE(reader.SourceFailed());
    EXPECT_FALSE(reader.Next(&fields));
}

}  // namespace
}  // namespace books

#include <gtest/gtest.h>

#include "books/Csv.h"

namespace books {
namespace {

std::vector<std::vector<std::string>> ReadAll(std::string_view text, CsvReader* reader) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    while (reader->Next(&fields)) records.push_back(fields);
    (void)text;
    return records;
}

TEST(CsvReader, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
    std::string text = "a,\"b, c\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",,x\n";
    CsvReader reader(text);
    auto records = ReadAll(text, &reader);
    ASSERT_FALSE(reader.Failed()) << reader.Error();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (std::vector<std::string>{"a", "b, c", "say \"hi\""}));
    EXPECT_EQ(records[1], (std::vector<std::string>{"two\nlines", "", "x"}));
    EXPECT_EQ(reader.RecordLine(), 2);
}

TEST(CsvReader, SkipsBlankLinesAndByteOrderMarkAndCountsLines) {
    std::string text = "\xEF\xBB\xBFh1,h2\n\n\r\n1,2\n";
    CsvReader reader(text);
    std::vector<std::string> fields;
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(fields[0], "h1");
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(reader.RecordLine(), 4);
    EXPECT_FALSE(reader.Next(&fields));
    EXPECT_FALSE(reader.Failed());
}

TEST(CsvReader, RefusesUnbalancedAndStrayQuotes) {
    for (std::string text : {"a,\"open\n", "a,b\"c\n", "a,\"x\"y\n"}) {
        CsvReader reader(text);
        std::vector<std::string> fields;
        EXPECT_FALSE(reader.Next(&fields)) << text;
        EXPECT_TRUE(reader.Failed()) << text;
        EXPECT_EQ(reader.RecordLine(), 1);
    }
}

TEST(CsvReader, KeepsShiftJisTrailBytes) {
    // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: trail bytes are never taken for syntax.
    std::string text = "\x95\x5C,\x83\x5C\n";
    CsvReader reader(text);
    std::vector<std::string> fields;
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"\x95\x5C", "\x83\x5C"}));
}

}  // namespace
}  // namespace books

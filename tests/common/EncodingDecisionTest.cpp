// Deciding a file's encoding from its bytes: what the bytes say, and where a file that is
// neither fails. Bytes are written as escapes, the same whatever the compiler's own charset.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/Encoding.h"

namespace {

using sjis::TextEncoding;

// 現金 in each encoding, and a UTF-8 mark.
const std::string kGenkinUtf8 = "\xE7\x8F\xBE\xE9\x87\x91";
const std::string kGenkinSjis = "\x8C\xBB\x8B\xE0";
const std::string kMark = "\xEF\xBB\xBF";

TEST(EncodingDecision, TheBytesDecide) {
    struct Case {
        const char* what;
        std::string text;
        bool complete;
        TextEncoding expected;
        std::size_t badOffset;  // kNeither only
    };
    const Case cases[] = {
        {"ASCII alone", "a,b\r\n1,2\n", true, TextEncoding::kUndecided, 0},
        {"empty", "", true, TextEncoding::kUndecided, 0},
        {"a mark with ASCII", kMark + "a,b\n", true, TextEncoding::kUtf8, 0},
        {"UTF-8 text", "name\n" + kGenkinUtf8 + "\n", true, TextEncoding::kUtf8, 0},
        {"Shift_JIS text", "name\n" + kGenkinSjis + "\n", true, TextEncoding::kSjis, 0},
        {"half-width katakana", "\xB1\xB2\n", true, TextEncoding::kSjis, 0},
        // ﾃｽ is C3 BD, valid UTF-8 (ý) too: without a character of three bytes it is katakana.
        {"half-width katakana that pair as UTF-8", "\xC3\xBD,\xC3\xBD\n", true, TextEncoding::kSjis,
         0},
        {"UTF-8 cut at a block's end", "a," + kGenkinUtf8.substr(0, 4), false, TextEncoding::kUtf8,
         0},
        {"Shift_JIS cut at a block's end", "a," + kGenkinSjis.substr(0, 3), false,
         TextEncoding::kSjis, 0},
        // A whole file that ends inside a character is neither: the cut is where it fails.
        {"Shift_JIS cut at the file's end", "a," + kGenkinSjis.substr(0, 3), true,
         TextEncoding::kNeither, 4},
        {"a byte neither reads", "ab\xFF", true, TextEncoding::kNeither, 2},
        // Mostly UTF-8: the byte UTF-8 stumbles on is named, not Shift_JIS's early failure.
        {"UTF-8 with one bad byte", kGenkinUtf8 + kGenkinUtf8 + "\xFF" + kGenkinUtf8, true,
         TextEncoding::kNeither, 12},
        // An overlong UTF-8 slash is no UTF-8; its bytes are half-width katakana.
        {"an overlong UTF-8 slash", "a\xC0\xAF", true, TextEncoding::kSjis, 0},
        // Shift_JIS reads ED A0 as a character and stops at the FF. (0x80 alone is a character
        // of Windows' code page 932, and not of iconv's: the tests keep clear of it.)
        {"a UTF-8 surrogate", "\xED\xA0\xFF", true, TextEncoding::kNeither, 2},
    };
    for (const Case& c : cases) {
        sjis::EncodingDecision decision = sjis::DecideEncoding(c.text, c.complete);
        EXPECT_EQ(decision.encoding, c.expected) << c.what;
        if (c.expected == TextEncoding::kNeither) {
            EXPECT_EQ(decision.badOffset, c.badOffset) << c.what;
        }
    }
}

TEST(EncodingDecision, JapaneseInUtf8IsToldFromShiftJis) {
    EXPECT_TRUE(sjis::ReadsAsJapaneseUtf8(kGenkinUtf8));
    EXPECT_FALSE(sjis::ReadsAsJapaneseUtf8(kGenkinSjis));
    EXPECT_FALSE(sjis::ReadsAsJapaneseUtf8("\xC3\xBD"));  // ﾃｽ
    EXPECT_FALSE(sjis::ReadsAsJapaneseUtf8("abc"));
}

TEST(EncodingDecision, FirstInvalidByteOfEach) {
    EXPECT_EQ(sjis::FirstInvalidUtf8(kGenkinUtf8, true), kGenkinUtf8.size());
    EXPECT_EQ(sjis::FirstInvalidUtf8("ab" + kGenkinSjis, true), 2u);
    EXPECT_EQ(sjis::FirstInvalidUtf8("\xF4\x90\x80\x80", true), 0u);  // beyond U+10FFFF
    EXPECT_EQ(sjis::FirstInvalidSjis(kGenkinSjis, true), kGenkinSjis.size());
    EXPECT_EQ(sjis::FirstInvalidSjis("ab\xFF", true), 2u);
    EXPECT_EQ(sjis::FirstInvalidSjis("ab\x81", false), 3u);
    EXPECT_EQ(sjis::FirstInvalidSjis("ab\x81", true), 2u);
    EXPECT_EQ(sjis::FirstInvalidSjis("\x81\x20" + kGenkinSjis, false), 0u);  // no trail byte
    EXPECT_EQ(sjis::FirstInvalidSjis(kGenkinSjis + "\xA0", true), kGenkinSjis.size());
}

// A reading thread decides and converts text, then ends while the main thread goes on
// allocating: what the conversions keep must neither be freed twice nor free what the main thread
// holds. (On Windows a thread's own objects were once freed before their destructors ran.)
TEST(EncodingDecision, ThreadsThatConvertAndEndLeaveTheMainThreadsMemoryWhole) {
    std::string held;
    for (int round = 0; round < 300; ++round) {
        std::thread reader([] {
            std::string utf8;
            std::string back;
            ASSERT_TRUE(sjis::SjisToUtf8(kGenkinSjis + "\xB1", &utf8));
            ASSERT_EQ(sjis::DecideEncoding(kGenkinSjis, true).encoding, TextEncoding::kSjis);
            ASSERT_TRUE(sjis::Utf8ToSjis(utf8, &back));
            ASSERT_EQ(back, kGenkinSjis + "\xB1");
        });
        std::vector<std::string> kept;
        for (int i = 0; i < 4000; ++i) {
            kept.emplace_back(16 + i % 40 * 4, static_cast<char>('a' + i % 26));
            if (kept.size() > 64) kept.erase(kept.begin());
        }
        reader.join();
        for (const std::string& text : kept)
            ASSERT_EQ(text.find_first_not_of(text[0]), std::string::npos) << "round " << round;
    }
}

}  // namespace

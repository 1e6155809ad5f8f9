// The messages of kcbooks and kcview: how a text is filled and which language is said, and the
// two programs' tables, each message in both languages with the same placeholders.

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "common/Bilingual.h"
#include "messages/kcbooks/KcbooksMessages.h"
#include "messages/tools/ToolMessages.h"
#include "native/Failure.h"
#include "native/Language.h"
#include "tools/kcoffice/OfficeMessages.h"
#include "tools/kcview/KcviewMessages.h"

namespace {

struct FillCase {
    const char* text;
    const char* filled;
};

TEST(Bilingual, FillsEachPlaceholderOnceAndLeavesTheRest) {
    const FillCase cases[] = {
        {"〈file〉, line 〈line〉: 〈why〉", "company.csv, line 2: 〈why〉"},
        {"〈file〉 〈line〉 行目", "company.csv 2 行目"},
        {"〈line〉〈line〉", "22"},
        {"no placeholder", "no placeholder"},
        {"〈〉 and 〈unknown〉 and 〈", "〈〉 and 〈unknown〉 and 〈"},
        {"〈missing〈file〉", "〈missingcompany.csv"},
    };
    for (const FillCase& c : cases) {
        EXPECT_EQ(bilingual::Fill(c.text, {{"file", "company.csv"}, {"line", 2}}), c.filled)
            << c.text;
    }
}

TEST(Bilingual, AValueThatLooksLikeAPlaceholderStaysAsItIs) {
    EXPECT_EQ(bilingual::Fill("〈file〉: 〈why〉", {{"file", "〈why〉.csv"}, {"why", "bad"}}),
              "〈why〉.csv: bad");
}

TEST(Bilingual, PlaceholdersAreListedInTheirOrder) {
    EXPECT_EQ(bilingual::Placeholders("〈b〉 x 〈a〉 〈〉 〈b〉"),
              (std::vector<std::string>{"b", "a", "b"}));
    EXPECT_TRUE(bilingual::Placeholders("none").empty());
}

TEST(Bilingual, SaysTheUsersLanguage) {
    const bilingual::Message message{"imported 〈n〉", "〈n〉 件を取り込みました"};
    struct Case {
        native::Language language;
        const char* said;
    };
    for (const Case& c : {Case{native::Language::kEnglish, "imported 3"},
                          Case{native::Language::kJapanese, "3 件を取り込みました"}}) {
        native::LanguageOverride pinned(c.language);
        EXPECT_EQ(native::UserLanguage(), c.language);
        EXPECT_EQ(bilingual::Say(message, {{"n", 3}}), c.said);
        EXPECT_EQ(bilingual::Text(message),
                  c.language == native::Language::kEnglish ? message.english : message.japanese);
    }
}

TEST(Bilingual, AnOverrideGivesBackTheOneBeforeIt) {
    native::LanguageOverride outer(native::Language::kJapanese);
    {
        native::LanguageOverride inner(native::Language::kEnglish);
        EXPECT_EQ(native::UserLanguage(), native::Language::kEnglish);
    }
    EXPECT_EQ(native::UserLanguage(), native::Language::kJapanese);
}

// Why a message of a table is unfit to be said, or empty.
std::string Unfit(const bilingual::Message& message) {
    if (message.english.empty()) return "no English text";
    if (message.japanese.empty()) return "no Japanese text";
    if (message.english == message.japanese &&
        std::all_of(message.english.begin(), message.english.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return "the Japanese text is the English one";
    std::vector<std::string> english = bilingual::Placeholders(message.english);
    std::vector<std::string> japanese = bilingual::Placeholders(message.japanese);
    std::sort(english.begin(), english.end());
    std::sort(japanese.begin(), japanese.end());
    if (english != japanese) return "the two texts carry different placeholders";
    return std::string();
}

TEST(MessageTables, AMessageUnfitToBeSaidIsFound) {
    const bilingual::Message cases[] = {
        {"", "取り込めません"},
        {"import refused", ""},
        {"〈file〉: cannot be read", "〈path〉: 読み込めません"},
        {"〈file〉: 〈why〉", "〈file〉: 読み込めません"},
        {"import refused", "import refused"},
    };
    for (const bilingual::Message& message : cases) {
        EXPECT_NE(Unfit(message), "") << message.english << " / " << message.japanese;
    }
    EXPECT_EQ(Unfit({"〈a〉 then 〈b〉", "〈b〉 の後に 〈a〉"}), "");
}

struct Table {
    const char* program;
    std::span<const bilingual::Message> messages;
};

TEST(MessageTables, EveryMessageHasBothLanguagesWithTheSamePlaceholders) {
    for (const Table& table :
         {Table{"kcbooks", kcbooks_messages::All()}, Table{"kcview", kcview_messages::All()},
          Table{"both", tool_messages::All()}, Table{"kcoffice", office_messages::All()}}) {
        EXPECT_GT(table.messages.size(), 15u) << table.program;
        for (const bilingual::Message& message : table.messages) {
            EXPECT_EQ(Unfit(message), "") << table.program << ": " << message.english;
        }
    }
}

// The shared reasons stand in the order of the kinds: each English reason is the floor's own.
TEST(ToolMessages, EachKindOfFailureHasItsOwnReason) {
    native::LanguageOverride english(native::Language::kEnglish);
    for (int k = 0; k < static_cast<int>(native::FailureKind::kOther); ++k) {
        const auto kind = static_cast<native::FailureKind>(k);
        const native::Failure failure("open", "journal.csv", native::CodeOf(kind), kind);
        EXPECT_EQ(tool_messages::KindReason(kind), native::Reason(failure)) << k;
        EXPECT_EQ(tool_messages::FailureSentence(failure), native::Sentence(failure)) << k;
    }
    EXPECT_EQ(tool_messages::KindReason(native::FailureKind::kOther), "");
}

TEST(ToolMessages, SaysAFailureAndAnArgumentInTheUsersLanguage) {
    struct Case {
        native::Language language;
        const char* sentence;
        const char* argument;
    };
    const native::Failure full("write", "out/journal.csv",
                               native::CodeOf(native::FailureKind::kNoRoom),
                               native::FailureKind::kNoRoom);
    for (const Case& c :
         {Case{native::Language::kEnglish, "out/journal.csv: no room left on the disk",
               "argument 2 is not valid UTF-16"},
          Case{native::Language::kJapanese, "out/journal.csv: ディスクの空きがありません",
               "2 番目の引数が正しい UTF-16 の文字列ではありません"}}) {
        native::LanguageOverride pinned(c.language);
        EXPECT_EQ(tool_messages::FailureSentence(full), c.sentence);
        EXPECT_EQ(kcbooks_messages::FailureSentence(full), c.sentence);
        EXPECT_EQ(tool_messages::ArgumentNotUtf16(2), c.argument);
    }
}

}  // namespace

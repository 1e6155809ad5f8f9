#pragma once

// Everything kcview says on its outputs, in English and in Japanese: its usage, why it cannot
// read a file or write its page, and how the checks came out. The page's own words are
// Japanese and stay with the page.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "common/Bilingual.h"

namespace kcview_messages {

enum class Id {
    kUsage,
    kNoMemory,
    kInterrupted,
    kNotRegular,
    kCannotOpen,
    kCannotRead,
    kCannotWrite,
    kFileRefused,
    kFileRefusedAtLine,
    kPreviousRefused,
    kBadFlagChange,
    kFlagChangeAlone,
    kPageClash,
    kRoleExport,
    kRolePrevious,
    kPageNotRegular,
    kWrote,
    kSomeNotApplicable,
    kAllHold,
    kSomeFailed,
    kWithWarnings,
    kNotAnExport,
    kNotWellFormed,
    kMarkupBroken,
    kTagMismatch,
    kUnclosed,
    kNoXml,
    kAfterRoot,
    kUndefinedEntity,
    kUnreadableEncoding,
    kBadCharacter,
    kUndecodable,
    kTooDeep,
    kRootNotReport,
    kWrittenTwice,
    kTooManyElements,
    kNoReport,
    kNoSystem,
    kNoBasic,
    kNoData,
    kNoBalanceSheet,
    kNoIncomeStatement,
    kNotAnAmount,
    kAmountOf,
    kTooLong,
    kAText,
    kAnAttribute,
    kDocumentType,
    kDecoderSetUp,
    kParserStart,
    kParserSetUp,
    kNoFirstDay,
    kNoFiscalYear,
    kNotPrecedingYear,
    kRoleBooks,
    kBooksUnreadable,
    kBooksNotAStore,
    kBooksBeforeTotals,
    kBooksNoDataSet,
    kCount,
};

// The message in the user's language, its placeholders filled.
std::string Say(Id id, std::initializer_list<bilingual::Value> values = {});
// The text of a message without placeholders, taking no memory.
std::string_view Text(Id id);

// Every message, in the order of Id.
std::span<const bilingual::Message> All();

}  // namespace kcview_messages

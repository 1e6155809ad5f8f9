#pragma once

// Everything kcoffice says on the console and in a client's log, in English and in Japanese. The
// summary page's own words are Japanese and stay with the page; a client's reason is kept in both
// languages, Japanese for the page and the user's language for the console.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "common/Bilingual.h"

namespace office_messages {

enum class Id {
    kUsage,
    kNoMemory,
    kInterrupted,
    kFailed,
    kBadMonth,
    kBadJobs,
    kUnknownEdition,
    kNoEdition,
    kNotAFolder,
    kBusy,
    kStarting,
    kClientExported,
    kClientRefused,
    kClientUnchanged,
    kClientOtherMonth,
    kProgress,
    kFinished,
    kNoBooks,
    kSeveralBooks,
    kBadIniValue,
    kBadConvertOptions,
    kYearUnknown,
    kImportRefused,
    kExportFailed,
    kPreviousNotUsed,
    kReviewFailed,
    kSystemFailure,
    kCount,
};

// The message in the user's language, its placeholders filled.
std::string Say(Id id, std::initializer_list<bilingual::Value> values = {});
// The same in Japanese, whatever the user's language: the summary page's.
std::string SayJapanese(Id id, std::initializer_list<bilingual::Value> values = {});
// A reason kept in both languages: the page's Japanese and the console's.
struct Reason {
    std::string japanese;
    std::string shown;
    bool Empty() const { return shown.empty(); }
};
Reason Told(Id id, std::initializer_list<bilingual::Value> values = {});

// As it stands, without taking memory: for the message that memory ran out.
std::string_view Text(Id id);
std::span<const bilingual::Message> All();

}  // namespace office_messages

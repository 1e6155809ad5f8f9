#pragma once

// Everything kcbooks says, in English and in Japanese: its usage, its commands' results and
// refusals, and the refusals of the import (books/) and the conversion (tools/convert) it prints.
// It lies below them all, so each says its refusal in the user's language where it finds it.

#include <initializer_list>
#include <span>
#include <string>

#include "common/Bilingual.h"

namespace native {
class Failure;
}

namespace kcbooks_messages {

enum class Id {
    kUsage,
    kUnknownEncoding,
    kImportRefused,
    kImportBusy,
    kImportLockFailed,
    kImported,
    kConvertRefused,
    kReportNotWritten,
    kStoreClash,
    kRoleJournal,
    kRoleOpenings,
    kRoleChart,
    kRoleStore,
    kShowRefused,
    kExportJournalFailed,
    kJournalWritten,
    kAmountsRounded,
    kEntriesBalanced,
    kEntriesSplit,
    kKindsDropped,
    kOpeningsWritten,
    kBalanceLeftOut,
    kSummaryLost,
    kCommandFailed,
    kArgumentFailed,
    kNoMemory,
    kCommandInterrupted,
    kRunInterrupted,
    kThen,
    kListed,
    kIsWritten,
    kAreWritten,
    kStaysAsItWas,
    kOneLeft,
    kSeveralLeft,
    kReasonNoRoom,
    kReasonTooLarge,
    kReasonAccessDenied,
    kReasonReadOnlyDisk,
    kReasonHeldOpen,
    kReasonNotFound,
    kReasonExists,
    kReasonNotPlainFile,
    kReasonIsLink,
    kReasonNotEmpty,
    kReasonDeviceError,
    kReasonNoMemory,
    kReasonBadName,
    kReasonRunEnding,
    kReasonSystemError,
    kNotAFolder,
    kAtLine,
    kAtCell,
    kInputNotRegular,
    kInputTooLarge,
    kInputUnreadable,
    kNoHeaderRow,
    kSaveAsUtf8OrShiftJis,
    kUnknownColumn,
    kColumnTwice,
    kRequiredColumnMissing,
    kFieldCount,
    kValueRequired,
    kNotWholeNumber,
    kOutOfRange,
    kNotAnAmount,
    kFractionDigits,
    kBeyond64Bits,
    kNotADate,
    kNotANatureCode,
    kCount,
};

// The message in the user's language, its placeholders filled.
std::string Say(Id id, std::initializer_list<bilingual::Value> values = {});

// "PATH: REASON" for a failure of the floor, the reason in the user's language.
std::string FailureSentence(const native::Failure& failure);
std::string FailureReason(const native::Failure& failure);

// Every message, in the order of Id.
std::span<const bilingual::Message> All();

}  // namespace kcbooks_messages

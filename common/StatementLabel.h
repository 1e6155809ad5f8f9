#pragma once

// The label the export writes for an account: the statements' items and headings, the general
// ledger's accounts and counter-accounts. The figures keep 30 bytes of a name, and every written
// label loses its blanks, brackets and marks (common/LabelMarks.h). kcview reads the books by the
// same labels. Shift_JIS text.

#include <cstddef>
#include <string>
#include <string_view>

namespace sjis {

// The bytes a figure keeps of an account's name or label.
inline constexpr std::size_t kFigureLabelBytes = 30;

// Copies `text` into `destination` without the marks, each looked for only where a character
// begins and in the order of kLabelMarks; a double-byte character is copied whole. Returns the
// bytes written, at most text.size(); nothing is terminated.
std::size_t CopyWithoutLabelMarks(std::string_view text, char* destination);

// The label written for an account's name (or statement label): its first kFigureLabelBytes
// bytes, no character cut, without the marks.
std::string StatementLabel(std::string_view name);

// The counter-account the general ledger writes for a line whose counter is several accounts.
std::string_view SeveralAccounts();

}  // namespace sjis

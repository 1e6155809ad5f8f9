#pragma once

// Reads an exported file with libxml2: the declared Shift_JIS is decoded as code page 932, the
// whole of what the export writes; no network is reached, no document type is accepted and so no
// entity is expanded. A file is read whole or refused: a byte that cannot be decoded, a fault of
// the markup, a missing statement or a section written twice is a reason and a line.
//
// Memory stays bounded whatever the file holds: the general ledger, most of a large file, is
// handed on one account at a time and the document keeps each account without its lines; a text
// or attribute longer than kMaxText, and statements of more than kMaxStatementElements
// elements, are refused (an export writes nothing near either).

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "tools/kcview/ExportDocument.h"

namespace kcview {

struct ReadResult {
    bool ok = false;
    // Why the file was refused, and the line it was refused at (0 when no line applies).
    std::string reason;
    int line = 0;
    ExportDocument document;
};

inline constexpr std::size_t kMaxText = 1 << 20;
inline constexpr std::size_t kMaxStatementElements = 200000;

// Receives each account of the general ledger with its lines, in file order, as soon as the
// account's end tag is read.
using LedgerAccountSink = std::function<void(const LedgerAccount&)>;

// A file that cannot be opened or read, or is no regular file, raises native::Failure (see
// ExportFile); so does whatever `ledger` raises, once the parser has stopped.
ReadResult ReadExportFile(const std::string& path, const LedgerAccountSink& ledger = {});
// The same from bytes in memory, for tests.
ReadResult ReadExportBytes(std::string_view bytes, const LedgerAccountSink& ledger = {});

}  // namespace kcview

#pragma once

// Reads an exported file with libxml2: the declared encoding (Shift_JIS) is decoded by the
// parser, no network is reached, no document type is accepted and so no entity is expanded.

#include <string>
#include <string_view>

#include "tools/view/ExportDocument.h"

namespace kcview {

struct ReadResult {
    bool ok = false;
    // Why the file was refused, and the line it was refused at (0 when no line applies).
    std::string reason;
    int line = 0;
    ExportDocument document;
};

ReadResult ReadExportFile(const std::string& path);
// The same from bytes in memory, for tests.
ReadResult ReadExportBytes(std::string_view bytes);

}  // namespace kcview

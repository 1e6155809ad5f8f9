#pragma once

// Reads an exported file with libxml2: the declared Shift_JIS is decoded as code page 932, the
// whole of what the export writes; no network is reached, no document type is accepted and so no
// entity is expanded. A file is read whole or refused: a byte that cannot be decoded, a fault of
// the markup, a missing statement or a section written twice is a reason and a line.

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

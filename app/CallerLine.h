#pragma once

// The caller's line: the text the calling application starts the program with. It is read once,
// by the host, and the application object gets what it says.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Types.h"

// What the caller's line says: whom to tell, how, and where to write.
struct CallerLink {
    WindowHandle window = kNoWindow;
    std::int32_t message = 0;
    std::int16_t wParam = 3;  // also the function identifier of the XML file
    std::string path;         // an output path fixed by the caller; empty when none
};

struct CallerLine {
    // A line that fails part-way keeps the fields read before the failure: its window still
    // owns the messages of the environment check.
    CallerLink link;
    // Three commas: the program was started by a caller, who is told how the run ended.
    bool fromCaller = false;
    // The path is longer than the system's path limit. It is refused whole and not kept: the
    // run ends failed before anything is read.
    bool pathTooLong = false;
};

// Window, message and wParam as decimal text, each up to its comma; the rest of the line, commas
// and all, is the output path, taken whole however long the line.
CallerLine ParseCallerLine(std::string_view line);

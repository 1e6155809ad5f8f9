// The caller's line: window, message, wParam and the output path, as any text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "app/CallerLine.h"
#include "common/PathLimit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The line arrives as a C string: it ends at its first NUL.
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string text(line.c_str());
    const CallerLine caller = ParseCallerLine(text);
    const std::string& path = caller.link.path;
    if (!caller.fromCaller) {
        if (!path.empty() || caller.pathTooLong) fuzz::Fail("a path from a line with no caller");
        return 0;
    }
    // The path is the line's last field, taken whole or not at all, and never over the limit.
    if (path.size() > text.size() ||
        text.compare(text.size() - path.size(), path.size(), path) != 0)
        fuzz::Fail("a path that is not the end of the line");
    if (!FitsPathLimit(path)) fuzz::Fail("a path over the limit was kept");
    if (caller.pathTooLong && !path.empty()) fuzz::Fail("a refused path was kept");
    return 0;
}

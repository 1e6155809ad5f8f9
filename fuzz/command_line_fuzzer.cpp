// The caller's command line: window, message, wParam and the output path, as any text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "app/LinkApp.h"
#include "tests/doubles/FakePlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The line arrives as a C string: it ends at its first NUL.
    const std::string line(reinterpret_cast<const char*>(data), size);
    FakePlatform fake;
    LinkApp app(fake.platform, kEditionKcsakura, "");
    const std::string text(line.c_str());
    if (app.ParseCommandLine(text.c_str()) == 1) {
        // The path is the line's last field, taken whole or not at all.
        const std::string& path = app.Caller().text;
        if (path.size() > text.size() ||
            text.compare(text.size() - path.size(), path.size(), path) != 0)
            fuzz::Fail("a path that is not the end of the line");
    }
    return 0;
}

// The INI readers: the private-profile read of the definition file, and SUPPORT.INF.
//
// Input: section, key and INI text separated by NUL bytes; an input without separators is the
// text, read for the key the environment check reads.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "host/Profile.h"
#include "report/SupportInfo.h"
#include "tests/doubles/FakePlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> parts = fuzz::Split(data, size, 3);
    const std::string& text = parts.back();
    const std::string section = parts.size() == 3 ? parts[0] : "ProgramLevel";
    const std::string key = parts.size() == 3 ? parts[1] : "HJ21";
    auto value = FindProfileValue(text, section, key);
    if (value && value->size() > text.size()) fuzz::Fail("a value longer than the text");

    FakePlatform fake;
    fake.files["SUPPORT.INF"] = text;
    SupportInfo info(fake.platform, "kcsakura");
    if (info.Load() == 1) {
        if (info.ProductName().size() > text.size()) fuzz::Fail("a name longer than the file");
        if (info.ProductVersion().size() > text.size())
            fuzz::Fail("a version longer than the file");
    }
    return 0;
}

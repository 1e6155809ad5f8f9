// kcview over any bytes: the reader refuses with a reason or yields a document, and the checks
// and the page of any document it yields, alone and beside itself as last year's, stay within
// their buffers and escape the file's text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "tools/kcview/Checks.h"
#include "tools/kcview/Comparison.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/Page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kcview::ReadResult read = kcview::ReadExportBytes(bytes);
    if (!read.ok) {
        if (read.reason.empty()) fuzz::Fail("a refusal without a reason");
        return 0;
    }
    const auto outcomes = kcview::RunChecks(read.document, &read.document);
    for (const auto& outcome : outcomes) {
        for (const auto& failure : outcome.failures) {
            if (kcview::DescribeSide(failure.left).empty()) fuzz::Fail("an empty figure");
        }
    }
    const kcview::Comparison comparison =
        kcview::CompareYears(read.document, read.document, kcview::ChangeThreshold{});
    const kcview::LedgerReading again = [&](const kcview::LedgerAccountSink& sink) {
        return kcview::ReadExportBytes(bytes, sink);
    };
    for (const std::string& page :
         {kcview::RenderPage(read.document, outcomes, again),
          kcview::RenderPage(read.document, outcomes, again, &comparison)}) {
        if (page.rfind("<!DOCTYPE html>", 0) != 0) fuzz::Fail("a page without its doctype");
        // The page has no script of its own: one in it came from the file unescaped.
        if (page.find("<script") != std::string::npos)
            fuzz::Fail("the file's text in the page unescaped");
    }
    return 0;
}

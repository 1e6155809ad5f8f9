// The converter from the journal interchange form: a journal, its opening balances and a chart of
// the user's, written from the input and converted into a books folder.
//
// Input: the three files in this order, separated by NUL bytes; a file the input does not reach
// is not given (the last part takes the rest of the input).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzInput.h"
#include "books/Importer.h"
#include "tools/convert/Converter.h"

namespace {

std::string gFolder;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    if (gFolder.empty()) gFolder = fuzz::ScratchFolder("convert");
    const fs::path folder(gFolder);
    const fs::path out = folder / "books";
    std::error_code ignored;
    fs::remove_all(out, ignored);

    const std::vector<std::string> parts = fuzz::Split(data, size, 3);
    const char* const names[] = {"journal.csv", "openings.csv", "chart.csv"};
    std::string paths[3];
    for (std::size_t k = 0; k < parts.size(); ++k) {
        paths[k] = (folder / names[k]).string();
        std::ofstream(paths[k], std::ios::binary) << parts[k];
    }
    convert::ConvertOptions options;
    options.journalPath = paths[0].empty() ? (folder / names[0]).string() : paths[0];
    options.openingsPath = paths[1];
    options.chartPath = paths[2];
    options.company = "fuzz";
    options.outDir = out.string();
    convert::ConvertResult result = convert::ConvertInterchange(options);
    // A refused conversion says why and writes nothing; one that is not writes the folder whole.
    if (!result.ok && result.message.empty()) fuzz::Fail("a refusal without a reason");
    if (!result.ok && fs::exists(out)) fuzz::Fail("a refused conversion left a folder");
    if (result.ok && !fs::exists(out / "accounts.csv")) fuzz::Fail("a folder without its chart");
    // The floor's temporaries (~kc〈8〉.kctmp) and the folder's lock file go with the run.
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".kctmp") || name.ends_with(".kclock"))
            fuzz::Fail("a temporary or a lock file left behind");
    }
    // Whatever convert writes, the import reads: a refusal belongs at the user's own file.
    if (result.ok) {
        const fs::path store = folder / "s.books";
        books::ImportResult imported =
            books::ImportBooks(out.string(), store.string(), books::SourceEncoding::kUtf8);
        if (!imported.ok)
            fuzz::Fail(("a converted folder the import refuses: " + imported.message).c_str());
        fs::remove(store, ignored);
    }
    for (const char* name : names) fs::remove(folder / name, ignored);
    return 0;
}

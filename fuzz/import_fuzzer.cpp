// The whole import: a folder of books written from the input, imported into a new store.
//
// Input: the files below, in this order, separated by NUL bytes; a file the input does not
// reach is left out of the folder (the last part takes the rest of the input).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzInput.h"
#include "books/Importer.h"

namespace {

const char* const kFiles[] = {
    "company.csv",
    "users.csv",
    "accounts.csv",
    "openings.csv",
    "journal.csv",
    // The notes of the sample's data set.
    "notes/SAKURA/switch.txt",
    "notes/SAKURA/layout.txt",
    "notes/SAKURA/body.txt",
    // Optional: the eras have a default.
    "eras.csv",
};
constexpr std::size_t kFileCount = sizeof(kFiles) / sizeof(kFiles[0]);

std::string gFolder;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    if (gFolder.empty()) gFolder = fuzz::ScratchFolder("import");
    const fs::path books = fs::path(gFolder) / "books";
    const fs::path store = fs::path(gFolder) / "fuzz.books";
    std::error_code ignored;
    fs::remove_all(books, ignored);
    fs::remove(store, ignored);

    const std::vector<std::string> parts = fuzz::Split(data, size, kFileCount);
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const fs::path path = books / kFiles[k];
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << parts[k];
    }
    // Each encoding in turn, by the input's length: the one the bytes decide, UTF-8, Shift_JIS.
    const books::SourceEncoding encodings[] = {books::SourceEncoding::kFromBytes,
                                               books::SourceEncoding::kUtf8,
                                               books::SourceEncoding::kCp932};
    books::ImportResult result =
        books::ImportBooks(books.string(), store.string(), encodings[size % 3]);
    // A refused import says why and leaves no store behind.
    if (!result.ok && result.message.empty()) fuzz::Fail("a refusal without a reason");
    if (!result.ok && fs::exists(store)) fuzz::Fail("a refused import left a store");
    return 0;
}

#pragma once

// `kcbooks import`: reads a folder of CSV files into a new store. All or nothing: a refused
// import names the file, the line and the column, and leaves an existing store as it was.

#include <cstdint>
#include <string>

namespace books {

// The encoding of the folder's files: each file's own, as its bytes decide (see FileEncoding.h),
// or the one given for all.
enum class SourceEncoding { kFromBytes, kUtf8, kCp932 };

struct ImportResult {
    bool ok = false;
    std::string message;  // why the import was refused
    // The amounts of the openings and the journal that carry a fraction of a yen: the
    // statements cut each figure to whole yen, so the user is told there are some.
    std::uint64_t fractionalAmounts = 0;
};

// The new store is built in a temporary of its own beside the store (native::TempFile), and
// takes the store's place when complete. The floor's failures (the temporary cannot be made,
// synced or renamed) are raised as native::Failure naming the store; the caller says them.
ImportResult ImportBooks(const std::string& booksDir, const std::string& storePath,
                         SourceEncoding encoding);

}  // namespace books

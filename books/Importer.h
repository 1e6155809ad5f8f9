#pragma once

// `kcbooks import`: reads a folder of CSV files into a new store. All or nothing: a refused
// import names the file, the line and the column, and leaves an existing store as it was.

#include <string>

namespace books {

// The encoding of the folder's files: each file's own, as its bytes decide (see FileEncoding.h),
// or the one given for all.
enum class SourceEncoding { kFromBytes, kUtf8, kCp932 };

struct ImportResult {
    bool ok = false;
    std::string message;  // why the import was refused
};

// The new store is built in a file of its own beside the store (STORE.<random>.importing),
// created exclusively, and renamed over the store when complete.
ImportResult ImportBooks(const std::string& booksDir, const std::string& storePath,
                         SourceEncoding encoding);

// Removes the files that interrupted imports left beside the store. Only for a caller that
// holds the store's import lock: without it, the file of an import still running could go.
void RemoveLeftoverTemporaries(const std::string& storePath);

}  // namespace books

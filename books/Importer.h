#pragma once

// `kcbooks import`: reads a folder of CSV files into a new store. All or nothing: a refused
// import names the file, the line and the column, and leaves an existing store as it was.

#include <string>

namespace books {

enum class SourceEncoding { kUtf8, kCp932 };

struct ImportResult {
    bool ok = false;
    std::string message;  // why the import was refused
};

ImportResult ImportBooks(const std::string& booksDir, const std::string& storePath,
                         SourceEncoding encoding);

}  // namespace books

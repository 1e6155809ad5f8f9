#pragma once

// Generated books shared by the benchmarks: made once per size under the temporary folder,
// imported once, and logged into.

#include <filesystem>
#include <iostream>
#include <string>

#include "books/Books.h"
#include "books/Importer.h"
#include "ledger/Services.h"
#include "tools/generate/Generator.h"

namespace bench {

namespace fs = std::filesystem;

inline fs::path WorkDir() {
    return fs::temp_directory_path() / "kc-bench";
}

inline std::string StoreFor(std::int64_t entries) {
    return (WorkDir() / ("books-" + std::to_string(entries) + ".books")).string();
}

// Generated books are made once per size and shared by the benchmarks.
inline std::string BooksFor(std::int64_t entries) {
    fs::path dir = WorkDir() / ("books-" + std::to_string(entries));
    if (!fs::exists(dir / "journal.csv")) {
        // The generator writes a new folder into one that is there.
        fs::create_directories(WorkDir());
        GenerateOptions options;
        options.entries = static_cast<std::uint64_t>(entries);
        try {
            GenerateBooks(dir.string(), options);
        } catch (const std::exception& failure) {
            std::cerr << failure.what() << "\n";
        }
    }
    return dir.string();
}

inline bool LogIn(std::int64_t entries) {
    if (!fs::exists(StoreFor(entries))) {
        books::ImportBooks(BooksFor(entries), StoreFor(entries), books::SourceEncoding::kUtf8);
    }
    books::BooksConfig config;
    config.storePath = StoreFor(entries);
    books::ConfigureBooks(config);
    return ClAccConnect::Inst().ExpSysLink() == kLedgerOk;
}

}  // namespace bench

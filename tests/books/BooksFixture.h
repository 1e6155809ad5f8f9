#pragma once

// Books written as CSV files into a fresh folder, imported into a store, and the ledger
// services logged in on it: the way every books test starts.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "books/Books.h"
#include "books/Importer.h"

namespace books::test {

// UTF-8 text of a u8 literal (the sources' narrow literals are Shift_JIS).
std::string U8(const char8_t* text);

// A small data set with sub-accounts, both consumption-tax accounts, totals, settlement lines
// and notes; file name -> UTF-8 content.
std::map<std::string, std::string> SampleFiles();

// Records every message the ledger services show, and answers questions as told.
class RecordingPrompt : public LedgerPrompt {
public:
    int Show(WindowHandle owner, std::string_view text, std::string_view caption,
             unsigned flags) override;
    std::vector<std::string> texts;  // Shift_JIS
    int answer = mb::kIdNo;
};

class BooksTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the files into a new folder; returns the folder.
    std::string WriteBooks(const std::map<std::string, std::string>& files);
    // Imports `files` into the test's store; the result's message on failure.
    ImportResult Import(const std::map<std::string, std::string>& files);
    // Configures the books for the test's store and logs in; the login's result.
    std::int32_t Login(const std::string& user = "u1", std::int32_t dataNo = 0);

    // Damages the test's store as a user or another program could: runs `sql` on it through
    // SQLite (creating a database when there is none), or overwrites the first page of `table`
    // with bytes no page starts with, so that every read of the table fails inside SQLite.
    void ExecuteOnStore(const std::string& sql);
    void CorruptTable(const std::string& table);
    // The same for the store's last page: after an import, a page of the ledger's last lines.
    void CorruptLastPage();

    std::string dir_;
    std::string store_;
    RecordingPrompt prompt_;
};

}  // namespace books::test

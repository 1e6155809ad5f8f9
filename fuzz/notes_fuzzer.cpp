// The notes of a company data set as the store may hold them: the switches, the layout with
// its display flags and the body, read by the aggregation and split into lines by the export.
//
// Input: switch text, layout text and body separated by NUL bytes. The sample books are
// imported once and logged in; each input replaces their notes.

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "aggregation/NotesSettings.h"
#include "app/LinkApp.h"
#include "books/Books.h"
#include "books/Importer.h"
#include "ledger/Services.h"
#include "tests/doubles/FakePlatform.h"

namespace {

// The notes kinds of the store, in the input's order.
constexpr int kKinds[] = {0, 100, 1000};
// The sample's only data set.
constexpr int kDataNo = 1;

sqlite3* gStore = nullptr;

void Check(int rc, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) fuzz::Fail(what);
}

void ReplaceNotes(const std::vector<std::string>& texts) {
    Check(sqlite3_exec(gStore, "BEGIN; DELETE FROM notes;", nullptr, nullptr, nullptr),
          "notes cannot be cleared");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(gStore, "INSERT INTO notes VALUES(?,?,?)", -1, &insert, nullptr),
          "notes cannot be written");
    for (std::size_t k = 0; k < texts.size(); ++k) {
        sqlite3_bind_int(insert, 1, kDataNo);
        sqlite3_bind_int(insert, 2, kKinds[k]);
        sqlite3_bind_blob(insert, 3, texts[k].data(), static_cast<int>(texts[k].size()),
                          SQLITE_TRANSIENT);
        Check(sqlite3_step(insert), "a note cannot be written");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(gStore, "COMMIT;", nullptr, nullptr, nullptr), "notes cannot be kept");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string store = fuzz::ScratchFolder("notes") + "/sample.books";
    books::ImportResult imported =
        books::ImportBooks(KC_SAMPLE_BOOKS, store, books::SourceEncoding::kUtf8);
    if (!imported.ok) fuzz::Fail(imported.message.c_str());
    books::BooksConfig config;
    config.storePath = store;
    config.userId = "yamada";
    books::ConfigureBooks(config);
    if (ClAccConnect::Inst().ExpSysLink() != 0) fuzz::Fail("the sample books refuse the login");
    if (sqlite3_open(store.c_str(), &gStore) != SQLITE_OK) fuzz::Fail("the store cannot be opened");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> texts = fuzz::Split(data, size, 3);
    // A logged-in session keeps its read lock on the store: the notes are replaced between two
    // sessions.
    ClAccConnect::Inst().LogOut();
    ReplaceNotes(texts);
    if (ClAccConnect::Inst().ExpSysLink() != 0) fuzz::Fail("the sample books refuse the login");

    NotesSettings notes;
    notes.IsNotesInputEnabled();
    notes.IsNotesOutputEnabled();
    unsigned char flags[NotesSettings::kNoteGroups] = {};
    notes.ReadNoteDisplayFlags(flags);
    std::string body;
    notes.ReadNotesText(&body);

    FakePlatform fake;
    LinkApp app(fake.platform, kEditionKcsakura);
    app.SplitNotesText(body);
    std::size_t bytes = 0;
    for (const std::string& line : app.NotesLines()) bytes += line.size();
    // Entities only ever get shorter, and line ends are taken out.
    if (bytes > body.size()) fuzz::Fail("notes lines longer than the body");
    return 0;
}

// The file against the books it came from: the sample books imported and exported by the programs
// themselves, the export checked against the store as it is, edited, and against books that are
// not the file's.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/Encoding.h"
#include "tests/view/Documents.h"
#include "tools/kcview/BooksChecks.h"
#include "tools/kcview/BooksFromStore.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/Kcview.h"
#include "tools/kcview/KcviewMessages.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Sjis(const std::string& utf8) {
    std::string out;
    EXPECT_TRUE(sjis::Utf8ToSjis(utf8, &out)) << utf8;
    return out;
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A books folder, the store kcbooks imports from it, and the files the edition exports from it.
class Books {
public:
    Books(fs::path work, fs::path source) : work_(std::move(work)) {
        fs::remove_all(work_);
        fs::create_directories(work_);
        fs::copy(source, work_ / "books", fs::copy_options::recursive);
    }

    fs::path Folder() const { return work_ / "books"; }
    std::string Store() const { return (work_ / "store.books").string(); }

    void Import() const {
        ASSERT_EQ(Shell(std::string(KCBOOKS) + " import '" + Folder().string() + "' '" + Store() +
                        "' >/dev/null"),
                  0);
    }

    // The whole year exported, with or without its general ledger.
    std::string Export(bool ledger) const {
        const fs::path out = work_ / (ledger ? "ledger.xml" : "export.xml");
        const int status = Shell(
            std::string(KCSAKURA) + " --books '" + Store() + "' --user yamada --ui batch --yes " +
            (ledger ? "--ledger" : "--no-ledger") + " --start-month 4 --end-month 3 --out '" +
            out.string() + "' --settings-folder '" + (work_ / "settings").string() + "' 2>'" +
            (work_ / "export.log").string() + "'");
        EXPECT_EQ(status, 0) << ReadBytes(work_ / "export.log");
        return out.string();
    }

    // Every line of the journal whose month position is `position` left out.
    int DropJournalPosition(const std::string& position) const {
        std::istringstream lines(ReadBytes(Folder() / "journal.csv"));
        std::string line;
        std::string kept;
        std::getline(lines, line);
        // The columns before the description hold no comma.
        std::size_t column = 0;
        for (std::size_t at = 0; line.substr(at, line.find(',', at) - at) != "position"; ++column)
            at = line.find(',', at) + 1;
        kept += line + "\n";
        int dropped = 0;
        while (std::getline(lines, line)) {
            std::size_t at = 0;
            for (std::size_t c = 0; c < column; ++c) at = line.find(',', at) + 1;
            if (line.substr(at, line.find(',', at) - at) == position) {
                ++dropped;
                continue;
            }
            kept += line + "\n";
        }
        WriteBytes(Folder() / "journal.csv", kept);
        return dropped;
    }

private:
    fs::path work_;
};

kcview::ExportDocument Document(const std::string& path, kcview::LedgerFacts* ledger = nullptr) {
    kcview::ReadResult read =
        ledger ? kcview::ReadExportFile(
                     path, [ledger](const kcview::LedgerAccount& account) { ledger->Add(account); })
               : kcview::ReadExportFile(path);
    EXPECT_TRUE(read.ok) << path << ": " << read.reason;
    return std::move(read.document);
}

kcview::BooksReview ReadBooksOf(const std::string& store, const kcview::ExportDocument& document) {
    kcview::BooksReview books;
    const kcview::BooksRead read = kcview::ReadBooks(store, document, &books);
    EXPECT_TRUE(read.ok) << read.refusal;
    return books;
}

std::vector<std::string> FailuresOf(const kcview::ExportDocument& document,
                                    const kcview::BooksReview& books) {
    const kcview::CheckResult result =
        kcview::BooksAgree(kcview::ReviewInputs{document, nullptr, nullptr, &books});
    EXPECT_TRUE(result.notApplicable.empty());
    std::vector<std::string> lines;
    for (const kcview::Disagreement& found : result.failures)
        lines.push_back(kcview::DescribeSide(found.left) + " ≠ " +
                        kcview::DescribeSide(found.right));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The sample books, imported and exported once for the suite.
class BooksReview : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sample_ = new Books(Work() / "sample", KC_SAMPLE_BOOKS);
        sample_->Import();
        withoutLedger_ = sample_->Export(false);
        withLedger_ = sample_->Export(true);
    }
    static void TearDownTestSuite() {
        delete sample_;
        sample_ = nullptr;
        fs::remove_all(Work());
    }
    // A folder of this process's own: CTest runs the tests of the suite side by side.
    static fs::path Work() {
        return fs::path(::testing::TempDir()) / ("kcview-books-" + std::to_string(getpid()));
    }

    static Books* sample_;
    static std::string withoutLedger_;
    static std::string withLedger_;
};

Books* BooksReview::sample_ = nullptr;
std::string BooksReview::withoutLedger_;
std::string BooksReview::withLedger_;

TEST_F(BooksReview, TheSamplesExportAgreesWithItsBooksToTheYen) {
    for (const std::string& file : {withoutLedger_, withLedger_}) {
        SCOPED_TRACE(file);
        const kcview::ExportDocument document = Document(file);
        const kcview::BooksReview books = ReadBooksOf(sample_->Store(), document);
        EXPECT_EQ(Joined(FailuresOf(document, books)), "");
        EXPECT_EQ(books.company, "株式会社さくら製作所");
        EXPECT_TRUE(books.taxExclusive);
        EXPECT_FALSE(books.accounts.empty());
        EXPECT_FALSE(books.columns.empty());
    }
}

// An edit of the file's bytes: the first `from` after `after`, one yen more. The failure names
// the figure's line with both amounts.
struct Edit {
    const char* name;
    const char* after;   // where the edited figure is (UTF-8), or "" from the start
    const char* figure;  // the text before the amount: `Item Label="…">` or `Amount="`
    const char* expected;  // what the failure says, with 〈amount〉, 〈plus〉 and 〈line〉 filled
};

TEST_F(BooksReview, AFileEditedByOneYenFailsNamingItsLine) {
    const Edit kEdits[] = {
        {"the first item", "", "<Item Label=\"",
         "決算書の〈label〉 〈plus〉 (〈line〉行目) ≠ 帳簿の〈label〉 〈amount〉"},
        {"a section's total", "", "Amount=\"",
         "〈label〉 〈plus〉 (〈line〉行目) ≠ 帳簿の〈label〉 〈amount〉"},
        {"a profit line", "<GrossProfit", "Amount=\"",
         "〈label〉 〈plus〉 (〈line〉行目) ≠ 帳簿の〈label〉 〈amount〉"},
        {"the statement of changes", "<BalanceEndCurrentPeriod>", "",
         "株主資本等変動計算書の〈column〉の当期末残高 〈plus〉 (〈line〉行目) ≠ "
         "帳簿の〈column〉の当期末残高 〈amount〉"},
    };
    const std::string original = ReadBytes(withoutLedger_);
    for (const Edit& edit : kEdits) {
        SCOPED_TRACE(edit.name);
        std::string bytes = original;
        std::size_t at = bytes.find(Sjis(edit.after));
        ASSERT_NE(at, std::string::npos);
        at = std::string(edit.after).empty() ? 0 : at;
        std::string label;
        std::string column;
        if (std::string(edit.figure).empty()) {
            at += std::string(edit.after).size();
            const std::size_t list = bytes.rfind("<AccountList>", at);
            const std::size_t end = bytes.find("</AccountList>", list);
            column = bytes.substr(list + 13, end - list - 13);
        } else {
            at = bytes.find(edit.figure, at);
            ASSERT_NE(at, std::string::npos);
            const std::size_t labelAt = bytes.rfind("Label=\"", at + 7) + 7;
            label = bytes.substr(labelAt, bytes.find('"', labelAt) - labelAt);
            at = std::string(edit.figure) == "Amount=\"" ? at + 8 : bytes.find('>', at) + 1;
        }
        const std::size_t digits = bytes.find_first_not_of("-0123456789", at) - at;
        const long long amount = std::stoll(bytes.substr(at, digits));
        bytes.replace(at, digits, std::to_string(amount + 1));
        const int line = 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + at, '\n'));
        const fs::path edited = Work() / "edited.xml";
        WriteBytes(edited, bytes);

        std::string expected = edit.expected;
        for (const auto& [key, value] :
             {std::pair<std::string, std::string>{"〈label〉", sjis::SjisToUtf8Lossy(label)},
              {"〈column〉", sjis::SjisToUtf8Lossy(column)},
              {"〈amount〉", std::to_string(amount)},
              {"〈plus〉", std::to_string(amount + 1)},
              {"〈line〉", std::to_string(line)}}) {
            for (std::size_t p; (p = expected.find(key)) != std::string::npos;)
                expected.replace(p, key.size(), value);
        }
        const kcview::ExportDocument document = Document(edited.string());
        const std::vector<std::string> failures =
            FailuresOf(document, ReadBooksOf(sample_->Store(), document));
        EXPECT_EQ(Joined(failures), expected + "\n");
    }
}

TEST_F(BooksReview, AnAccountTheFileDoesNotShowFails) {
    std::string bytes = ReadBytes(withoutLedger_);
    const std::size_t item = bytes.find("<Item Label=\"");
    const std::size_t start = bytes.rfind('\n', item) + 1;
    const std::size_t end = bytes.find('\n', item) + 1;
    const std::size_t labelAt = item + 13;
    const std::string label =
        sjis::SjisToUtf8Lossy(bytes.substr(labelAt, bytes.find('"', labelAt) - labelAt));
    const std::size_t amountAt = bytes.find('>', item) + 1;
    const std::string amount = bytes.substr(amountAt, bytes.find('<', amountAt) - amountAt);
    bytes.erase(start, end - start);
    const fs::path edited = Work() / "unshown.xml";
    WriteBytes(edited, bytes);
    const kcview::ExportDocument document = Document(edited.string());
    const std::vector<std::string> failures =
        FailuresOf(document, ReadBooksOf(sample_->Store(), document));
    EXPECT_NE(std::find(failures.begin(), failures.end(),
                        "帳簿の" + label + " " + amount + " ≠ 決算書に科目" + label + "なし 0"),
              failures.end())
        << Joined(failures);
}

// Books that left the interim settlement out of the year: their export disagrees with the books
// that hold it, and the sample's export with them, on every figure the settlement moves.
TEST_F(BooksReview, BooksWithoutTheirInterimSettlementDisagree) {
    Books withoutInterim(Work() / "without-interim", KC_SAMPLE_BOOKS);
    ASSERT_GT(withoutInterim.DropJournalPosition("15"), 0)
        << "the sample has no interim settlement";
    withoutInterim.Import();
    const std::string file = withoutInterim.Export(false);
    struct Pair {
        std::string file;
        std::string store;
    };
    for (const Pair& pair :
         {Pair{file, sample_->Store()}, Pair{withoutLedger_, withoutInterim.Store()}}) {
        const kcview::ExportDocument document = Document(pair.file);
        const std::vector<std::string> failures =
            FailuresOf(document, ReadBooksOf(pair.store, document));
        const std::string text = Joined(failures);
        EXPECT_NE(text.find("≠ 帳簿の資産合計"), std::string::npos) << text;
        EXPECT_NE(text.find("≠ 帳簿の当期純利益"), std::string::npos) << text;
        EXPECT_NE(text.find("の繰越利益剰余金の当期末残高"), std::string::npos) << text;
    }
}

// Books kept with tax included: the tax stays on the line's accounts, and the export agrees.
TEST_F(BooksReview, BooksKeptWithTaxIncludedAgreeToo) {
    Books inclusive(Work() / "tax-inclusive", KC_SAMPLE_BOOKS);
    std::string company = ReadBytes(inclusive.Folder() / "company.csv");
    ASSERT_EQ(company.back(), '\n');
    ASSERT_EQ(company[company.size() - 2], '0') << "the sample keeps its books without tax";
    company[company.size() - 2] = '1';
    WriteBytes(inclusive.Folder() / "company.csv", company);
    inclusive.Import();
    const kcview::ExportDocument document = Document(inclusive.Export(false));
    const kcview::BooksReview books = ReadBooksOf(inclusive.Store(), document);
    EXPECT_FALSE(books.taxExclusive);
    EXPECT_EQ(Joined(FailuresOf(document, books)), "");
    // The same file against the books kept without tax: the sales and the tax accounts differ.
    EXPECT_FALSE(FailuresOf(document, ReadBooksOf(sample_->Store(), document)).empty());
}

// The books' histories are the file's ledger's, account by account, for the checks that read a
// ledger when the file has none.
TEST_F(BooksReview, TheBooksLedgerIsTheFilesLedger) {
    kcview::LedgerFacts fromFile("総勘定元帳");
    const kcview::ExportDocument document = Document(withLedger_, &fromFile);
    const kcview::BooksReview books = ReadBooksOf(sample_->Store(), document);
    const kcview::LedgerFacts& fromBooks = books.ledger;
    EXPECT_EQ(fromBooks.Source(), "帳簿");
    ASSERT_FALSE(fromFile.Accounts().empty());
    std::size_t keptLines = 0;
    for (const kcview::AccountHistory& file : fromFile.Accounts()) {
        SCOPED_TRACE(file.label);
        const kcview::AccountHistory* book = fromBooks.Named(file.label);
        ASSERT_NE(book, nullptr);
        EXPECT_EQ(book->category, file.category);
        EXPECT_EQ(book->opening, file.opening);
        EXPECT_EQ(book->closing, file.closing);
        EXPECT_EQ(book->lowest, file.lowest);
        EXPECT_EQ(book->lowestDay, file.lowestDay);
        EXPECT_EQ(book->line, 0);
        ASSERT_EQ(book->lines.size(), file.lines.size());
        for (std::size_t i = 0; i < file.lines.size(); ++i) {
            EXPECT_EQ(book->lines[i].month, file.lines[i].month) << i;
            EXPECT_EQ(book->lines[i].day, file.lines[i].day) << i;
            EXPECT_EQ(book->lines[i].change, file.lines[i].change) << i;
            EXPECT_EQ(book->lines[i].counter, file.lines[i].counter) << i;
        }
        keptLines += file.lines.size();
    }
    EXPECT_GT(keptLines, 0u) << "no account the checks read line by line";
    // The books' other accounts are those the file's ledger leaves out (never booked in the year,
    // kept without a ledger, memo accounts): none of them is one a check reads line by line.
    for (const kcview::AccountHistory& book : fromBooks.Accounts()) {
        if (fromFile.Named(book.label)) continue;
        SCOPED_TRACE(book.label);
        EXPECT_TRUE(book.lines.empty());
    }
    EXPECT_GT(fromBooks.Accounts().size(), fromFile.Accounts().size());
}

TEST_F(BooksReview, TheNotesAreNamedByTheBooksOwnTitles) {
    const kcview::ExportDocument document = Document(withoutLedger_);
    const kcview::BooksReview books = ReadBooksOf(sample_->Store(), document);
    const std::map<std::string, std::string> expected = {
        {"NotesSignificantAccountingPolicy", "重要な会計方針に係る事項に関する注記"},
        {"NotesPerShareInformation", "一株当たり情報に関する注記"},
        {"ItemsOtherNotes", "その他の注記"}};
    for (const auto& [element, title] : expected) {
        ASSERT_EQ(books.noteTitles.count(element), 1u) << element;
        EXPECT_EQ(books.noteTitles.at(element), title);
    }
}

// The page heads the notes by the books' own titles where they give one.
TEST_F(BooksReview, ThePageHeadsTheNotesByTheBooksOwnTitles) {
    Books retitled(Work() / "retitled", KC_SAMPLE_BOOKS);
    const fs::path body = retitled.Folder() / "notes" / "SAKURA" / "body.txt";
    std::string text = ReadBytes(body);
    const std::string title = "<Title>貸借対照表に関する注記</Title>";
    ASSERT_NE(text.find(title), std::string::npos) << "the sample's notes have no such title";
    text.replace(text.find(title), title.size(), "<Title>貸借対照表の注記（帳簿）</Title>");
    WriteBytes(body, text);
    retitled.Import();
    const std::string file = retitled.Export(false);
    const fs::path page = Work() / "retitled.html";
    EXPECT_LE(Shell(std::string(KCVIEW) + " '" + file + "' --books '" + retitled.Store() +
                    "' -o '" + page.string() + "' 2>/dev/null"),
              1);
    EXPECT_NE(ReadBytes(page).find("<h3>貸借対照表の注記（帳簿）</h3>"), std::string::npos);
    EXPECT_EQ(ReadBytes(page).find("<h3>貸借対照表に関する注記</h3>"), std::string::npos);
}

TEST(NoteTitles, EachTitleGoesToTheElementOfItsNumberWithItsEntitiesRead) {
    const std::string text = Sjis(
        "<ID>1060010</ID>\r\n<Title>貸借対照表に関する注記</Title>\r\n<Group>2</Group>\r\n"
        "<ID>1170020</ID>\r\n<Title>項目&amp;名&lt;1&gt;</Title>\r\n"
        "<ID>9999999</ID>\r\n<Title>表にない注記</Title>\r\n"
        "<Title>番号のない題</Title>\r\n");
    const kcview::NoteTitles expected = {{"NoteBalanceSheet", "貸借対照表に関する注記"},
                                         {"ItemNameOtherNotes", "項目&名<1>"}};
    EXPECT_EQ(kcview::NoteTitlesOf(text), expected);
}

TEST(BooksAgree, IsNotApplicableWithoutBooks) {
    kcview::ExportDocument document;
    const kcview::CheckResult result = kcview::BooksAgree(kcview::ReviewInputs{document});
    EXPECT_EQ(result.notApplicable, "帳簿が指定されていません（--books）");
    EXPECT_TRUE(result.failures.empty());
}

TEST(BooksAgree, ComesFirstOfTheChecks) {
    ASSERT_FALSE(kcview::AllChecks().empty());
    EXPECT_STREQ(kcview::AllChecks().front().name, "books-agree");
    EXPECT_STREQ(kcview::AllChecks().front().title, "帳簿との一致");
}

// A store that is not the file's books is refused, naming the store, with status 2.
struct Refusal {
    const char* name;
    const char* expected;  // the message's beginning after "kcview: STORE: "
};

TEST_F(BooksReview, StoresThatAreNotTheFilesBooksAreRefusedNamingThem) {
    const fs::path folder = Work() / "refusals";
    fs::remove_all(folder);
    fs::create_directories(folder);
    WriteBytes(folder / "text.books", "not a store\n");
    fs::copy_file(sample_->Store(), folder / "old.books");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder / "old.books").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE sums; DROP TABLE openings;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    Books other(Work() / "other-company", KC_SAMPLE_BOOKS);
    std::string company = ReadBytes(other.Folder() / "company.csv");
    company.replace(company.find("20250401"), 8, "20250501");
    company.replace(company.find("20260331"), 8, "20260430");
    WriteBytes(other.Folder() / "company.csv", company);
    WriteBytes(other.Folder() / "journal.csv",
               ReadBytes(other.Folder() / "journal.csv")
                   .substr(0, ReadBytes(other.Folder() / "journal.csv").find('\n') + 1));
    other.Import();

    const Refusal kRefusals[] = {
        {"missing.books", "the books cannot be read: "},
        {"text.books", "not a books store; give --books the store kcbooks import made"},
        {"old.books", "an earlier kcbooks made this store, which keeps neither the totals' masks"},
        {"other",
         "holds no data set of 株式会社さくら製作所 for the fiscal year 20250401 to "
         "20260331; give --books the store"},
    };
    for (const Refusal& refusal : kRefusals) {
        SCOPED_TRACE(refusal.name);
        const std::string store =
            std::string(refusal.name) == "other" ? other.Store() : (folder / refusal.name).string();
        const kcview::ExportDocument document = Document(withoutLedger_);
        kcview::BooksReview books;
        const kcview::BooksRead read = kcview::ReadBooks(store, document, &books);
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.refusal.rfind("kcview: " + store + ": " + refusal.expected, 0), 0u)
            << read.refusal;
        EXPECT_FALSE(kcview::HoldsBooksOf(store, document));

        const fs::path err = folder / "stderr";
        EXPECT_EQ(Shell(std::string(KCVIEW) + " '" + withoutLedger_ + "' --check --books '" +
                        store + "' >/dev/null 2>'" + err.string() + "'"),
                  2);
        EXPECT_EQ(ReadBytes(err), read.refusal + "\n");
    }
    EXPECT_TRUE(kcview::HoldsBooksOf(sample_->Store(), Document(withoutLedger_)));

    // kcview.exe's search among the stores its editions name: the first that holds the file's
    // books, past those that cannot be read or hold others.
    const std::vector<std::string> stores = {(folder / "missing.books").string(),
                                             (folder / "text.books").string(),
                                             (folder / "old.books").string(),
                                             other.Store(),
                                             sample_->Store(),
                                             (folder / "last.books").string()};
    fs::copy_file(sample_->Store(), folder / "last.books");
    EXPECT_EQ(kcview::BooksOfExport(withoutLedger_, stores), sample_->Store());
    EXPECT_EQ(kcview::BooksOfExport(withoutLedger_, {other.Store()}), "");
    EXPECT_EQ(kcview::BooksOfExport((folder / "text.books").string(), {sample_->Store()}), "");
}

// kcview --books: the check's lines on --check, the status, and the page that never replaces the
// store.
TEST_F(BooksReview, TheCommandChecksTheFileAgainstTheBooks) {
    const fs::path out = Work() / "stdout";
    const std::string books = " --books '" + sample_->Store() + "'";
    // The other checks read the sample's books as a reviewer would: only this one is asked here.
    EXPECT_LE(Shell(std::string(KCVIEW) + " '" + withoutLedger_ + "' --check" + books + " >'" +
                    out.string() + "' 2>/dev/null"),
              1);
    EXPECT_EQ(ReadBytes(out).find("books-agree"), std::string::npos) << ReadBytes(out);

    std::string bytes = ReadBytes(withoutLedger_);
    const std::size_t amount = bytes.find("Amount=\"") + 8;
    bytes.insert(amount, "1");
    WriteBytes(Work() / "wrong.xml", bytes);
    EXPECT_EQ(Shell(std::string(KCVIEW) + " '" + (Work() / "wrong.xml").string() + "' --check" +
                    books + " >'" + out.string() + "' 2>/dev/null"),
              1);
    EXPECT_EQ(ReadBytes(out).rfind("books-agree: 資産合計 1", 0), 0u) << ReadBytes(out);

    const std::string store = ReadBytes(sample_->Store());
    EXPECT_EQ(Shell(std::string(KCVIEW) + " '" + withoutLedger_ + "'" + books + " -o '" +
                    sample_->Store() + "' 2>'" + out.string() + "'"),
              2);
    EXPECT_NE(ReadBytes(out).find("is the books store (--books); give -o another path"),
              std::string::npos)
        << ReadBytes(out);
    EXPECT_EQ(ReadBytes(sample_->Store()), store);
}

// --- a hand-made file against books written by hand: what the export writes on purpose agrees,
// anything else is named.

const char kSmallExport[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<REPORT>
<SYSTEM>
<PROGRAMNAME>記帳丸２２ さくら版</PROGRAMNAME>
</SYSTEM>
<BASIC>
<KOMONSAKINAME>株式会社テスト</KOMONSAKINAME>
<JIGYOUNENDOFROM>20250401</JIGYOUNENDOFROM>
<JIGYOUNENDOTO>20260331</JIGYOUNENDOTO>
</BASIC>
<DATA>
<BalanceSheet>
<Assets Label="資産合計" Amount="900">
<CurrentAssets Label="流動資産合計" Amount="900">
<Item Label="現金">1000</Item>
<Item Label="貸倒引当金">-100</Item>
</CurrentAssets>
</Assets>
<NetAssets Label="純資産合計" Amount="900">
<Item Label="繰越利益剰余金">900</Item>
</NetAssets>
</BalanceSheet>
<IncomeStatement>
<NetIncome Label="当期純利益" Amount="400"></NetIncome>
</IncomeStatement>
<StatementChangesNetAssets>
<Select>1</Select>
<ChangesNetAssetsItem>
<AccountList>繰越利益剰余金</AccountList>
<BalanceEndPreviousPeriod>500</BalanceEndPreviousPeriod>
<ChangesItemsDuringPeriod>
<TotalChangesItemsDuringPeriod>400</TotalChangesItemsDuringPeriod>
<ChangesItem>
<Reason>当期純利益</Reason>
<Amount>400</Amount>
</ChangesItem>
</ChangesItemsDuringPeriod>
<BalanceEndCurrentPeriod>900</BalanceEndCurrentPeriod>
</ChangesNetAssetsItem>
</StatementChangesNetAssets>
</DATA>
</REPORT>
)";

kcview::BooksAccount Account(const char* name, std::uint32_t nature, int flag, std::int64_t closing,
                             const char* label = "") {
    kcview::BooksAccount account;
    account.name = name;
    account.label = label;
    account.nature = nature;
    account.flag = flag;
    account.closing = closing;
    return account;
}

// The books of kSmallExport, in ten-thousandths: the contra account on its own side below zero,
// 繰越利益剰余金 a listed total, the net income a total written by its statement label.
kcview::BooksReview SmallBooks() {
    kcview::BooksReview books;
    books.accounts = {Account("現金", 0x80880001, 0, 10000000),
                      Account("貸倒引当金", 0x80880104, 0, -1000000),
                      Account("流動資産合計", 0x80880000, 2, 9000000),
                      Account("資産合計", 0x80800000, 2, 9000000, "資産の部合計"),
                      Account("繰越利益", 0x80202010, 1, 5000000),
                      Account("繰越利益剰余金", 0x80281048, 3, 9000000),
                      Account("純資産合計", 0x80200000, 2, 9000000, "純資産の部合計"),
                      Account("当期純利益計", 0x40200040, 2, 4000000, "当期純利益")};
    books.columns = {{"繰越利益剰余金", 500, 400, 900, 400}};
    return books;
}

TEST(BooksAgree, WhatTheExportWritesOnPurposeAgreesAndAnythingElseIsNamed) {
    const kcview::ReadResult read = kcview::ReadExportBytes(kSmallExport);
    ASSERT_TRUE(read.ok) << read.reason;
    const int cash = kcview::testing::LineOf(R"(<Item Label="現金")", kSmallExport);
    const int allowance = kcview::testing::LineOf(R"(<Item Label="貸倒引当金")", kSmallExport);
    const int current = kcview::testing::LineOf("<CurrentAssets", kSmallExport);
    const struct {
        const char* what;
        std::function<void(kcview::BooksReview&)> edit;
        std::vector<std::string> failures;
    } kCases[] = {
        {"the books as written", [](kcview::BooksReview&) {}, {}},
        {"fractions cut toward zero",
         [](kcview::BooksReview& books) {
             books.accounts[0].closing = 10009999;
             books.accounts[1].closing = -1009999;
         },
         {}},
        {"an account the file does not show",
         [](kcview::BooksReview& books) {
             books.accounts.push_back(Account("普通預金", 0x80880002, 0, 50000));
         },
         {"帳簿の普通預金 5 ≠ 決算書に科目普通預金なし 0"}},
        {"accounts the statements do not list: under a yen, memo, brought forward",
         [](kcview::BooksReview& books) {
             books.accounts.push_back(Account("普通預金", 0x80880002, 0, -9999));
             books.accounts.push_back(Account("保証債務", 0x08000080, 0, 50000));
             books.accounts[4].closing = 70000;
         },
         {}},
        {"an item the books do not have",
         [](kcview::BooksReview& books) { books.accounts.erase(books.accounts.begin() + 1); },
         {"決算書の貸倒引当金 -100 (" + std::to_string(allowance) +
          "行目) ≠ 帳簿に科目貸倒引当金なし 0"}},
        {"a total the books do not have",
         [](kcview::BooksReview& books) { books.accounts.erase(books.accounts.begin() + 2); },
         {"流動資産合計 900 (" + std::to_string(current) + "行目) ≠ 帳簿に合計流動資産合計なし 0"}},
        {"a sum beyond 64 bits agrees with no figure",
         [](kcview::BooksReview& books) { books.accounts[0].fits = false; },
         {"決算書の現金 1000 (" + std::to_string(cash) +
          "行目) ≠ 帳簿の現金（64ビットを超える合計） 0"}},
        {"a column only the books give, and a figure of a column",
         [](kcview::BooksReview& books) {
             books.columns.push_back({"資本金", 0, 0, 1000, 0});
             books.columns[0].netIncome = 401;
         },
         {"株主資本等変動計算書の繰越利益剰余金の当期純利益 400 (" +
              std::to_string(kcview::testing::LineOf("<Amount>400", kSmallExport)) +
              "行目) ≠ 帳簿の繰越利益剰余金の当期純利益 401",
          "帳簿の資本金の当期末残高 1000 ≠ 株主資本等変動計算書に資本金の列なし 0"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        kcview::BooksReview books = SmallBooks();
        c.edit(books);
        EXPECT_EQ(Joined(FailuresOf(read.document, books)), Joined(c.failures));
    }
}

}  // namespace

// The books are read in a few passes over the store, each a single query: the chart, the totals'
// masks, the openings, the journal lines (added up account by account, in memory the size of the
// chart), the ledger's rows account by account, and the notes text.

#include "tools/kcview/BooksFromStore.h"

#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "books/Model.h"
#include "books/Store.h"
#include "common/Encoding.h"
#include "common/FullWidth.h"
#include "common/NetAssetsColumns.h"
#include "common/NoteTable.h"
#include "common/Sjis.h"
#include "common/StatementLabel.h"
#include "tools/kcview/BooksLedger.h"
#include "tools/kcview/KcviewMessages.h"

namespace kcview {
namespace {

using kcview_messages::Id;
using kcview_messages::Say;

std::string Utf8(std::string_view sjisText) {
    return sjis::SjisToUtf8Lossy(sjisText);
}

std::int32_t AccountOf(std::int64_t code) {
    return static_cast<std::int32_t>(code - code % books::kSubAccountRadix);
}

// `amount` added to `sum`; false (the sum marked as beyond 64 bits) when it does not fit.
void Add(std::int64_t& sum, std::int64_t amount, bool& fits) {
    if (!books::AddChecked(sum, amount, &sum)) fits = false;
}

// a - b into `result`; false beyond 64 bits.
bool Subtract(std::int64_t a, std::int64_t b, std::int64_t* result) {
    return b != std::numeric_limits<std::int64_t>::min() && books::AddChecked(a, -b, result);
}

// The company and fiscal year the file names in BASIC.
struct FileCompany {
    std::string name;
    std::string from;
    std::string to;
};

FileCompany CompanyOf(const ExportDocument& document) {
    return {document.basic.ChildText("KOMONSAKINAME"), document.basic.ChildText("JIGYOUNENDOFROM"),
            document.basic.ChildText("JIGYOUNENDOTO")};
}

// The company's name as the file writes it: full-width, cut to what the tax application takes.
std::string WrittenCompanyName(std::string_view name) {
    const std::string wide = MapToFullWidth(name);
    return Utf8(std::string_view(wide).substr(0, sjis::FitLength(wide, kWrittenCompanyNameBytes)));
}

struct DataSetRow {
    std::int64_t number = 0;
    std::string name;  // as the file writes it
    std::int32_t from = 0;
    std::int32_t to = 0;
    bool taxInclusive = false;
};

// Runs `sql` on `binds`, handing each row to `row`; false on a store error.
template <typename Row>
bool EachRow(books::Database& db, const char* sql, std::initializer_list<std::int64_t> binds,
             Row row) {
    books::Statement query(db, sql);
    if (!query.Ok()) return false;
    int index = 1;
    for (std::int64_t value : binds) query.Bind(index++, value);
    int rc = 0;
    while ((rc = query.Step()) == SQLITE_ROW) row(query);
    return rc == SQLITE_DONE;
}

// What opening a store ended with: open, or the refusal that names it.
struct OpenedStore {
    std::string refusal;
    bool Ok() const { return refusal.empty(); }
};

OpenedStore Open(books::Database& db, const std::string& path) {
    if (!db.OpenReadOnly(path))
        return {Say(Id::kBooksUnreadable, {{"store", path}, {"reason", db.Error()}})};
    if (!db.IsStore()) return {Say(Id::kBooksNotAStore, {{"store", path}})};
    // A store an earlier kcbooks made keeps neither table.
    bool tables = true;
    for (const char* sql : {"SELECT 1 FROM sums LIMIT 1", "SELECT 1 FROM openings LIMIT 1"}) {
        books::Statement probe(db, sql);
        tables = tables && probe.Ok();
    }
    if (!tables) return {Say(Id::kBooksBeforeTotals, {{"store", path}})};
    return {};
}

// The data set of the file's company and fiscal year; none when the store holds none.
std::optional<DataSetRow> FindDataSet(books::Database& db, const FileCompany& company,
                                      bool* failed) {
    std::optional<DataSetRow> found;
    *failed = !EachRow(db,
                       "SELECT data_no, name, period_from, period_to, tax_inclusive FROM company "
                       "ORDER BY data_no",
                       {}, [&](const books::Statement& row) {
                           DataSetRow set{row.Int(0), WrittenCompanyName(row.Blob(1)),
                                          static_cast<std::int32_t>(row.Int(2)),
                                          static_cast<std::int32_t>(row.Int(3)), row.Int(4) != 0};
                           if (!found && set.name == company.name &&
                               std::to_string(set.from) == company.from &&
                               std::to_string(set.to) == company.to)
                               found = std::move(set);
                       });
    return found;
}

// The chart of a data set with its year added up from the openings and the journal lines.
class TrialBalance {
public:
    TrialBalance(std::vector<BooksAccount>& accounts, bool taxInclusive)
        : accounts_(accounts), taxInclusive_(taxInclusive) {
        for (std::size_t i = 0; i < accounts.size(); ++i) {
            byCode_[accounts[i].code] = i;
            if (accounts[i].IsTotal()) continue;
            if (accounts[i].nature == books::kInputTaxNature && inputTax_ == 0)
                inputTax_ = accounts[i].code;
            if (accounts[i].nature == books::kOutputTaxNature && outputTax_ == 0)
                outputTax_ = accounts[i].code;
        }
    }

    TaxBasis Tax() const { return {taxInclusive_, inputTax_, outputTax_}; }

    void Open(std::int64_t code, std::int64_t debit, std::int64_t credit) {
        if (BooksAccount* account = Posting(code)) {
            Add(account->openingDebit, debit, account->fits);
            Add(account->openingCredit, credit, account->fits);
        }
    }

    // A journal line, as the books keep it: without tax, its tax goes to the tax accounts;
    // with tax, it stays on the line's own accounts.
    void Post(std::int64_t debitCode, std::int64_t debitAmount, std::int64_t debitTax,
              std::int64_t creditCode, std::int64_t creditAmount, std::int64_t creditTax) {
        if (BooksAccount* debit = Posting(debitCode)) {
            Add(debit->debits, debitAmount, debit->fits);
            if (taxInclusive_) Add(debit->debits, debitTax, debit->fits);
        }
        if (BooksAccount* credit = Posting(creditCode)) {
            Add(credit->credits, creditAmount, credit->fits);
            if (taxInclusive_) Add(credit->credits, creditTax, credit->fits);
        }
        if (taxInclusive_) return;
        if (BooksAccount* input = debitTax != 0 ? Posting(inputTax_) : nullptr)
            Add(input->debits, debitTax, input->fits);
        if (BooksAccount* output = creditTax != 0 ? Posting(outputTax_) : nullptr)
            Add(output->credits, creditTax, output->fits);
    }

    // Every total over the posting accounts its masks cover (each once), then every balance on
    // its account's own side.
    void Close(const std::unordered_map<std::int32_t, std::vector<std::uint32_t>>& masks) {
        for (BooksAccount& total : accounts_) {
            if (!total.IsTotal()) continue;
            auto own = masks.find(total.code);
            if (own == masks.end()) continue;
            for (const BooksAccount& posting : accounts_) {
                if (posting.IsTotal() || !Covers(own->second, posting.nature)) continue;
                total.fits = total.fits && posting.fits;
                Add(total.openingDebit, posting.openingDebit, total.fits);
                Add(total.openingCredit, posting.openingCredit, total.fits);
                Add(total.debits, posting.debits, total.fits);
                Add(total.credits, posting.credits, total.fits);
            }
        }
        for (BooksAccount& account : accounts_) Balance(account);
    }

private:
    static bool Covers(const std::vector<std::uint32_t>& masks, std::uint32_t nature) {
        for (std::uint32_t mask : masks) {
            if ((nature & mask) == mask) return true;
        }
        return false;
    }

    static void Balance(BooksAccount& account) {
        std::int64_t debit = account.openingDebit;
        std::int64_t credit = account.openingCredit;
        Add(debit, account.debits, account.fits);
        Add(credit, account.credits, account.fits);
        const bool fits =
            account.debitSide
                ? Subtract(account.openingDebit, account.openingCredit, &account.opening) &&
                      Subtract(debit, credit, &account.closing)
                : Subtract(account.openingCredit, account.openingDebit, &account.opening) &&
                      Subtract(credit, debit, &account.closing);
        account.fits = account.fits && fits;
    }

    // The posting account a code (of an account or a sub-account) books to; null for a code the
    // chart does not hold or a total.
    BooksAccount* Posting(std::int64_t code) {
        if (code == 0) return nullptr;
        auto found = byCode_.find(AccountOf(code));
        if (found == byCode_.end() || accounts_[found->second].IsTotal()) return nullptr;
        return &accounts_[found->second];
    }

    std::vector<BooksAccount>& accounts_;
    bool taxInclusive_;
    std::int32_t inputTax_ = 0;
    std::int32_t outputTax_ = 0;
    std::unordered_map<std::int32_t, std::size_t> byCode_;
};

// The columns of the statement of changes the export writes from these figures: each listed
// account of a column's keys, cut to whole yen, added; a column with every figure 0 is left out.
std::vector<BooksColumn> ColumnsOf(const std::vector<BooksAccount>& accounts,
                                   const std::vector<std::string>& writtenNames) {
    std::int64_t netIncome = 0;
    for (const BooksAccount& account : accounts) {
        std::int64_t movement = 0;
        if (account.flag != 1 && account.nature == net_assets::kNetIncomeNature &&
            Subtract(account.closing, account.opening, &movement)) {
            netIncome = WholeYen(movement);
            break;
        }
    }
    std::vector<BooksColumn> columns;
    for (int column = 0; column < net_assets::kColumns; ++column) {
        BooksColumn figures{Utf8(net_assets::ColumnName(column))};
        for (const net_assets::ColumnKey& key : net_assets::ColumnKeys()) {
            if (key.column != column) continue;
            for (std::size_t i = 0; i < accounts.size(); ++i) {
                const BooksAccount& account = accounts[i];
                std::int64_t movement = 0;
                if (!account.Listed() || account.nature != key.key ||
                    !net_assets::BelongsTo(column, writtenNames[i]) ||
                    !Subtract(account.closing, account.opening, &movement))
                    continue;
                figures.previous += WholeYen(account.opening);
                figures.change += WholeYen(movement);
                figures.current += WholeYen(account.closing);
            }
        }
        if (figures.previous == 0 && figures.change == 0 && figures.current == 0) continue;
        if (column == net_assets::kRetainedEarningsColumn) figures.netIncome = netIncome;
        columns.push_back(std::move(figures));
    }
    return columns;
}

// The five entities XML predefines, read back.
std::string Unescaped(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        bool read = false;
        for (const auto& [entity, character] : kEntities) {
            if (text.substr(pos, entity.size()) == entity) {
                out += character;
                pos += entity.size();
                read = true;
                break;
            }
        }
        if (!read) out += text[pos++];
    }
    return out;
}

// The text between `open` and `close` on `line`; none when the line does not hold `open`.
std::optional<std::string_view> Between(std::string_view line, std::string_view open,
                                        std::string_view close) {
    const std::size_t start = line.find(open);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t from = start + open.size();
    const std::size_t end = line.find(close, from);
    return line.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
}

class BooksReader {
public:
    BooksReader(const std::string& store, const ExportDocument& document)
        : store_(store), company_(CompanyOf(document)) {}

    BooksRead Read(BooksReview* books) {
        const OpenedStore opened = Open(db_, store_);
        if (!opened.Ok()) return {false, opened.refusal};
        bool failed = false;
        const std::optional<DataSetRow> set = FindDataSet(db_, company_, &failed);
        if (failed) return Unreadable();
        if (!set) {
            return {false, Say(Id::kBooksNoDataSet, {{"store", store_},
                                                     {"company", company_.name},
                                                     {"from", company_.from},
                                                     {"to", company_.to}})};
        }
        books->store = store_;
        books->taxExclusive = !set->taxInclusive;
        books->company = set->name;
        books->periodFrom = set->from;
        books->periodTo = set->to;
        std::vector<std::string> writtenNames;
        if (!ReadChart(set->number, &books->accounts, &writtenNames)) return Unreadable();
        TrialBalance balance(books->accounts, set->taxInclusive);
        if (!AddUp(set->number, balance)) return Unreadable();
        books->columns = ColumnsOf(books->accounts, writtenNames);
        if (!ReadBooksLedger(db_, set->number, balance.Tax(), books->accounts, &books->ledger) ||
            !ReadNoteTitles(set->number, &books->noteTitles))
            return Unreadable();
        return {true, {}};
    }

    bool Holds() {
        if (!Open(db_, store_).Ok()) return false;
        bool failed = false;
        return FindDataSet(db_, company_, &failed).has_value() && !failed;
    }

private:
    BooksRead Unreadable() {
        return {false, Say(Id::kBooksUnreadable, {{"store", store_}, {"reason", db_.Error()}})};
    }

    // The accounts of the chart in its order, sub-accounts left to the accounts they book to,
    // and each name as the statements write it (Shift_JIS, for the columns' reserves).
    bool ReadChart(std::int64_t dataNo, std::vector<BooksAccount>* accounts,
                   std::vector<std::string>* writtenNames) {
        return EachRow(db_,
                       "SELECT code, name, label, nature, side, flag FROM accounts "
                       "WHERE data_no=? AND code % 10000 = 0 ORDER BY ord",
                       {dataNo}, [&](const books::Statement& row) {
                           const std::string written = sjis::StatementLabel(row.Blob(1));
                           BooksAccount account;
                           account.code = static_cast<std::int32_t>(row.Int(0));
                           account.name = Utf8(written);
                           account.label = Utf8(sjis::StatementLabel(row.Blob(2)));
                           account.nature = static_cast<std::uint32_t>(row.Int(3));
                           account.debitSide = row.Int(4) == 1;
                           account.flag = static_cast<int>(row.Int(5));
                           accounts->push_back(std::move(account));
                           writtenNames->push_back(written);
                       });
    }

    // The openings and every journal line of the data set into `balance`, then its totals.
    bool AddUp(std::int64_t dataNo, TrialBalance& balance) {
        std::unordered_map<std::int32_t, std::vector<std::uint32_t>> masks;
        const bool read =
            EachRow(db_, "SELECT code, mask FROM sums WHERE data_no=?", {dataNo},
                    [&](const books::Statement& row) {
                        masks[static_cast<std::int32_t>(row.Int(0))].push_back(
                            static_cast<std::uint32_t>(row.Int(1)));
                    }) &&
            EachRow(db_, "SELECT code, debit, credit FROM openings WHERE data_no=?", {dataNo},
                    [&](const books::Statement& row) {
                        balance.Open(row.Int(0), row.Int(1), row.Int(2));
                    }) &&
            EachRow(db_,
                    "SELECT debit_code, debit_amount, debit_tax, credit_code, credit_amount, "
                    "credit_tax FROM journal WHERE data_no=?",
                    {dataNo}, [&](const books::Statement& row) {
                        balance.Post(row.Int(0), row.Int(1), row.Int(2), row.Int(3), row.Int(4),
                                     row.Int(5));
                    });
        if (read) balance.Close(masks);
        return read;
    }

    bool ReadNoteTitles(std::int64_t dataNo, NoteTitles* titles) {
        return EachRow(db_, "SELECT text FROM notes WHERE data_no=? AND kind=1000", {dataNo},
                       [&](const books::Statement& row) { *titles = NoteTitlesOf(row.Blob(0)); });
    }

    books::Database db_;
    std::string store_;
    FileCompany company_;
};

}  // namespace

BooksRead ReadBooks(const std::string& store, const ExportDocument& document, BooksReview* books) {
    return BooksReader(store, document).Read(books);
}

bool HoldsBooksOf(const std::string& store, const ExportDocument& document) {
    return BooksReader(store, document).Holds();
}

NoteTitles NoteTitlesOf(std::string_view notesText) {
    NoteTitles titles;
    std::string number;  // of the note whose title comes next; empty before an ID
    for (std::size_t pos = 0; pos < notesText.size();) {
        std::size_t end = notesText.find('\n', pos);
        if (end == std::string_view::npos) end = notesText.size();
        const std::string_view line = notesText.substr(pos, end - pos);
        pos = end + 1;
        if (const auto id = Between(line, "<ID>", "</ID>")) {
            number = *id;
            continue;
        }
        const auto title = Between(line, "<Title>", "</Title>");
        if (!title || number.empty()) continue;
        for (const notes::NoteRow& row : notes::kNoteTable) {
            if (row.number != 0 && std::to_string(row.number) == number) {
                titles[row.element] = Unescaped(Utf8(*title));
                break;
            }
        }
        number.clear();
    }
    return titles;
}

}  // namespace kcview

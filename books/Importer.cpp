#include "books/Importer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <sstream>

#include "books/Csv.h"
#include "books/FileEncoding.h"
#include "books/JournalEntries.h"
#include "books/LedgerBuckets.h"
#include "books/Model.h"
#include "books/Paths.h"
#include "books/Store.h"
#include "books/TextRules.h"
#include "common/Encoding.h"
#include "common/JapaneseEras.h"
#include "common/LabelMarks.h"
#include "common/Sjis.h"
#include "messages/kcbooks/KcbooksMessages.h"
#include "native/TempFile.h"

namespace books {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

namespace fs = std::filesystem;

// Byte limits of the texts, set by the record fields they end up in.
constexpr std::size_t kEraNameBytes = 6;
constexpr std::size_t kEraShortBytes = 8;

// The largest input files read. A CSV file may hold a journal of many millions of lines (the
// million-entry books that `kcbooks generate` writes have a journal of about 140 MB); a notes
// text is a statement-settings text of a few kilobytes.
constexpr std::uint64_t kMaxCsvBytes = std::uint64_t{2} << 30;
constexpr std::uint64_t kMaxNotesBytes = std::uint64_t{16} << 20;

std::string SizeText(std::uint64_t bytes) {
    return bytes >= (std::uint64_t{1} << 30) ? std::to_string(bytes >> 30) + " GiB"
                                             : std::to_string(bytes >> 20) + " MiB";
}

// Why an input file cannot be read, in a message that starts with its `name`.
std::string ReadFailure(ReadOutcome outcome, const std::string& name, std::uint64_t limit) {
    switch (outcome) {
        case ReadOutcome::kNotRegular:
            return Say(Id::kInputNotRegular, {{"file", name}});
        case ReadOutcome::kTooLarge:
            return Say(Id::kInputTooLarge, {{"file", name}, {"limit", SizeText(limit)}});
        default:
            return Say(Id::kInputUnreadable, {{"file", name}});
    }
}

// Reads an input file whole; false with a message that starts with `name` when it cannot be.
bool ReadInputFile(const fs::path& path, const std::string& name, std::uint64_t limit,
                   std::string* content, std::string* error) {
    ReadOutcome outcome = ReadRegularFile(PathToUtf8(path), limit, content);
    if (outcome == ReadOutcome::kRead) return true;
    *error = ReadFailure(outcome, name, limit);
    return false;
}

// Whether an optional input is there. A path the system cannot look at (a link that loops, a
// folder without search permission) counts as there, so that its reading refuses the import
// with the file's name instead of an exception ending the program.
bool IsPresent(const fs::path& path) {
    std::error_code error;
    return fs::status(path, error).type() != fs::file_type::not_found;
}

// An input file as the CSV reader takes it.
class FileSource : public ByteSource {
public:
    explicit FileSource(InputFile& file) : file_(file) {}
    bool Read(char* buffer, std::size_t size, std::size_t* count) override {
        return file_.Read(buffer, size, count) == ReadOutcome::kRead;
    }

private:
    InputFile& file_;
};

// Why the store cannot be written: SQLite's reason.
std::string CannotWrite(const Database& db) {
    return Say(Id::kCannotWriteStore, {{"reason", db.Error()}});
}

// The refusal of the notes text `name` where it holds a control character other than tab, CR
// and LF (its line and column), or empty. Columns count characters; in Shift_JIS no trail byte is
// below 0x40.
std::string ControlCharacterIn(const std::string& name, std::string_view sjis) {
    long line = 1;
    long column = 1;
    for (std::size_t pos = 0; pos < sjis.size(); ++pos, ++column) {
        unsigned char c = static_cast<unsigned char>(sjis[pos]);
        if (c == '\n') {
            ++line;
            column = 0;
        } else if (c < 0x20 && c != '\t' && c != '\r') {
            return Say(Id::kAtCell, {{"file", name},
                                     {"line", line},
                                     {"column", column},
                                     {"why", Say(Id::kTextHoldsControl, {{"byte", ByteText(c)}})}});
        } else if (sjis::IsLeadByte(c)) {
            ++pos;
        }
    }
    return std::string();
}

// A CSV file whose columns are found by name.
class Table {
public:
    struct Column {
        const char* name;
        bool required;
    };

    Table(std::string fileName, std::vector<Column> columns, SourceEncoding encoding)
        : fileName_(std::move(fileName)),
          columns_(std::move(columns)),
          encoding_(source_, encoding) {}

    // Reads the file and its header. False with Error() when the file cannot be read or its
    // header names an unknown column or lacks a required one.
    bool Open(const fs::path& dir) {
        ReadOutcome outcome = file_.Open(PathToUtf8(dir / fileName_), kMaxCsvBytes);
        if (outcome != ReadOutcome::kRead) {
            error_ = ReadFailure(outcome, fileName_, kMaxCsvBytes);
            return false;
        }
        reader_.emplace(encoding_);
        std::vector<std::string_view> header;
        if (!reader_->Next(&header)) {
            error_ = !reader_->Failed() ? Say(Id::kNoHeaderRow, {{"file", fileName_}})
                     : reader_->Utf16()
                         ? At(reader_->RecordLine(), "",
                              Say(Id::kSaveAsUtf8OrShiftJis, {{"why", reader_->Error()}}))
                         : At(reader_->RecordLine(), "", reader_->Error());
            return false;
        }
        if (encoding_.Record(header, reader_->RecordLine()) != std::string_view::npos) {
            error_ = At(reader_->RecordLine(), "", NeitherEncoding());
            return false;
        }
        index_.assign(columns_.size(), -1);
        names_.assign(header.size(), "");
        for (std::size_t i = 0; i < header.size(); ++i) {
            auto it = std::find_if(columns_.begin(), columns_.end(),
                                   [&](const Column& c) { return header[i] == c.name; });
            if (it == columns_.end()) {
                error_ = At(reader_->RecordLine(), Printable(header[i]), Say(Id::kUnknownColumn));
                return false;
            }
            names_[i] = it->name;
            std::size_t k = static_cast<std::size_t>(it - columns_.begin());
            if (index_[k] >= 0) {
                error_ = At(reader_->RecordLine(), header[i], Say(Id::kColumnTwice));
                return false;
            }
            index_[k] = static_cast<int>(i);
        }
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            if (columns_[k].required && index_[k] < 0) {
                error_ =
                    At(reader_->RecordLine(), columns_[k].name, Say(Id::kRequiredColumnMissing));
                return false;
            }
        }
        width_ = header.size();
        return true;
    }

    // Next data row. False at the end or on a malformed row (then Failed()).
    bool Next() {
        if (!reader_->Next(&row_)) {
            if (reader_->SourceFailed()) {
                error_ = ReadFailure(file_.Outcome(), fileName_, kMaxCsvBytes);
            } else if (reader_->Failed()) {
                error_ = At(reader_->RecordLine(), "", reader_->Error());
            }
            return false;
        }
        if (std::size_t bad = encoding_.Record(row_, Line()); bad != std::string_view::npos) {
            error_ = At(Line(), bad < names_.size() ? names_[bad] : "", NeitherEncoding());
            return false;
        }
        if (row_.size() != width_) {
            error_ = At(reader_->RecordLine(), "",
                        Say(Id::kFieldCount, {{"fields", row_.size()}, {"width", width_}}));
            return false;
        }
        return true;
    }
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    long Line() const { return reader_->RecordLine(); }

    // The cell of column k (index into the column list); empty when the column is absent.
    std::string_view Cell(std::size_t k) const {
        return index_[k] < 0 ? std::string_view() : row_[static_cast<std::size_t>(index_[k])];
    }
    bool Empty(std::size_t k) const { return Cell(k).empty(); }

    // Every parser below fails the table with a message naming the cell.
    bool Fail(std::size_t k, const std::string& why) {
        error_ = At(Line(), columns_[k].name, why);
        return false;
    }
    bool FailLine(long line, const char* column, const std::string& why) {
        error_ = At(line, column, why);
        return false;
    }

    bool RequireCell(std::size_t k) {
        if (Empty(k)) return Fail(k, Say(Id::kValueRequired));
        return true;
    }

    bool Int(std::size_t k, std::int64_t min, std::int64_t max, std::int64_t* out) {
        std::string_view text = Cell(k);
        std::int64_t value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
            return Fail(k, Say(Id::kNotWholeNumber, {{"text", text}}));
        }
        if (value < min || value > max) {
            return Fail(k, Say(Id::kOutOfRange, {{"text", text}}));
        }
        *out = value;
        return true;
    }

    // Decimal yen with at most four fraction digits, into ten-thousandths.
    bool Amount(std::size_t k, std::int64_t* out) {
        std::string_view text = Cell(k);
        if (text.empty()) {
            *out = 0;
            return true;
        }
        bool negative = false;
        std::size_t pos = 0;
        if (text[0] == '-' || text[0] == '+') {
            negative = text[0] == '-';
            pos = 1;
        }
        std::string_view whole = text.substr(pos, text.find('.', pos) - pos);
        std::string_view fraction;
        if (std::size_t dot = text.find('.', pos); dot != std::string_view::npos) {
            fraction = text.substr(dot + 1);
        }
        auto digits = [](std::string_view s) {
            return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        if (whole.empty() || !digits(whole) || !digits(fraction) ||
            (text.find('.') != std::string_view::npos && fraction.empty())) {
            return Fail(k, Say(Id::kNotAnAmount, {{"text", text}}));
        }
        if (fraction.size() > 4) return Fail(k, Say(Id::kFractionDigits, {{"text", text}}));
        // Accumulate ten-thousandths as a negative number so that the minimum fits.
        std::int64_t value = 0;
        auto push = [&](char c) {
            constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
            int digit = c - '0';
            if (value < kMin / 10 || value * 10 < kMin + digit) return false;
            value = value * 10 - digit;
            return true;
        };
        bool fits = true;
        for (char c : whole) fits = fits && push(c);
        for (std::size_t i = 0; i < 4; ++i)
            fits = fits && push(i < fraction.size() ? fraction[i] : '0');
        // The smallest 64-bit value is refused with either sign: every amount must have a
        // negation (a credit is a negative debit).
        if (value == std::numeric_limits<std::int64_t>::min()) fits = false;
        if (!negative && fits) value = -value;
        if (!fits) return Fail(k, Say(Id::kBeyond64Bits, {{"text", text}}));
        *out = value;
        return true;
    }

    bool Date(std::size_t k, std::int32_t* out) {
        std::string_view text = Cell(k);
        std::int64_t value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.size() != 8 || ec != std::errc() || end != text.data() + text.size() ||
            !IsValidDate(value)) {
            return Fail(k, Say(Id::kNotADate, {{"text", text}}));
        }
        *out = static_cast<std::int32_t>(value);
        return true;
    }

    bool Nature(std::string_view text, std::size_t k, std::uint32_t* out) {
        std::uint64_t value = 0;
        const char* first = text.data();
        const char* last = text.data() + text.size();
        int base = 10;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            first += 2;
            base = 16;
        }
        auto [end, ec] = std::from_chars(first, last, value, base);
        if (text.empty() || ec != std::errc() || end != last || value > 0xFFFFFFFFu) {
            return Fail(k, Say(Id::kNotANatureCode, {{"text", text}}));
        }
        *out = static_cast<std::uint32_t>(value);
        return true;
    }

    // A text converted to Shift_JIS, at most `limit` bytes.
    bool Text(std::size_t k, std::size_t limit, std::string* out) {
        if (std::string why; !encoding_.ToSjis(Cell(k), out, &why)) return Fail(k, why);
        if (std::string fault = TextFault(*out, limit); !fault.empty()) return Fail(k, fault);
        return true;
    }

    // A name or label the export would write empty is refused.
    bool HasTextBesideMarks(std::size_t k, std::string_view sjisText) {
        if (std::string fault = NameFault(sjisText); !fault.empty()) return Fail(k, fault);
        return true;
    }

    std::string Printable(std::string_view text) const { return encoding_.Printable(text); }

    std::string At(long line, std::string_view column, const std::string& why) const {
        if (column.empty()) {
            return Say(Id::kAtLine, {{"file", fileName_}, {"line", line}, {"why", why}});
        }
        return Say(Id::kAtCell,
                   {{"file", fileName_}, {"line", line}, {"column", column}, {"why", why}});
    }

private:
    std::string fileName_;
    std::vector<Column> columns_;
    InputFile file_;
    FileSource source_{file_};
    FileEncoding encoding_;
    std::optional<CsvReader> reader_;
    std::vector<int> index_;
    std::vector<const char*> names_;  // the column of each field, by the header's order
    std::size_t width_ = 0;
    std::vector<std::string_view> row_;  // valid until the next row
    std::string error_;
};

// How far one step of reading the journal got.
enum class JournalStep { kLine, kEnd, kUnordered, kFailed };

// The importer's journal lines on their way into the store, as the rows of one INSERT into the
// journal table: each time SQLite asks for a row, the journal is read on until the entry checks
// let a line through. Each line also goes to the ledger of every account it reaches.
class JournalFeed : public JournalSink, public RowFeed {
public:
    explicit JournalFeed(LedgerBuckets& ledger) : ledger_(ledger) {}

    // How the journal is read on: one line through the entry checks each call.
    void ReadWith(std::function<JournalStep()> readOn) { readOn_ = std::move(readOn); }

    bool Put(const DataSet& set, const JournalLine& l, std::int16_t kind) override {
        // The accounts the line reaches: its debit and credit accounts and, through its tax,
        // the input-tax or output-tax account; each once.
        const std::int32_t reached[4] = {l.debitCode - l.debitCode % kSubAccountRadix,
                                         l.creditCode - l.creditCode % kSubAccountRadix,
                                         l.debitTax != 0 ? set.inputTaxAccount : 0,
                                         l.creditTax != 0 ? set.outputTaxAccount : 0};
        for (int r = 0; r < 4; ++r) {
            std::int32_t account = reached[r];
            if (account == 0 || std::find(reached, reached + r, account) != reached + r) continue;
            bool onDebit = account == reached[0];
            bool onCredit = account == reached[1];
            std::uint8_t side = onDebit && onCredit ? 3 : onDebit ? 2 : onCredit ? 1 : 0;
            if (!ledger_.Add(set.company.dataNo, account, side, l, kind)) return false;
        }
        // A few lines wait at most: the lines one journal line lets through.
        if (waiting_ == lines_.size()) lines_.emplace_back();
        Waiting& next = lines_[waiting_++];
        next.dataNo = set.company.dataNo;
        next.kind = kind;
        next.line = l;
        return true;
    }

    bool Next() override {
        while (taken_ == waiting_) {
            taken_ = waiting_ = 0;
            if (ended_) return false;
            step_ = readOn_();
            if (step_ == JournalStep::kEnd) {
                ended_ = true;
            } else if (step_ != JournalStep::kLine) {
                return false;
            }
        }
        current_ = taken_++;
        return true;
    }
    bool Failed() const override {
        return step_ == JournalStep::kFailed || step_ == JournalStep::kUnordered;
    }
    JournalStep Step() const { return step_; }

    void Column(sqlite3_context* context, int column) override {
        const Waiting& w = lines_[current_];
        const JournalLine& l = w.line;
        if (column == 13) {
            sqlite3_result_blob(context, l.description.empty() ? "" : l.description.data(),
                                static_cast<int>(l.description.size()), SQLITE_TRANSIENT);
            return;
        }
        const std::int64_t values[] = {w.dataNo,      l.entry,    l.line,       l.voucher,
                                       l.date,        l.position, w.kind,       l.debitCode,
                                       l.debitAmount, l.debitTax, l.creditCode, l.creditAmount,
                                       l.creditTax};
        sqlite3_result_int64(context, values[column]);
    }

private:
    struct Waiting {
        std::int32_t dataNo = 0;
        std::int16_t kind = 0;
        JournalLine line;
    };
    LedgerBuckets& ledger_;
    std::function<JournalStep()> readOn_;
    std::vector<Waiting> lines_;
    std::size_t waiting_ = 0;
    std::size_t taken_ = 0;
    std::size_t current_ = 0;
    bool ended_ = false;
    JournalStep step_ = JournalStep::kLine;
};

// The lines of a journal that is not in entry order wait in a TEMP table with their file line,
// and come back in (data set, entry, line) order through SQLite's sorter, file order among
// lines of the same number.
class JournalStaging {
public:
    explicit JournalStaging(Database& db) : db_(db) {}

    bool Prepare() {
        if (!db_.Exec("CREATE TEMP TABLE journal_staging(set_ord, entry, line, voucher, date,"
                      " position, kind, debit_code, debit_amount, debit_tax, credit_code,"
                      " credit_amount, credit_tax, description, source_line)")) {
            return false;
        }
        insert_ = std::make_unique<Statement>(
            db_, "INSERT INTO temp.journal_staging VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        return insert_->Ok();
    }

    bool Add(std::size_t set, const JournalLine& l) {
        insert_->Rewind();
        const std::int64_t values[] = {static_cast<std::int64_t>(set),
                                       l.entry,
                                       l.line,
                                       l.voucher,
                                       l.date,
                                       l.position,
                                       l.kind,
                                       l.debitCode,
                                       l.debitAmount,
                                       l.debitTax,
                                       l.creditCode,
                                       l.creditAmount,
                                       l.creditTax};
        for (int c = 0; c < 13; ++c) insert_->Bind(c + 1, values[c]);
        insert_->BindBorrowedBlob(14, l.description.data(), static_cast<int>(l.description.size()));
        insert_->Bind(15, l.sourceLine);
        return insert_->Step() == SQLITE_DONE;
    }

    // The staged lines in (data set, entry, line, file) order: Start(), then one line each
    // ReadOn() into `line` and `set`. False at the end or on a failure (Failed()).
    bool Start() {
        insert_.reset();
        sorted_ = std::make_unique<Statement>(
            db_, "SELECT * FROM temp.journal_staging ORDER BY set_ord, entry, line, rowid");
        return sorted_->Ok();
    }
    bool ReadOn(JournalLine* l, std::size_t* set) {
        int rc = sorted_->Step();
        if (rc != SQLITE_ROW) {
            failed_ = rc != SQLITE_DONE;
            return false;
        }
        const Statement& row = *sorted_;
        *set = static_cast<std::size_t>(row.Int(0));
        l->entry = static_cast<std::int32_t>(row.Int(1));
        l->line = static_cast<std::int32_t>(row.Int(2));
        l->voucher = static_cast<std::int32_t>(row.Int(3));
        l->date = static_cast<std::int32_t>(row.Int(4));
        l->position = static_cast<std::int16_t>(row.Int(5));
        l->kind = static_cast<std::int16_t>(row.Int(6));
        l->debitCode = static_cast<std::int32_t>(row.Int(7));
        l->debitAmount = row.Int(8);
        l->debitTax = row.Int(9);
        l->creditCode = static_cast<std::int32_t>(row.Int(10));
        l->creditAmount = row.Int(11);
        l->creditTax = row.Int(12);
        l->description.assign(row.Blob(13));
        l->sourceLine = static_cast<long>(row.Int(14));
        return true;
    }
    bool Failed() const { return failed_; }

private:
    Database& db_;
    std::unique_ptr<Statement> insert_;
    std::unique_ptr<Statement> sorted_;
    bool failed_ = false;
};

// How many amounts carry a fraction of a yen.
class FractionCount {
public:
    void Add(std::int64_t amount) {
        if (amount % kAmountUnitsPerYen != 0) ++count_;
    }
    std::uint64_t Count() const { return count_; }

private:
    std::uint64_t count_ = 0;
};

class Importer {
public:
    Importer(fs::path dir, SourceEncoding encoding) : dir_(std::move(dir)), encoding_(encoding) {}

    // The files every journal line is checked against, read before the store is made.
    bool LoadChart() { return LoadCompanies() && LoadUsers() && LoadAccounts() && LoadOpenings(); }
    // Builds the store in a new empty file that `newStore` makes and names, the journal
    // streaming into it as it is read; a journal out of order takes a second pass, into another
    // new file. False with Error(); the file is then the caller's to discard.
    bool Build(const std::function<std::string()>& newStore);
    const std::string& Error() const { return error_; }
    // The amounts of the openings and of the journal's last pass with a fraction of a yen.
    std::uint64_t FractionalAmounts() const {
        return openingFractions_.Count() + journalFractions_.Count();
    }

private:
    // How one pass over the journal ended.
    enum class Pass { kBuilt, kUnordered, kFailed };

    bool Fail(const std::string& message) {
        error_ = message;
        return false;
    }
    bool Fail(const Table& table) { return Fail(table.Error()); }
    DataSet* FindDataSet(Table& table, std::size_t column);
    bool LoadCompanies();
    bool LoadUsers();
    bool LoadAccounts();
    bool LoadOpenings();
    Pass BuildOnce(const std::string& storePath, bool staged);
    Pass LoadJournal(Database& db, LedgerBuckets& ledger, JournalFeed& feed, EntryChecker& checker,
                     bool staged);
    bool ReadJournalLine(Table& table, JournalLine* line, std::size_t* set);
    bool LoadEras();
    bool ErasCoverTheBooks();
    bool LoadNotes();
    bool WriteTables(Database& db);

    fs::path dir_;
    SourceEncoding encoding_;
    std::string error_;
    std::vector<DataSet> sets_;
    std::map<std::string, std::size_t> setById_;
    std::vector<User> users_;
    std::vector<Era> eras_;
    long firstEraLine_ = 0;  // in eras.csv: the first era's line, or the line after the header
    // The journal's last data set and its ID: books usually hold one, so the look-up is
    // skipped while the ID repeats.
    DataSet* lastSet_ = nullptr;
    std::string lastSetId_;
    FractionCount openingFractions_;
    FractionCount journalFractions_;  // counted anew by each pass over the journal
};

DataSet* Importer::FindDataSet(Table& table, std::size_t column) {
    std::string id;
    if (!table.RequireCell(column) || !table.Text(column, kDataIdBytes, &id)) return nullptr;
    auto it = setById_.find(id);
    if (it == setById_.end()) {
        table.Fail(column, Say(Id::kUnknownDataSet, {{"data", sjis::SjisToUtf8Lossy(id)}}));
        return nullptr;
    }
    return &sets_[it->second];
}

bool Importer::LoadCompanies() {
    enum { kId, kNo, kName, kFrom, kTo, kInterim, kIntro, kAct, kManuf, kTax };
    Table table("company.csv",
                {{"data_id", true},
                 {"data_no", true},
                 {"name", true},
                 {"period_from", true},
                 {"period_to", true},
                 {"interim_closing", false},
                 {"intro_position", false},
                 {"companies_act", false},
                 {"manufacturing", false},
                 {"tax_inclusive", false}},
                encoding_);
    if (!table.Open(dir_)) return Fail(table);
    std::set<std::int32_t> numbers;
    while (table.Next()) {
        DataSet set;
        Company& c = set.company;
        std::int64_t v = 0;
        if (!table.RequireCell(kId) || !table.Text(kId, kDataIdBytes, &c.dataId))
            return Fail(table);
        if (!IsUsableDataId(c.dataId)) {
            table.Fail(kId, Say(Id::kBadDataId));
            return Fail(table);
        }
        if (!table.Int(kNo, 1, std::numeric_limits<std::int32_t>::max(), &v)) return Fail(table);
        c.dataNo = static_cast<std::int32_t>(v);
        if (!table.RequireCell(kName) || !table.Text(kName, kCompanyNameBytes, &c.name))
            return Fail(table);
        if (!table.Date(kFrom, &c.periodFrom) || !table.Date(kTo, &c.periodTo)) return Fail(table);
        if (c.periodTo < c.periodFrom) {
            table.Fail(kTo, Say(Id::kPeriodBackwards));
            return Fail(table);
        }
        if (FiscalPosition(c.periodFrom, c.periodTo) > 12) {
            table.Fail(kTo, Say(Id::kPeriodTooLong));
            return Fail(table);
        }
        auto optional = [&](std::size_t k, std::int64_t min, std::int64_t max, std::int32_t dflt,
                            std::int32_t* out) {
            if (table.Empty(k)) {
                *out = dflt;
                return true;
            }
            if (!table.Int(k, min, max, &v)) return false;
            *out = static_cast<std::int32_t>(v);
            return true;
        };
        if (!optional(kInterim, 0, 1, 0, &c.interimClosing) ||
            !optional(kIntro, 0, 99, 0, &c.introPosition) ||
            !optional(kAct, 0, 255, 1, &c.companiesAct) ||
            !optional(kManuf, 0, 1, 0, &c.manufacturing) ||
            !optional(kTax, 0, 1, 0, &c.taxInclusive)) {
            return Fail(table);
        }
        if (c.introPosition > 12 && c.introPosition != 99) {
            table.Fail(kIntro, Say(Id::kIntroPosition));
            return Fail(table);
        }
        if (setById_.count(c.dataId)) {
            table.Fail(kId, Say(Id::kDuplicateDataId));
            return Fail(table);
        }
        if (!numbers.insert(c.dataNo).second) {
            table.Fail(kNo, Say(Id::kDuplicateDataNo, {{"number", c.dataNo}}));
            return Fail(table);
        }
        setById_[c.dataId] = sets_.size();
        sets_.push_back(std::move(set));
    }
    if (table.Failed()) return Fail(table);
    if (sets_.empty()) return Fail(Say(Id::kNoDataSet, {{"file", "company.csv"}}));
    return true;
}

bool Importer::LoadUsers() {
    enum { kUser, kSelection, kDataNo };
    Table table("users.csv", {{"user_id", true}, {"selection_no", false}, {"data_no", true}},
                encoding_);
    if (!table.Open(dir_)) return Fail(table);
    std::set<std::string> seen;
    while (table.Next()) {
        User user;
        std::int64_t v = 0;
        if (!table.RequireCell(kUser) || !table.Text(kUser, kUserIdBytes, &user.userId))
            return Fail(table);
        if (!seen.insert(user.userId).second) {
            table.Fail(kUser, Say(Id::kDuplicateUser));
            return Fail(table);
        }
        if (!table.Empty(kSelection)) {
            if (!table.Int(kSelection, 0, std::numeric_limits<std::int32_t>::max(), &v))
                return Fail(table);
            user.selectionNo = static_cast<std::int32_t>(v);
        }
        if (!table.Int(kDataNo, 1, std::numeric_limits<std::int32_t>::max(), &v))
            return Fail(table);
        user.dataNo = static_cast<std::int32_t>(v);
        bool exists = std::any_of(sets_.begin(), sets_.end(), [&](const DataSet& s) {
            return s.company.dataNo == user.dataNo;
        });
        if (!exists) {
            table.Fail(kDataNo, Say(Id::kNoSuchDataSet, {{"number", user.dataNo}}));
            return Fail(table);
        }
        users_.push_back(std::move(user));
    }
    if (table.Failed()) return Fail(table);
    if (users_.empty()) return Fail(Say(Id::kNoUser, {{"file", "users.csv"}}));
    return true;
}

bool Importer::LoadAccounts() {
    enum { kId, kCode, kName, kLabel, kNature, kSide, kFlag, kNoLedger, kSumOf };
    Table table("accounts.csv",
                {{"data_id", true},
                 {"code", true},
                 {"name", true},
                 {"label", false},
                 {"nature", false},
                 {"side", false},
                 {"flag", false},
                 {"no_ledger", false},
                 {"sum_of", false}},
                encoding_);
    if (!table.Open(dir_)) return Fail(table);
    while (table.Next()) {
        DataSet* set = FindDataSet(table, kId);
        if (!set) return Fail(table);
        Account account;
        account.sourceLine = table.Line();
        std::int64_t v = 0;
        if (!table.Int(kCode, 1, std::numeric_limits<std::int32_t>::max(), &v)) return Fail(table);
        account.code = static_cast<std::int32_t>(v);
        if (set->byCode.count(account.code)) {
            table.Fail(kCode, Say(Id::kDuplicateCode, {{"code", account.code}}));
            return Fail(table);
        }
        if (!table.RequireCell(kName) || !table.Text(kName, kAccountNameBytes, &account.name) ||
            !table.Text(kLabel, kLabelBytes, &account.label) ||
            !table.HasTextBesideMarks(kName, account.name) ||
            (!account.label.empty() && !table.HasTextBesideMarks(kLabel, account.label))) {
            return Fail(table);
        }
        const Account* parent = nullptr;
        if (account.IsSubAccount()) {
            auto it = set->byCode.find(account.code - account.code % kSubAccountRadix);
            if (it == set->byCode.end()) {
                table.Fail(kCode, Say(Id::kParentMissing,
                                      {{"code", account.code - account.code % kSubAccountRadix}}));
                return Fail(table);
            }
            parent = &set->accounts[it->second];
        }
        if (!table.Empty(kNature)) {
            if (!table.Nature(table.Cell(kNature), kNature, &account.nature)) return Fail(table);
        } else if (parent) {
            account.nature = parent->nature;
        } else {
            table.Fail(kNature, Say(Id::kValueRequiredOnAccount));
            return Fail(table);
        }
        std::string_view side = table.Cell(kSide);
        if (side == "D") {
            account.side = 1;
        } else if (side == "C") {
            account.side = 2;
        } else if (side.empty() && parent) {
            account.side = parent->side;
        } else {
            table.Fail(kSide, Say(side.empty() ? Id::kValueRequiredOnAccount : Id::kMustBeDOrC));
            return Fail(table);
        }
        if (!table.Empty(kFlag)) {
            if (!table.Int(kFlag, 0, 3, &v)) return Fail(table);
            account.flag = static_cast<std::uint8_t>(v);
        } else if (parent) {
            account.flag = parent->flag;
        }
        if (!table.Empty(kNoLedger)) {
            if (!table.Int(kNoLedger, 0, 1, &v)) return Fail(table);
            account.noLedger = static_cast<std::uint8_t>(v);
        }
        std::string_view sumOf = table.Cell(kSumOf);
        for (std::size_t pos = 0; pos < sumOf.size();) {
            std::size_t end = sumOf.find(' ', pos);
            if (end == std::string_view::npos) end = sumOf.size();
            if (end > pos) {
                std::uint32_t mask = 0;
                if (!table.Nature(sumOf.substr(pos, end - pos), kSumOf, &mask)) return Fail(table);
                account.sumOf.push_back(mask);
            }
            pos = end + 1;
        }
        if (!account.sumOf.empty() && (!account.IsTotal() || account.IsSubAccount())) {
            table.Fail(kSumOf, Say(Id::kOnlyTotalsSum));
            return Fail(table);
        }
        if (!account.IsSubAccount() &&
            (account.nature == kInputTaxNature || account.nature == kOutputTaxNature)) {
            std::int32_t& slot =
                account.nature == kInputTaxNature ? set->inputTaxAccount : set->outputTaxAccount;
            if (slot != 0) {
                table.Fail(kNature, Say(Id::kSecondTaxAccount));
                return Fail(table);
            }
            slot = account.code;
        }
        set->byCode[account.code] = set->accounts.size();
        set->accounts.push_back(std::move(account));
    }
    if (table.Failed()) return Fail(table);
    return true;
}

// An account code that postings may name: an account or sub-account that is not a total.
static const Account* PostingAccount(Table& table, DataSet& set, std::size_t column,
                                     std::int32_t* code) {
    std::int64_t v = 0;
    if (!table.Int(column, 1, std::numeric_limits<std::int32_t>::max(), &v)) return nullptr;
    auto it = set.byCode.find(static_cast<std::int32_t>(v));
    if (it == set.byCode.end()) {
        table.Fail(column, Say(Id::kUnknownAccountCode, {{"code", v}}));
        return nullptr;
    }
    const Account& account = set.accounts[it->second];
    const Account& top = set.accounts[set.byCode[account.code - account.code % kSubAccountRadix]];
    if (top.IsTotal()) {
        table.Fail(column, Say(Id::kTotalTakesNoPostings, {{"code", v}}));
        return nullptr;
    }
    *code = account.code;
    return &account;
}

bool Importer::LoadOpenings() {
    enum { kId, kCode, kDebit, kCredit };
    if (!IsPresent(dir_ / "openings.csv")) return true;
    Table table("openings.csv",
                {{"data_id", true}, {"code", true}, {"debit", false}, {"credit", false}},
                encoding_);
    if (!table.Open(dir_)) return Fail(table);
    while (table.Next()) {
        DataSet* set = FindDataSet(table, kId);
        if (!set) return Fail(table);
        std::int32_t code = 0;
        std::int64_t debit = 0;
        std::int64_t credit = 0;
        if (!PostingAccount(table, *set, kCode, &code) || !table.Amount(kDebit, &debit) ||
            !table.Amount(kCredit, &credit)) {
            return Fail(table);
        }
        set->openings.push_back({code, debit, credit});
        openingFractions_.Add(debit);
        openingFractions_.Add(credit);
        for (SummaryArray array : {kDebitNet, kDebitGross, kCreditNet, kCreditGross}) {
            std::int64_t amount = array == kDebitNet || array == kDebitGross ? debit : credit;
            if (!PostAmount(*set, code, array, 0, amount)) {
                return Fail(
                    Say(Id::kAtLine, {{"file", "openings.csv"},
                                      {"line", table.Line()},
                                      {"why", Say(Id::kTotalsBeyond64Bits,
                                                  {{"code", code - code % kSubAccountRadix}})}}));
            }
        }
    }
    if (table.Failed()) return Fail(table);
    return true;
}

enum JournalColumn {
    kJournalId,
    kEntry,
    kVoucher,
    kLine,
    kDate,
    kPosition,
    kKind,
    kDebitCode,
    kDebitAmount,
    kDebitTax,
    kCreditCode,
    kCreditAmount,
    kCreditTax,
    kDescription
};

// One row of journal.csv into `line`; false when the row is refused (the table says why).
bool Importer::ReadJournalLine(Table& table, JournalLine* line, std::size_t* setIndex) {
    if (!lastSet_ || table.Cell(kJournalId) != lastSetId_) {
        lastSet_ = FindDataSet(table, kJournalId);
        if (!lastSet_) return false;
        lastSetId_ = table.Cell(kJournalId);
    }
    DataSet& set = *lastSet_;
    *setIndex = static_cast<std::size_t>(lastSet_ - sets_.data());
    constexpr std::int64_t kMaxKey = std::numeric_limits<std::int32_t>::max();
    line->sourceLine = table.Line();
    line->kind = -1;
    line->debitCode = 0;
    line->creditCode = 0;
    std::int64_t v = 0;
    if (!table.Int(kEntry, 1, kMaxKey, &v)) return false;
    line->entry = static_cast<std::int32_t>(v);
    line->voucher = line->entry;
    if (!table.Empty(kVoucher)) {
        if (!table.Int(kVoucher, 0, kMaxKey, &v)) return false;
        line->voucher = static_cast<std::int32_t>(v);
    }
    if (!table.Int(kLine, 1, kMaxKey, &v)) return false;
    line->line = static_cast<std::int32_t>(v);
    const Company& company = set.company;
    if (!table.Date(kDate, &line->date)) return false;
    if (line->date < company.periodFrom || line->date > company.periodTo) {
        table.Fail(kDate, Say(Id::kDateOutsidePeriod, {{"date", line->date}}));
        return false;
    }
    int fiscal = FiscalPosition(company.periodFrom, line->date);
    line->position = static_cast<std::int16_t>(fiscal);
    if (!table.Empty(kPosition)) {
        if (!table.Int(kPosition, 1, 18, &v)) return false;
        if (v != kPositionInterim && v != kPositionYearEnd && v != fiscal) {
            table.Fail(kPosition, Say(Id::kPositionRule));
            return false;
        }
        // Only books that close an interim period have a settlement for the line to count in.
        if (v == kPositionInterim && company.interimClosing != 1) {
            table.Fail(kPosition, Say(Id::kInterimNeedsClosing));
            return false;
        }
        line->position = static_cast<std::int16_t>(v);
    }
    if (!table.Empty(kKind)) {
        if (!table.Int(kKind, 0, 255, &v)) return false;
        line->kind = static_cast<std::int16_t>(v);
    }
    const Account* debit = nullptr;
    const Account* credit = nullptr;
    if (!table.Empty(kDebitCode) &&
        !(debit = PostingAccount(table, set, kDebitCode, &line->debitCode))) {
        return false;
    }
    if (!table.Empty(kCreditCode) &&
        !(credit = PostingAccount(table, set, kCreditCode, &line->creditCode))) {
        return false;
    }
    if (!table.Amount(kDebitAmount, &line->debitAmount) ||
        !table.Amount(kDebitTax, &line->debitTax) ||
        !table.Amount(kCreditAmount, &line->creditAmount) ||
        !table.Amount(kCreditTax, &line->creditTax) ||
        !table.Text(kDescription, kDescriptionBytes, &line->description)) {
        return false;
    }
    for (std::int64_t amount :
         {line->debitAmount, line->debitTax, line->creditAmount, line->creditTax}) {
        journalFractions_.Add(amount);
    }
    if (!debit && !credit) {
        table.Fail(kDebitCode, Say(Id::kLineNeedsAccount));
        return false;
    }
    if (!debit && (line->debitAmount != 0 || line->debitTax != 0)) {
        table.Fail(kDebitAmount, Say(Id::kAmountWithoutAccount));
        return false;
    }
    if (!credit && (line->creditAmount != 0 || line->creditTax != 0)) {
        table.Fail(kCreditAmount, Say(Id::kAmountWithoutAccount));
        return false;
    }
    if (line->debitTax != 0 && line->creditTax != 0) {
        table.Fail(kCreditTax, Say(Id::kTaxOnOneSide));
        return false;
    }
    if (line->debitTax != 0 && set.inputTaxAccount == 0) {
        table.Fail(kDebitTax, Say(Id::kNoInputTaxAccount));
        return false;
    }
    if (line->creditTax != 0 && set.outputTaxAccount == 0) {
        table.Fail(kCreditTax, Say(Id::kNoOutputTaxAccount));
        return false;
    }
    return true;
}

// The journal streams into the store: a journal in entry order (per data set; data sets may
// interleave) goes straight through the entry checks; at the first line out of that order the
// pass ends as kUnordered, and the staged pass sorts the lines first.
Importer::Pass Importer::LoadJournal(Database& db, LedgerBuckets& ledger, JournalFeed& feed,
                                     EntryChecker& checker, bool staged) {
    auto failed = [&](const std::string& message) {
        Fail(message);
        return Pass::kFailed;
    };
    if (!IsPresent(dir_ / "journal.csv")) return Pass::kBuilt;
    Table table("journal.csv",
                {{"data_id", true},
                 {"entry", true},
                 {"voucher", false},
                 {"line", true},
                 {"date", true},
                 {"position", false},
                 {"kind", false},
                 {"debit_code", false},
                 {"debit_amount", false},
                 {"debit_tax", false},
                 {"credit_code", false},
                 {"credit_amount", false},
                 {"credit_tax", false},
                 {"description", false}},
                encoding_);
    if (!table.Open(dir_)) return failed(table.Error());
    JournalLine line;
    std::size_t set = 0;
    lastSet_ = nullptr;
    journalFractions_ = FractionCount();
    // What a step ends with when the ledger fails, and at the journal's end.
    auto ledgerFailed = [&] {
        Fail(ledger.Error());
        return JournalStep::kFailed;
    };
    auto end = [&] { return checker.Finish() ? JournalStep::kEnd : ledgerFailed(); };
    JournalStaging staging(db);
    // The (entry, line) each data set's lines last reached.
    std::vector<std::pair<std::int32_t, std::int32_t>> reached(sets_.size(), {0, 0});
    if (staged) {
        if (!staging.Prepare()) return failed(CannotWrite(db));
        while (table.Next()) {
            if (!ReadJournalLine(table, &line, &set)) return failed(table.Error());
            if (!staging.Add(set, line)) return failed(CannotWrite(db));
        }
        if (table.Failed()) return failed(table.Error());
        if (!staging.Start()) return failed(CannotWrite(db));
        feed.ReadWith([&] {
            if (!staging.ReadOn(&line, &set)) {
                if (!staging.Failed()) return end();
                Fail(CannotWrite(db));
                return JournalStep::kFailed;
            }
            return checker.Add(set, line) ? JournalStep::kLine : ledgerFailed();
        });
    } else {
        feed.ReadWith([&] {
            if (!table.Next()) {
                if (!table.Failed()) return end();
                Fail(table.Error());
                return JournalStep::kFailed;
            }
            if (!ReadJournalLine(table, &line, &set)) {
                Fail(table.Error());
                return JournalStep::kFailed;
            }
            std::pair<std::int32_t, std::int32_t> key{line.entry, line.line};
            if (key < reached[set]) return JournalStep::kUnordered;
            reached[set] = key;
            return checker.Add(set, line) ? JournalStep::kLine : ledgerFailed();
        });
    }
    if (!db.InsertFrom("main.journal", 14, feed)) {
        if (feed.Step() == JournalStep::kUnordered) return Pass::kUnordered;
        if (feed.Step() == JournalStep::kFailed) return Pass::kFailed;
        return failed(CannotWrite(db));
    }
    return Pass::kBuilt;
}

bool Importer::LoadEras() {
    enum { kFirst, kName, kShort };
    if (!IsPresent(dir_ / "eras.csv")) {
        // The eras of the Japanese calendar since 1868 (Shift_JIS literals).
        eras_.clear();
        for (const japanese_eras::Era& era : japanese_eras::kEras)
            eras_.push_back({era.firstDay, std::string(era.name), std::string(era.letter)});
        return true;
    }
    Table table("eras.csv", {{"first_day", true}, {"name", true}, {"short", true}}, encoding_);
    if (!table.Open(dir_)) return Fail(table);
    firstEraLine_ = table.Line() + 1;
    while (table.Next()) {
        if (eras_.empty()) firstEraLine_ = table.Line();
        Era era;
        if (!table.Date(kFirst, &era.firstDay) || !table.RequireCell(kName) ||
            !table.Text(kName, kEraNameBytes, &era.name) ||
            !table.Text(kShort, kEraShortBytes, &era.shortLabel)) {
            return Fail(table);
        }
        if (!eras_.empty() && era.firstDay <= eras_.back().firstDay) {
            table.Fail(kFirst, Say(Id::kErasUnordered));
            return Fail(table);
        }
        eras_.push_back(std::move(era));
    }
    if (table.Failed()) return Fail(table);
    return ErasCoverTheBooks();
}

// Every date of the books is written with its era: a date before the first era would be
// written empty. Journal dates lie inside the periods, so the earliest period start decides.
bool Importer::ErasCoverTheBooks() {
    const DataSet* earliest = &sets_.front();
    for (const DataSet& set : sets_) {
        if (set.company.periodFrom < earliest->company.periodFrom) earliest = &set;
    }
    std::int32_t first = earliest->company.periodFrom;
    if (!eras_.empty() && eras_.front().firstDay <= first) return true;
    std::string id;
    sjis::SjisToUtf8(earliest->company.dataId, &id);
    const std::string why = eras_.empty()
                                ? Say(Id::kNoEra)
                                : Say(Id::kFirstEraBegins, {{"date", eras_.front().firstDay}});
    return Fail(Say(Id::kAtCell, {{"file", "eras.csv"},
                                  {"line", firstEraLine_},
                                  {"column", "first_day"},
                                  {"why", Say(Id::kErasMustCover,
                                              {{"why", why}, {"first", first}, {"data", id}})}}));
}

bool Importer::LoadNotes() {
    static const char* const kFiles[] = {"switch.txt", "layout.txt", "body.txt"};
    for (DataSet& set : sets_) {
        std::string folder;  // file names are UTF-8
        if (!sjis::SjisToUtf8(set.company.dataId, &folder)) continue;
        fs::path dir = dir_ / "notes" / folder;
        for (std::size_t k = 0; k < 3; ++k) {
            fs::path path = dir / kFiles[k];
            if (!IsPresent(path)) continue;
            std::string raw;
            std::string name = "notes/" + folder + "/" + kFiles[k];
            std::string error;
            if (!ReadInputFile(path, name, kMaxNotesBytes, &raw, &error)) return Fail(error);
            long line = 0;
            if (std::string why; !WholeTextToSjis(raw, encoding_, &set.notes[k], &why, &line)) {
                return Fail(line > 0
                                ? Say(Id::kAtLine, {{"file", name}, {"line", line}, {"why", why}})
                                : name + ": " + why);
            }
            if (std::string where = ControlCharacterIn(name, set.notes[k]); !where.empty()) {
                return Fail(where);
            }
            set.hasNote[k] = true;
        }
    }
    return true;
}

Importer::Pass Importer::BuildOnce(const std::string& storePath, bool staged) {
    // Database::Create turns SQLite's rollback journal off before the first write: nothing but
    // the temporary itself (no STORE-journal) stands beside it, and a failed pass discards it
    // whole.
    Database db;
    if (!db.Create(storePath) || !db.Exec("BEGIN")) {
        Fail(Say(Id::kCannotCreateStore, {{"reason", db.Error()}}));
        return Pass::kFailed;
    }
    LedgerBuckets ledger(db);
    if (!ledger.Prepare()) {
        Fail(ledger.Error());
        return Pass::kFailed;
    }
    JournalFeed feed(ledger);
    EntryChecker checker(sets_, feed);
    Pass pass = LoadJournal(db, ledger, feed, checker, staged);
    if (pass != Pass::kBuilt) return pass;
    // The refusals in the order the checks had when the books were read whole: rows, entries,
    // eras, notes, sums.
    std::string refusal = checker.EntryRefusal();
    if (!refusal.empty() || !LoadEras() || !LoadNotes() ||
        !(refusal = checker.CompleteSummaries()).empty()) {
        if (!refusal.empty()) Fail(refusal);
        return Pass::kFailed;
    }
    if (!WriteTables(db)) return Pass::kFailed;
    // The ledger last: its rows are the bulk of the file.
    if (!ledger.WriteLedger()) {
        Fail(ledger.Error());
        return Pass::kFailed;
    }
    if (!db.Exec("COMMIT")) {
        Fail(CannotWrite(db));
        return Pass::kFailed;
    }
    return Pass::kBuilt;
}

bool Importer::Build(const std::function<std::string()>& newStore) {
    // The staged pass starts from the summaries the openings left.
    std::vector<std::unordered_map<std::int32_t, SummarySlots>> openings;
    for (const DataSet& set : sets_) openings.push_back(set.summaries);
    Pass pass = BuildOnce(newStore(), false);
    if (pass == Pass::kUnordered) {
        for (std::size_t i = 0; i < sets_.size(); ++i) sets_[i].summaries = openings[i];
        pass = BuildOnce(newStore(), true);
    }
    return pass == Pass::kBuilt;
}

// Everything but the journal and the ledger.
bool Importer::WriteTables(Database& db) {
    {
        Statement meta(db, "INSERT INTO meta VALUES(?,?)");
        meta.BindText(1, "format");
        meta.BindText(2, kStoreFormat);
        meta.Step();
        meta.Reset();
        meta.BindText(1, "version");
        meta.Bind(2, kStoreVersion);
        if (meta.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
    }
    Statement company(db, "INSERT INTO company VALUES(?,?,?,?,?,?,?,?,?,?)");
    for (const DataSet& set : sets_) {
        const Company& c = set.company;
        company.Reset();
        company.Bind(1, c.dataNo);
        company.BindBlob(2, c.dataId.data(), static_cast<int>(c.dataId.size()));
        company.BindBlob(3, c.name.data(), static_cast<int>(c.name.size()));
        company.Bind(4, c.periodFrom);
        company.Bind(5, c.periodTo);
        company.Bind(6, c.interimClosing);
        company.Bind(7, c.introPosition);
        company.Bind(8, c.companiesAct);
        company.Bind(9, c.manufacturing);
        company.Bind(10, c.taxInclusive);
        if (company.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
    }
    Statement user(db, "INSERT INTO users VALUES(?,?,?,?)");
    for (std::size_t i = 0; i < users_.size(); ++i) {
        user.Reset();
        user.Bind(1, static_cast<std::int64_t>(i));
        user.BindBlob(2, users_[i].userId.data(), static_cast<int>(users_[i].userId.size()));
        user.Bind(3, users_[i].selectionNo);
        user.Bind(4, users_[i].dataNo);
        if (user.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
    }
    Statement era(db, "INSERT INTO eras VALUES(?,?,?)");
    for (const Era& e : eras_) {
        era.Reset();
        era.Bind(1, e.firstDay);
        era.BindBlob(2, e.name.data(), static_cast<int>(e.name.size()));
        era.BindBlob(3, e.shortLabel.data(), static_cast<int>(e.shortLabel.size()));
        if (era.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
    }
    Statement account(db, "INSERT INTO accounts VALUES(?,?,?,?,?,?,?,?,?,?)");
    // A mask given twice counts once, as it does for the summaries.
    Statement sum(db, "INSERT OR IGNORE INTO sums VALUES(?,?,?)");
    Statement opening(db, "INSERT INTO openings VALUES(?,?,?,?,?)");
    Statement note(db, "INSERT INTO notes VALUES(?,?,?)");
    for (const DataSet& set : sets_) {
        for (std::size_t i = 0; i < set.accounts.size(); ++i) {
            const Account& a = set.accounts[i];
            account.Reset();
            account.Bind(1, set.company.dataNo);
            account.Bind(2, static_cast<std::int64_t>(i));
            account.Bind(3, a.code);
            account.BindBlob(4, a.name.data(), static_cast<int>(a.name.size()));
            account.BindBlob(5, a.label.data(), static_cast<int>(a.label.size()));
            account.Bind(6, a.nature);
            account.Bind(7, a.side);
            account.Bind(8, a.flag);
            account.Bind(9, a.noLedger);
            if (!a.IsSubAccount()) {
                auto it = set.summaries.find(a.code);
                SummarySlots zero{};
                const SummarySlots& slots = it == set.summaries.end() ? zero : it->second;
                account.BindBlob(10, slots.data(), static_cast<int>(sizeof(slots)));
            }
            if (account.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
            for (std::uint32_t mask : a.sumOf) {
                sum.Reset();
                sum.Bind(1, set.company.dataNo);
                sum.Bind(2, a.code);
                sum.Bind(3, mask);
                if (sum.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
            }
        }
        for (std::size_t i = 0; i < set.openings.size(); ++i) {
            const Opening& o = set.openings[i];
            opening.Reset();
            opening.Bind(1, set.company.dataNo);
            opening.Bind(2, static_cast<std::int64_t>(i));
            opening.Bind(3, o.code);
            opening.Bind(4, o.debit);
            opening.Bind(5, o.credit);
            if (opening.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
        }
        static const int kKinds[] = {0, 100, 1000};
        for (std::size_t k = 0; k < 3; ++k) {
            if (!set.hasNote[k]) continue;
            note.Reset();
            note.Bind(1, set.company.dataNo);
            note.Bind(2, kKinds[k]);
            note.BindBlob(3, set.notes[k].data(), static_cast<int>(set.notes[k].size()));
            if (note.Step() != SQLITE_DONE) return Fail(CannotWrite(db));
        }
    }
    return true;
}

// Why the file at the store's path may not be replaced, or empty: an import replaces nothing
// but a books store, so that a mistyped path never costs the user another file.
std::string WhyNotReplaceable(const std::string& storePath) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(PathFromUtf8(storePath), error);
    if (status.type() == fs::file_type::not_found) return std::string();
    if (error || status.type() != fs::file_type::regular) {
        return Say(Id::kStoreNotPlainFile, {{"store", storePath}});
    }
    Database existing;
    if (!existing.OpenReadOnly(storePath) || !existing.IsMarkedAsStore()) {
        return Say(Id::kStoreNotABooksStore, {{"store", storePath}});
    }
    return std::string();
}

}  // namespace

namespace {

// Messages are printed on terminals: a control byte of the input (a NUL of a file in another
// encoding, an escape) is shown as \xNN, never written as it is.
std::string Visible(const std::string& message) {
    std::string out;
    for (unsigned char c : message) {
        if (c < 0x20 || c == 0x7F) {
            out += "\\x" + ByteText(c).substr(2);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The new store is a temporary of the floor's beside the store (~kc〈8〉.kctmp), which SQLite
// writes by name and Keep syncs and renames over the store. Nothing removes temporaries that
// earlier runs left: every writer of the system names its temporaries alike, so a file of that
// name beside the store may be the one another run, live, is writing (an export into the same
// folder, an import into another store there), and the store's lock says nothing of those. A
// run that ends on a signal removes its own (native/Interrupts); on Windows SQLite holds the
// file without sharing its deletion, so a Ctrl+C while it is open leaves it, and kcbooks names it
// in its message for the user to remove.
ImportResult ImportOrThrow(const std::string& booksDir, const std::string& storePath,
                           SourceEncoding encoding) {
    ImportResult result;
    Importer importer(PathFromUtf8(booksDir), encoding);
    std::error_code error;
    if (!fs::is_directory(PathFromUtf8(booksDir), error)) {
        result.message = Say(Id::kNotAFolder, {{"folder", booksDir}});
        return result;
    }
    if (std::string why = WhyNotReplaceable(storePath); !why.empty()) {
        result.message = why;
        return result;
    }
    if (!importer.LoadChart()) {
        result.message = importer.Error();
        return result;
    }
    // Built beside the old store and put in its place only when complete: an interrupted or
    // refused import leaves no partial store behind.
    std::optional<native::TempFile> temporary;
    auto newStore = [&] {
        temporary.reset();  // the pass before, if any
        temporary.emplace(storePath, 0);
        temporary->CloseHandle();
        return temporary->Path();
    };
    if (!importer.Build(newStore)) {
        result.message = importer.Error();
        return result;
    }
    temporary->Keep();
    result.ok = true;
    result.fractionalAmounts = importer.FractionalAmounts();
    return result;
}

}  // namespace

ImportResult ImportBooks(const std::string& booksDir, const std::string& storePath,
                         SourceEncoding encoding) {
    ImportResult result;
    try {
        result = ImportOrThrow(booksDir, storePath, encoding);
    } catch (const std::bad_alloc&) {
        // The partial store went with its temporary, closed by now.
        result.ok = false;
        result.message = Say(Id::kNoMemoryToImport);
    }
    result.message = Visible(result.message);
    return result;
}

}  // namespace books

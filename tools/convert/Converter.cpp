#include "tools/convert/Converter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>
#include <vector>

#include "books/Csv.h"
#include "books/Paths.h"
#include "common/Encoding.h"
#include "tools/convert/Chart.h"

namespace convert {
namespace {

namespace fs = std::filesystem;

// The books' limits in Shift_JIS bytes.
constexpr std::size_t kDescriptionBytes = 60;
constexpr std::size_t kNameBytes = 56;
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{2} << 30;

constexpr std::string_view kDroppedColumns =
    "番号, 期日, タイプ, 生成元, 仕訳メモ, 付箋1, 付箋2, 調整";

// A refusal on its way out: the text already names the file, the line and the column.
struct Refusal {
    std::string message;
};

struct Record {
    long line = 0;
    std::vector<std::string> fields;  // UTF-8
};

std::string Location(const std::string& file, long line, int column) {
    std::string where = file + ", line " + std::to_string(line);
    if (column > 0) where += ", column " + std::to_string(column);
    return where + ": ";
}

[[noreturn]] void Refuse(const std::string& file, long line, int column, const std::string& why) {
    throw Refusal{Location(file, line, column) + why};
}

std::size_t SjisBytes(std::string_view utf8) {
    std::string sjis;
    return sjis::Utf8ToSjis(utf8, &sjis) ? sjis.size() : 0;
}

// Exporters pad fields with blanks, half-width or full-width.
std::string Trimmed(std::string_view text) {
    constexpr std::string_view kWide = "\u3000";
    for (bool cut = true; cut && !text.empty();) {
        cut = false;
        if (text.front() == ' ' || text.front() == '\t') {
            text.remove_prefix(1);
            cut = true;
        } else if (text.substr(0, kWide.size()) == kWide) {
            text.remove_prefix(kWide.size());
            cut = true;
        } else if (text.back() == ' ' || text.back() == '\t') {
            text.remove_suffix(1);
            cut = true;
        } else if (text.size() >= kWide.size() &&
                   text.substr(text.size() - kWide.size()) == kWide) {
            text.remove_suffix(kWide.size());
            cut = true;
        }
    }
    return std::string(text);
}

// Reads an interchange file into records of UTF-8 fields, leaving out comment lines and a
// header row (its first field `headerFirst`).
std::vector<Record> ReadRecords(const std::string& path, bool utf8, std::string_view headerFirst,
                                long* skipped) {
    std::string content;
    books::ReadOutcome outcome = books::ReadRegularFile(path, kMaxFileBytes, &content);
    if (outcome != books::ReadOutcome::kRead) {
        throw Refusal{path + ": " +
                      (outcome == books::ReadOutcome::kNotRegular ? "is not a regular file"
                       : outcome == books::ReadOutcome::kTooLarge ? "is larger than 2 GiB"
                                                                  : "cannot be read")};
    }
    if (content.rfind("\xEF\xBB\xBF", 0) == 0) utf8 = true;
    books::CsvReader reader(content);
    std::vector<std::string_view> fields;
    std::vector<Record> records;
    while (reader.Next(&fields)) {
        Record record;
        record.line = reader.RecordLine();
        if (!fields.empty() && !fields[0].empty() && fields[0][0] == '#') {
            ++*skipped;
            continue;
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string text;
            if (utf8) {
                std::string check;
                if (!sjis::Utf8ToSjis(fields[i], &check)) {
                    Refuse(path, record.line, static_cast<int>(i + 1),
                           "text is not UTF-8 or has no Shift_JIS form");
                }
                text = std::string(fields[i]);
            } else if (!sjis::SjisToUtf8(fields[i], &text)) {
                Refuse(path, record.line, static_cast<int>(i + 1),
                       "text is not Shift_JIS (convert a UTF-8 file with --encoding utf-8)");
            }
            record.fields.push_back(Trimmed(text));
        }
        if (records.empty() && !record.fields.empty() && record.fields[0] == headerFirst) {
            ++*skipped;
            continue;
        }
        records.push_back(std::move(record));
    }
    if (reader.Failed()) Refuse(path, reader.RecordLine(), 0, reader.Error());
    return records;
}

std::int32_t DayBefore(std::int32_t date) {
    int year = date / 10000;
    int month = date / 100 % 100;
    int day = date % 100;
    if (--day == 0) {
        if (--month == 0) {
            month = 12;
            --year;
        }
        static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        day = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    }
    return year * 10000 + month * 100 + day;
}

std::string Csv(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Cuts `text` to `limit` Shift_JIS bytes at a character boundary.
std::string CutToBytes(const std::string& text, std::size_t limit) {
    std::size_t bytes = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::size_t width = SjisBytes(std::string_view(text).substr(pos, length));
        if (bytes + width > limit) break;
        bytes += width;
        pos += length;
    }
    return text.substr(0, pos);
}

// An account of the books: a chart account, or one of its sub-accounts (sub > 0).
struct AccountKey {
    const ChartAccount* account = nullptr;
    int sub = 0;
    std::int64_t Code() const { return account->code + sub; }
};

struct BookLine {
    std::int64_t debitCode = 0;  // 0: the side is empty
    std::int64_t debitAmount = 0;
    std::int64_t debitTax = 0;
    std::int64_t creditCode = 0;
    std::int64_t creditAmount = 0;
    std::int64_t creditTax = 0;
    std::string description;
    int position = 0;  // 0: the date's fiscal month
};

struct BookEntry {
    long line = 0;  // where the voucher begins
    std::string voucher;
    std::int32_t date = 0;
    std::vector<BookLine> lines;
};

// One side of an interchange line as read.
struct SideIn {
    std::string account;
    std::string sub;
    std::string department;
    std::string taxText;
    std::int64_t amount = 0;
    std::int64_t tax = 0;
    bool taxGiven = false;
};

class Conversion {
public:
    Conversion(const ConvertOptions& options, Chart& chart) : options_(options), chart_(chart) {
        for (const ChartAccount* account : chart_.InOrder()) {
            if (account->NatureValue() == 0x80880810u) inputTax_ = account;
            if (account->NatureValue() == 0x80484010u) outputTax_ = account;
        }
    }

    void ReadJournal() {
        const std::string& file = options_.journalPath;
        std::vector<Record> records = ReadRecords(file, options_.utf8, "識別フラグ", &skipped_);
        std::optional<BookEntry> open;
        for (const Record& record : records) {
            const std::vector<std::string>& f = record.fields;
            if (f.size() < 17 || f.size() > 25) {
                Refuse(file, record.line, 0,
                       "has " + std::to_string(f.size()) + " fields, the journal form has 25");
            }
            ++linesRead_;
            for (std::size_t i = 17; i < f.size(); ++i) {
                if (!f[i].empty()) ++droppedValues_;
            }
            const std::string& flag = f[0];
            bool first = flag == "2000" || flag == "2111" || flag == "2110";
            bool single = flag == "2000" || flag == "2111";
            if (!first && flag != "2100" && flag != "2101") {
                Refuse(file, record.line, 1,
                       "\"" + flag + "\" is not a flag of the form (2000, 2111, 2110, 2100, 2101)");
            }
            if (first && open) {
                Refuse(file, record.line, 1,
                       "a new voucher begins before the voucher of line " +
                           std::to_string(open->line) + " has its last line (2101)");
            }
            if (!first && !open) {
                Refuse(file, record.line, 1,
                       "a middle or last line (2100, 2101) without the first line (2110) of its "
                       "voucher");
            }
            if (first) {
                open.emplace();
                open->line = record.line;
                open->voucher = f[1];
                std::optional<std::int32_t> date = ParseInterchangeDate(f[3]);
                if (!date) {
                    Refuse(file, record.line, 4, "not a date (20250401, 2025/4/1, R07/4/1 …)");
                }
                open->date = *date;
            }
            ReadLine(record);
            if (single || flag == "2101") {
                CloseEntry(std::move(*open));
                open.reset();
            }
        }
        if (open) {
            Refuse(file, open->line, 1, "the voucher that begins here has no last line (2101)");
        }
    }

    void ReadOpenings() {
        if (options_.openingsPath.empty()) return;
        const std::string& file = options_.openingsPath;
        std::vector<Record> records = ReadRecords(file, options_.utf8, "期首日", &openingsSkipped_);
        for (const Record& record : records) {
            const std::vector<std::string>& f = record.fields;
            if (f.size() < 6) {
                Refuse(
                    file, record.line, 0,
                    "has " + std::to_string(f.size()) + " fields, the opening balances form has 6");
            }
            if (!openingDate_) {
                openingDate_ = ParseInterchangeDate(f[0]);
                if (!openingDate_)
                    Refuse(file, record.line, 1, "not a date (20250401, 2025/4/1, R07/4/1 …)");
            }
            ++openingRows_;
            if (!f[4].empty()) {
                ++openingDepartmentRows_;
                continue;
            }
            bool debit = f[2] == "借方";
            if (!debit && f[2] != "貸方") Refuse(file, record.line, 3, "must be 借方 or 貸方");
            std::optional<std::int64_t> amount = ParseWholeYen(f[5]);
            if (!amount) Refuse(file, record.line, 6, "not a whole-yen amount");
            std::optional<AccountKey> key = Resolve(file, record.line, 2, f[1], f[3]);
            if (!key) continue;
            std::pair<std::int64_t, std::int64_t>& balance = openings_[key->Code()];
            (debit ? balance.first : balance.second) += *amount;
        }
    }

    // The difference of the balances brought forward is retained earnings brought forward,
    // which exporters leave out of the form.
    void BalanceOpenings() {
        std::int64_t debits = 0;
        std::int64_t credits = 0;
        for (const auto& [code, balance] : openings_) {
            debits += balance.first;
            credits += balance.second;
        }
        retainedDifference_ = debits - credits;
        if (retainedDifference_ == 0) return;
        const ChartAccount* retained = chart_.Find("繰越利益");
        if (!retained) {
            throw Refusal{options_.openingsPath + ": the balances differ by " +
                          std::to_string(retainedDifference_) +
                          " yen and the chart has no account 繰越利益"};
        }
        used_[retained->code] = AccountKey{retained, 0};
        std::pair<std::int64_t, std::int64_t>& balance = openings_[retained->code];
        (retainedDifference_ > 0 ? balance.second : balance.first) +=
            retainedDifference_ > 0 ? retainedDifference_ : -retainedDifference_;
    }

    void CheckNames() const {
        if (unknown_.empty()) return;
        std::string message = "the chart does not know " + std::to_string(unknown_.size()) +
                              (unknown_.size() == 1 ? " account name" : " account names") +
                              "; add each to a chart given with --chart, e.g. as the line shown:";
        for (const auto& [name, where] : unknown_) {
            message += "\n  " + name + " (" + where + ")\n    " + "NNNN0000," + Csv(name) +
                       ",,0x........,D or C,0,0,";
        }
        throw Refusal{message};
    }

    void DecidePeriod() {
        if (options_.periodFrom) {
            from_ = *options_.periodFrom;
            to_ = *options_.periodTo;
            periodSource_ = "--period";
        } else {
            std::int32_t start = 0;
            if (openingDate_) {
                start = *openingDate_;
                periodSource_ = "the opening balances' date";
            } else {
                for (const BookEntry& entry : entries_) {
                    if (start == 0 || entry.date < start) start = entry.date;
                }
                if (start == 0)
                    throw Refusal{options_.journalPath + ": holds no journal line; give --period"};
                start = start / 100 * 100 + 1;
                periodSource_ = "the month of the journal's first date";
            }
            from_ = start;
            to_ = DayBefore(start + 10000);
        }
        for (const BookEntry& entry : entries_) {
            if (entry.date < from_ || entry.date > to_) {
                Refuse(options_.journalPath, entry.line, 4,
                       "date " + std::to_string(entry.date) + " lies outside the fiscal period " +
                           std::to_string(from_) + ".." + std::to_string(to_) + " (give --period)");
            }
        }
    }

    void Infer() {
        manufacturing_ = options_.manufacturing.value_or(!manufacturingSeen_.empty());
        taxInclusive_ = options_.taxInclusive.value_or(inclusiveLine_ != 0);
        interim_ = options_.interimClosing.value_or(interimLine_ != 0);
    }

    void Convert() {
        // 込 lines were read before the books were known to be tax-inclusive: their amounts
        // stand as they are either way. 内 lines are split when the books are tax-exclusive.
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            std::vector<BookLine> lines;
            for (PendingLine& pending : pending_[e]) {
                BookLine line = pending.line;
                std::vector<BookLine> extra;
                SplitTax(pending, true, &line, &extra);
                SplitTax(pending, false, &line, &extra);
                lines.push_back(std::move(line));
                for (BookLine& e : extra) lines.push_back(std::move(e));
            }
            entries_[e].lines = std::move(lines);
        }
    }

    void Write() const {
        fs::path out = books::PathFromUtf8(options_.outDir);
        std::error_code error;
        if (fs::exists(out, error) && !(fs::is_directory(out, error) && fs::is_empty(out, error))) {
            throw Refusal{options_.outDir +
                          ": exists and is not an empty folder; name a new folder"};
        }
        fs::path temporary = out;
        temporary += ".converting";
        fs::remove_all(temporary, error);
        if (!fs::create_directories(temporary, error)) {
            throw Refusal{books::PathToUtf8(temporary) + ": cannot be created: " + error.message()};
        }
        try {
            WriteFile(temporary / "company.csv", CompanyCsv());
            WriteFile(temporary / "users.csv",
                      "user_id,selection_no,data_no\n" + Csv(options_.user) + ",1,1\n");
            WriteFile(temporary / "accounts.csv", AccountsCsv());
            WriteFile(temporary / "openings.csv", OpeningsCsv());
            WriteFile(temporary / "journal.csv", JournalCsv());
            fs::remove(out, error);
            fs::rename(temporary, out, error);
            if (error) throw Refusal{options_.outDir + ": cannot be created: " + error.message()};
        } catch (const Refusal&) {
            fs::remove_all(temporary, error);
            throw;
        }
    }

    std::string Report() const;

private:
    struct PendingLine {
        long row = 0;
        BookLine line;
        SideIn debit;
        SideIn credit;
        TaxCategory debitCategory;
        TaxCategory creditCategory;
    };

    std::optional<AccountKey> Resolve(const std::string& file, long line, int column,
                                      const std::string& name, const std::string& sub) {
        const ChartAccount* account = chart_.Find(name);
        if (!account || account->IsTotal()) {
            std::string& where = unknown_[name];
            if (where.size() < 200) {
                where += (where.empty() ? "" : ", ") + file + " line " + std::to_string(line) +
                         " column " + std::to_string(column);
            }
            return std::nullopt;
        }
        if (account->IsManufacturing() || name.rfind("[製]", 0) == 0) {
            if (manufacturingSeen_.empty()) manufacturingSeen_ = name;
        }
        AccountKey key{account, 0};
        if (!sub.empty()) {
            if (SjisBytes(sub) > kNameBytes) {
                Refuse(file, line, column + 1,
                       "text is " + std::to_string(SjisBytes(sub)) +
                           " bytes in Shift_JIS, at most 56 are allowed");
            }
            std::vector<std::string>& subs = subAccounts_[account->code];
            auto found = std::find(subs.begin(), subs.end(), sub);
            if (found == subs.end()) {
                if (subs.size() == 9999)
                    Refuse(file, line, column + 1, "more than 9999 sub-accounts of one account");
                subs.push_back(sub);
                found = subs.end() - 1;
            }
            key.sub = static_cast<int>(found - subs.begin()) + 1;
        }
        used_[account->code] = AccountKey{account, 0};
        return key;
    }

    void ReadSide(const Record& record, std::size_t first, SideIn* side) {
        const std::vector<std::string>& f = record.fields;
        side->account = f[first];
        side->sub = f[first + 1];
        side->department = f[first + 2];
        side->taxText = f[first + 3];
        std::optional<std::int64_t> amount = ParseWholeYen(f[first + 4]);
        if (!amount)
            Refuse(options_.journalPath, record.line, static_cast<int>(first + 5),
                   "not a whole-yen amount");
        side->amount = *amount;
        std::optional<std::int64_t> tax = ParseWholeYen(f[first + 5]);
        if (!tax)
            Refuse(options_.journalPath, record.line, static_cast<int>(first + 6),
                   "not a whole-yen amount");
        side->tax = *tax;
        side->taxGiven = !f[first + 5].empty();
        if (side->account.empty() && (side->amount != 0 || side->tax != 0)) {
            Refuse(options_.journalPath, record.line, static_cast<int>(first + 5),
                   "an amount on a side without an account");
        }
        if (!side->department.empty()) ++departmentLines_;
    }

    void ReadLine(const Record& record) {
        const std::string& file = options_.journalPath;
        const std::vector<std::string>& f = record.fields;
        PendingLine pending;
        pending.row = record.line;
        ReadSide(record, 4, &pending.debit);
        ReadSide(record, 10, &pending.credit);
        if (pending.debit.account.empty() && pending.credit.account.empty()) {
            Refuse(file, record.line, 5, "a line needs a debit or a credit account");
        }
        const std::string& settlement = f[2];
        if (settlement == "中決") {
            pending.line.position = 15;
            if (interimLine_ == 0) interimLine_ = record.line;
        } else if (settlement == "本決") {
            pending.line.position = 18;
        } else if (!settlement.empty()) {
            Refuse(file, record.line, 3, "must be empty, 中決 or 本決");
        }
        pending.debitCategory = ReadCategory(record, 8, pending.debit.taxText);
        pending.creditCategory = ReadCategory(record, 14, pending.credit.taxText);
        if (!pending.debit.account.empty()) {
            std::optional<AccountKey> key =
                Resolve(file, record.line, 5, pending.debit.account, pending.debit.sub);
            if (key) pending.line.debitCode = key->Code();
            pending.line.debitAmount = pending.debit.amount;
        }
        if (!pending.credit.account.empty()) {
            std::optional<AccountKey> key =
                Resolve(file, record.line, 11, pending.credit.account, pending.credit.sub);
            if (key) pending.line.creditCode = key->Code();
            pending.line.creditAmount = pending.credit.amount;
        }
        std::string description = f[16];
        if (SjisBytes(description) > kDescriptionBytes) {
            description = CutToBytes(description, kDescriptionBytes);
            ++cutDescriptions_;
        }
        pending.line.description = std::move(description);
        currentPending_.push_back(std::move(pending));
    }

    TaxCategory ReadCategory(const Record& record, int column, const std::string& text) {
        TaxCategory category = ParseTaxCategory(text);
        if (category.mark == TaxMark::kInclusive && inclusiveLine_ == 0)
            inclusiveLine_ = record.line;
        if (category.mark == TaxMark::kIncluded && includedLine_ == 0) includedLine_ = record.line;
        if (inclusiveLine_ != 0 && includedLine_ != 0) {
            Refuse(options_.journalPath, record.line, column,
                   "tax-inclusive (込) and tax-exclusive (内) categories in one journal; the first "
                   "込 is on line " +
                       std::to_string(inclusiveLine_) + ", the first 内 on line " +
                       std::to_string(includedLine_));
        }
        return category;
    }

    void CloseEntry(BookEntry entry) {
        // Every side of the voucher as the file gives it (the tax inside the amounts) must
        // balance before anything is split off.
        std::int64_t debits = 0;
        std::int64_t credits = 0;
        for (const PendingLine& pending : currentPending_) {
            debits += pending.debit.amount;
            credits += pending.credit.amount;
        }
        if (debits != credits) {
            Refuse(options_.journalPath, entry.line, 0,
                   "the voucher does not balance (debits " + std::to_string(debits) + ", credits " +
                       std::to_string(credits) + " yen)");
        }
        pending_.push_back(std::move(currentPending_));
        currentPending_.clear();
        entries_.push_back(std::move(entry));
    }

    // Separates the tax a 内 side holds: the amount less the tax stays on the line, the tax goes
    // to the input-tax account for a purchase category and to the output-tax account for a sales
    // one, on the line's own side, so a return reaches the tax account it reduces.
    void SplitTax(PendingLine& pending, bool debitSide, BookLine* line,
                  std::vector<BookLine>* extra) {
        const SideIn& side = debitSide ? pending.debit : pending.credit;
        const TaxCategory& category = debitSide ? pending.debitCategory : pending.creditCategory;
        if (taxInclusive_ || category.mark != TaxMark::kIncluded || side.account.empty()) return;
        std::int64_t tax =
            side.taxGiven ? side.tax
                          : TaxInsideAmount(side.amount, category.ratePercent, options_.rounding);
        if (!side.taxGiven && category.ratePercent == 0) {
            Refuse(options_.journalPath, pending.row, debitSide ? 8 : 14,
                   "the tax category names no rate and the tax amount is empty");
        }
        if (tax == 0) return;
        if (!side.taxGiven) ++computedTaxes_;
        TaxDirection direction = category.direction;
        if (direction == TaxDirection::kNone)
            direction = debitSide ? TaxDirection::kPurchase : TaxDirection::kSales;
        const ChartAccount* account = direction == TaxDirection::kPurchase ? inputTax_ : outputTax_;
        if (!account) {
            throw Refusal{"the chart has no " +
                          std::string(direction == TaxDirection::kPurchase ? "input" : "output") +
                          "-tax account (nature " +
                          (direction == TaxDirection::kPurchase ? "0x80880810" : "0x80484010") +
                          ")"};
        }
        used_[account->code] = AccountKey{account, 0};
        bool natural = debitSide == (direction == TaxDirection::kPurchase);
        if (debitSide) {
            line->debitAmount -= tax;
            if (natural && line->creditTax == 0) {
                line->debitTax = tax;
                return;
            }
        } else {
            line->creditAmount -= tax;
            if (natural && line->debitTax == 0) {
                line->creditTax = tax;
                return;
            }
        }
        BookLine taxLine;
        taxLine.position = line->position;
        taxLine.description = line->description;
        (debitSide ? taxLine.debitCode : taxLine.creditCode) = account->code;
        (debitSide ? taxLine.debitAmount : taxLine.creditAmount) = tax;
        extra->push_back(std::move(taxLine));
    }

    bool Listed(const ChartAccount& account) const {
        if (used_.count(account.code)) return true;
        if (!account.IsTotal()) return false;
        return manufacturing_ || !account.IsManufacturing();
    }

    std::string CompanyCsv() const {
        return "data_id,data_no,name,period_from,period_to,interim_closing,intro_position,"
               "companies_act,manufacturing,tax_inclusive\n" +
               Csv(options_.dataId) + ",1," + Csv(options_.company) + "," + std::to_string(from_) +
               "," + std::to_string(to_) + "," + (interim_ ? "1" : "0") + ",0,1," +
               (manufacturing_ ? "1" : "0") + "," + (taxInclusive_ ? "1" : "0") + "\n";
    }

    std::string AccountsCsv() const {
        std::string text = "data_id,code,name,label,nature,side,flag,no_ledger,sum_of\n";
        for (const ChartAccount* account : chart_.InOrder()) {
            if (!Listed(*account)) continue;
            text += Csv(options_.dataId) + "," + std::to_string(account->code) + "," +
                    Csv(account->name) + "," + Csv(account->label) + "," + account->nature + "," +
                    account->side + "," + std::to_string(account->flag) + "," + account->noLedger +
                    "," + account->sumOf + "\n";
            auto subs = subAccounts_.find(account->code);
            if (subs == subAccounts_.end()) continue;
            for (std::size_t i = 0; i < subs->second.size(); ++i) {
                text += Csv(options_.dataId) + "," +
                        std::to_string(account->code + static_cast<std::int64_t>(i) + 1) + "," +
                        Csv(subs->second[i]) + ",,,,,,\n";
            }
        }
        return text;
    }

    std::string OpeningsCsv() const {
        std::string text = "data_id,code,debit,credit\n";
        for (const auto& [code, balance] : openings_) {
            text += Csv(options_.dataId) + "," + std::to_string(code) + "," +
                    std::to_string(balance.first) + "," + std::to_string(balance.second) + "\n";
        }
        return text;
    }

    std::string JournalCsv() const {
        std::string text =
            "data_id,entry,voucher,line,date,position,kind,debit_code,debit_amount,debit_tax,"
            "credit_code,credit_amount,credit_tax,description\n";
        auto code = [](std::int64_t c) { return c == 0 ? std::string() : std::to_string(c); };
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            const BookEntry& entry = entries_[e];
            bool numbered = !entry.voucher.empty() && entry.voucher.size() <= 9 &&
                            entry.voucher.find_first_not_of("0123456789") == std::string::npos;
            for (std::size_t l = 0; l < entry.lines.size(); ++l) {
                const BookLine& line = entry.lines[l];
                text += Csv(options_.dataId) + "," + std::to_string(e + 1) + "," +
                        (numbered ? entry.voucher : "") + "," + std::to_string(l + 1) + "," +
                        std::to_string(entry.date) + "," +
                        (line.position ? std::to_string(line.position) : "") + ",," +
                        code(line.debitCode) + "," + std::to_string(line.debitAmount) + "," +
                        std::to_string(line.debitTax) + "," + code(line.creditCode) + "," +
                        std::to_string(line.creditAmount) + "," + std::to_string(line.creditTax) +
                        "," + Csv(line.description) + "\n";
            }
        }
        return text;
    }

    static void WriteFile(const fs::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
        out.close();
        if (!out) throw Refusal{books::PathToUtf8(path) + ": cannot be written"};
    }

    const ConvertOptions& options_;
    Chart& chart_;
    const ChartAccount* inputTax_ = nullptr;
    const ChartAccount* outputTax_ = nullptr;

    std::vector<BookEntry> entries_;
    std::vector<std::vector<PendingLine>> pending_;
    std::vector<PendingLine> currentPending_;
    std::map<std::int64_t, AccountKey> used_;
    std::map<std::int64_t, std::vector<std::string>> subAccounts_;
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> openings_;
    std::map<std::string, std::string> unknown_;

    long skipped_ = 0;
    long openingsSkipped_ = 0;
    long linesRead_ = 0;
    long droppedValues_ = 0;
    long departmentLines_ = 0;
    long openingRows_ = 0;
    long openingDepartmentRows_ = 0;
    long cutDescriptions_ = 0;
    long computedTaxes_ = 0;
    long inclusiveLine_ = 0;
    long includedLine_ = 0;
    long interimLine_ = 0;
    std::string manufacturingSeen_;
    std::optional<std::int32_t> openingDate_;
    std::int64_t retainedDifference_ = 0;

    std::int32_t from_ = 0;
    std::int32_t to_ = 0;
    std::string periodSource_;
    bool manufacturing_ = false;
    bool taxInclusive_ = false;
    bool interim_ = false;
};

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

std::string Conversion::Report() const {
    std::ostringstream out;
    std::size_t lines = 0;
    for (const BookEntry& entry : entries_) lines += entry.lines.size();
    out << "read " << options_.journalPath << ": " << entries_.size() << " entries, " << linesRead_
        << " lines (" << skipped_ << " comment or header lines left out)\n";
    if (!options_.openingsPath.empty()) {
        out << "read " << options_.openingsPath << ": " << openingRows_ << " balances, "
            << openingDepartmentRows_
            << " of them by department left out; 繰越利益 takes the difference of "
            << retainedDifference_ << " yen\n";
    }
    std::size_t subs = 0;
    for (const auto& [code, names] : subAccounts_) subs += names.size();
    out << "accounts used: " << used_.size() << ", with " << subs << " sub-accounts\n";
    out << "period: " << from_ << ".." << to_ << " (from " << periodSource_ << ")\n";
    out << "manufacturing: " << YesNo(manufacturing_)
        << (options_.manufacturing       ? " (--manufacturing)"
            : manufacturingSeen_.empty() ? " (no [製] account)"
                                         : " (from " + manufacturingSeen_ + ")")
        << "\n";
    out << "tax-inclusive: " << YesNo(taxInclusive_)
        << (options_.taxInclusive ? " (--tax-inclusive)"
            : inclusiveLine_      ? " (込 on line " + std::to_string(inclusiveLine_) + ")"
                                  : " (no 込 category)")
        << "\n";
    out << "interim closing: " << YesNo(interim_)
        << (options_.interimClosing ? " (--interim)"
            : interimLine_          ? " (中決 on line " + std::to_string(interimLine_) + ")"
                                    : " (no 中決 line)")
        << "\n";
    out << "dropped: " << droppedValues_ << " values of the columns " << kDroppedColumns << "; "
        << departmentLines_ << " departments summed company-wide\n";
    out << "cut: " << cutDescriptions_ << " descriptions to 60 bytes; " << computedTaxes_
        << " taxes computed from the rate\n";
    out << "written " << options_.outDir << ": " << lines << " journal lines\n";

    // The trial balance: balances brought forward and the year's postings, tax included.
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> totals;
    auto base = [](std::int64_t code) { return code - code % 10000; };
    for (const auto& [code, balance] : openings_) {
        totals[base(code)].first += balance.first;
        totals[base(code)].second += balance.second;
    }
    for (const BookEntry& entry : entries_) {
        for (const BookLine& line : entry.lines) {
            if (line.debitCode) totals[base(line.debitCode)].first += line.debitAmount;
            if (line.creditCode) totals[base(line.creditCode)].second += line.creditAmount;
            if (line.debitTax) totals[inputTax_->code].first += line.debitTax;
            if (line.creditTax) totals[outputTax_->code].second += line.creditTax;
        }
    }
    out << "trial balance (code, account, debits, credits, balance):\n";
    std::int64_t debits = 0;
    std::int64_t credits = 0;
    for (const ChartAccount* account : chart_.InOrder()) {
        auto found = totals.find(account->code);
        if (found == totals.end()) continue;
        auto [debit, credit] = found->second;
        debits += debit;
        credits += credit;
        std::int64_t balance = account->side == "C" ? credit - debit : debit - credit;
        out << "  " << account->code << " " << account->name << " " << debit << " " << credit << " "
            << balance << "\n";
    }
    out << "  total " << debits << " " << credits
        << (debits == credits ? " (debits equal credits)" : "") << "\n";
    return out.str();
}

}  // namespace

ConvertResult ConvertInterchange(const ConvertOptions& options) {
    ConvertResult result;
    try {
        Chart chart;
        std::string error;
        if (!chart.Add(StandardChartText(), "the standard chart", &error)) throw Refusal{error};
        if (!options.chartPath.empty()) {
            std::string text;
            if (books::ReadRegularFile(options.chartPath, kMaxFileBytes, &text) !=
                books::ReadOutcome::kRead) {
                throw Refusal{options.chartPath + ": cannot be read"};
            }
            if (!options.utf8 && text.rfind("\xEF\xBB\xBF", 0) != 0) {
                std::string utf8;
                if (!sjis::SjisToUtf8(text, &utf8)) {
                    throw Refusal{
                        options.chartPath +
                        ": text is not Shift_JIS (convert a UTF-8 file with --encoding utf-8)"};
                }
                text = std::move(utf8);
            }
            if (!chart.Add(text, options.chartPath, &error)) throw Refusal{error};
        }
        Conversion conversion(options, chart);
        conversion.ReadOpenings();
        conversion.ReadJournal();
        conversion.CheckNames();
        conversion.BalanceOpenings();
        conversion.DecidePeriod();
        conversion.Infer();
        conversion.Convert();
        conversion.Write();
        result.report = conversion.Report();
        result.ok = true;
    } catch (const Refusal& refusal) {
        result.message = refusal.message;
    }
    return result;
}

}  // namespace convert

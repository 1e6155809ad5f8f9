#include "tools/convert/Converter.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "books/FileEncoding.h"
#include "books/Model.h"
#include "books/Paths.h"
#include "books/TextRules.h"
#include "common/Encoding.h"
#include "native/Failure.h"
#include "native/PathLock.h"
#include "native/TempFile.h"
#include "tools/convert/BooksFolder.h"
#include "tools/convert/Chart.h"
#include "tools/convert/InterchangeFile.h"
#include "tools/convert/InterchangeReadAhead.h"
#include "tools/convert/Refusal.h"

namespace convert {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

// The books' limits in Shift_JIS bytes.
constexpr std::size_t kDescriptionBytes = books::kDescriptionBytes;
constexpr std::size_t kNameBytes = books::kAccountNameBytes;
constexpr std::uint64_t kMaxChartBytes = std::uint64_t{16} << 20;

// The journal form's columns (1-based) of one side, the credit side 6 further on.
constexpr int kAccountColumn = 5;
constexpr int kCategoryColumn = 8;
constexpr int kAmountColumn = 9;
constexpr int kCreditOffset = 6;
constexpr std::size_t kDescriptionField = 16;
constexpr std::size_t kUsedFields = kJournalUsedFields;
constexpr std::size_t kFormFields = 25;

constexpr std::string_view kDroppedColumns =
    "番号, 期日, タイプ, 生成元, 仕訳メモ, 付箋1, 付箋2, 調整";
// Places a report lists of one kind, before it only counts them.
constexpr std::size_t kListedPlaces = 10;

std::string NotADate(std::string_view text) {
    return Say(Id::kConvNotADate, {{"text", text}});
}

std::string NotWholeYen(std::string_view text) {
    return Say(Id::kNotWholeYen, {{"text", text}});
}

// "3 fields", "1 field".
std::string Fields(std::size_t count) {
    return count == 1 ? Say(Id::kOneField) : Say(Id::kFields, {{"count", count}});
}

// The Shift_JIS form of a text the file reader has already found to have one.
std::string Sjis(std::string_view utf8) {
    std::string sjisText;
    sjis::Utf8ToSjis(utf8, &sjisText);
    return sjisText;
}

std::size_t SjisBytes(std::string_view utf8) {
    std::string sjis;
    return sjis::Utf8ToSjis(utf8, &sjis) ? sjis.size() : 0;
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

std::int32_t DayBefore(std::int32_t date) {
    int year = date / 10000;
    int month = date / 100 % 100;
    int day = date % 100 - 1;
    if (day == 0) {
        if (--month == 0) {
            month = 12;
            --year;
        }
        day = books::DaysInMonth(year, month);
    }
    return year * 10000 + month * 100 + day;
}

// Adds an amount to a sum of the books, which hold amounts as ten-thousandths of a yen in 64
// bits: a sum beyond that is refused, as the import would refuse it, by `at(why)`, which names
// the row that took the sum out of range.
template <typename At>
void Accumulate(std::int64_t* sum, std::int64_t amount, const At& at) {
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10000;
    if ((amount > 0 && *sum > kLimit - amount) || (amount < 0 && *sum < -kLimit - amount)) {
        throw Refusal{at(Say(Id::kSumsBeyondRange, {{"limit", kLimit}}))};
    }
    *sum += amount;
}

std::string YesNo(bool value) {
    return Say(value ? Id::kYes : Id::kNo);
}

// A voucher being read: its lines are written when its last line has come.
struct BookEntry {
    long line = 0;  // where the voucher begins
    std::string voucher;
    std::int32_t date = 0;
    std::vector<BookLine> lines;
};

// One side of an interchange line as the file gives it.
struct SideIn {
    std::string_view account;  // seen in the record being read
    std::string_view sub;
    TaxCategory category;
    std::int64_t amount = 0;
    std::int64_t tax = 0;
    bool taxGiven = false;
};

class Conversion {
public:
    Conversion(const ConvertOptions& options, const Chart& chart, const std::string& folder)
        : options_(options), chart_(chart), folder_(folder) {
        for (const ChartAccount* account : chart_.InOrder()) {
            if (account->natureValue == books::kInputTaxNature) inputTax_ = account;
            if (account->natureValue == books::kOutputTaxNature) outputTax_ = account;
        }
    }

    // The options that become texts of the books, checked as the import would check them.
    void CheckOptions() const;
    void ReadOpenings();
    // Starts the folder, so the journal is written as it is read.
    void Start() {
        writer_ = std::make_unique<BooksFolderWriter>(folder_, options_.outDir, options_.dataId);
    }
    void ReadJournal();
    void CheckNames() const;
    void BalanceOpenings();
    void DecidePeriod();
    void Write();
    std::string Report() const;

private:
    // Returns the debit and the credit amount as the file gives them, the tax inside.
    std::pair<std::int64_t, std::int64_t> ReadLine(const InterchangeRecord& record,
                                                   BookEntry* entry);
    SideIn ReadSide(const InterchangeRecord& record, int offset);
    void NoteCategory(const TaxCategory& category, long line, int column);
    void CheckCategory(const SideIn& side, long line, int column) const;
    std::string Description(std::string_view text, long line);
    std::int64_t Resolve(const std::string& file, long line, int column, std::string_view name,
                         std::string_view sub);
    void SplitTax(const SideIn& side, bool debitSide, long line, BookLine* booked,
                  std::vector<BookLine>* extra);
    void CloseEntry(BookEntry entry, std::int64_t debits, std::int64_t credits);
    bool Listed(const ChartAccount& account, bool manufacturing) const;

    const ConvertOptions& options_;
    const Chart& chart_;
    const std::string& folder_;
    const ChartAccount* inputTax_ = nullptr;
    const ChartAccount* outputTax_ = nullptr;

    std::unique_ptr<BooksFolderWriter> writer_;
    std::vector<std::pair<std::int32_t, long>> dates_;  // each entry's date and line
    std::size_t bookLines_ = 0;
    // The year's postings per account, tax included, for the trial balance.
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> postings_;
    std::map<std::int64_t, const ChartAccount*> used_;
    std::map<std::int64_t, std::vector<std::string>> subAccounts_;  // in order of first sight
    std::map<std::int64_t, std::map<std::string, std::int64_t, std::less<>>> subNumbers_;
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> openings_;
    // Balances by department, summed per account, and whether the openings gave the account
    // company-wide too (that balance then counts).
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> departmentOpenings_;
    std::map<std::int64_t, bool> companyWideOpenings_;
    long departmentAccountsSummed_ = 0;
    long departmentAccountsLeftOut_ = 0;
    long openingLine_ = 0;
    // A name the files use → the chart's name for it.
    std::map<std::string, std::string, std::less<>> aliases_;
    std::map<std::string, std::string> unknown_;  // name → where it stands
    std::map<std::string, std::string> totals_;   // the same for names of total accounts

    long skipped_ = 0;
    long linesRead_ = 0;
    long droppedValues_ = 0;
    long departments_ = 0;
    long droppedVouchers_ = 0;
    long openingRows_ = 0;
    long openingDepartmentRows_ = 0;
    long cutDescriptions_ = 0;
    long computedTaxes_ = 0;
    long inclusiveLine_ = 0;
    long includedLine_ = 0;
    long interimLine_ = 0;
    long emptyClosings_ = 0;
    long lineBreaks_ = 0;
    long transitionalCredits_ = 0;
    long otherDates_ = 0;
    std::string otherDatePlaces_;
    std::string manufacturingAccount_;
    std::optional<std::int32_t> openingDate_;
    std::int64_t retainedDifference_ = 0;

    std::int32_t from_ = 0;
    std::int32_t to_ = 0;
    std::string periodSource_;
};

void Conversion::CheckOptions() const {
    auto check = [](const char* option, const std::string& text, std::size_t limit) {
        std::string sjisText;
        std::string fault = !sjis::Utf8ToSjis(text, &sjisText)
                                ? Say(Id::kNoSjisFormOf, {{"text", text}})
                                : books::TextFault(sjisText, limit);
        if (fault.empty() && sjisText.empty()) fault = Say(Id::kValueRequired);
        if (!fault.empty()) throw Refusal{std::string(option) + ": " + fault};
        return sjisText;
    };
    check("--company", options_.company, books::kCompanyNameBytes);
    check("--user", options_.user, books::kUserIdBytes);
    if (!books::IsUsableDataId(check("--data-id", options_.dataId, books::kDataIdBytes))) {
        throw Refusal{"--data-id: " + Say(Id::kBadDataId)};
    }
    if (options_.periodFrom && options_.periodTo &&
        books::FiscalPosition(*options_.periodFrom, *options_.periodTo) > 12) {
        throw Refusal{"--period: " + Say(Id::kPeriodTooLongCalendar)};
    }
}

void Conversion::ReadOpenings() {
    if (options_.openingsPath.empty()) return;
    const std::string& file = options_.openingsPath;
    InterchangeFile input(file, options_.encoding, "期首日");
    InterchangeRecord record;
    while (input.Next(&record)) {
        const std::vector<std::string_view>& f = record.fields;
        if (f.size() < 6) {
            Refuse(file, record.line, 0,
                   Say(Id::kOpeningsFieldCount, {{"fields", Fields(f.size())}}));
        }
        // The form holds the balances of one day: a row of another day is not brought forward.
        std::optional<std::int32_t> date = ParseInterchangeDate(f[0]);
        if (!date) Refuse(file, record.line, 1, NotADate(f[0]));
        if (!openingDate_) {
            openingDate_ = date;
            openingLine_ = record.line;
        } else if (*date != *openingDate_) {
            Refuse(file, record.line, 1,
                   Say(Id::kOpeningsOtherDay,
                       {{"date", *date}, {"line", openingLine_}, {"first", *openingDate_}}));
        }
        ++openingRows_;
        bool debit = f[2] == "借方";
        if (!debit && f[2] != "貸方") Refuse(file, record.line, 3, Say(Id::kMustBeDebitOrCredit));
        std::optional<std::int64_t> amount = ParseWholeYen(f[5]);
        if (!amount) Refuse(file, record.line, 6, NotWholeYen(f[5]));
        std::int64_t code = Resolve(file, record.line, 2, f[1], f[3]);
        if (code == 0) continue;
        const bool byDepartment = !f[4].empty();
        if (byDepartment) {
            ++openingDepartmentRows_;
        } else {
            companyWideOpenings_[code] = true;
        }
        std::pair<std::int64_t, std::int64_t>& balance =
            (byDepartment ? departmentOpenings_ : openings_)[code];
        Accumulate(debit ? &balance.first : &balance.second, *amount,
                   [&](const std::string& why) { return At(file, record.line, 6, why); });
    }
    // An account given only by department has the sum of its departments, as the journal's
    // departments are summed; one given company-wide too has its company-wide balance.
    for (const auto& [code, balance] : departmentOpenings_) {
        if (companyWideOpenings_.count(code)) {
            ++departmentAccountsLeftOut_;
            continue;
        }
        ++departmentAccountsSummed_;
        openings_[code] = balance;
    }
}

void Conversion::ReadJournal() {
    const std::string& file = options_.journalPath;
    InterchangeFile journal(file, options_.encoding, "識別フラグ", kDescriptionField);
    InterchangeReadAhead input(journal);
    InterchangeRecord record;
    std::optional<BookEntry> open;
    std::int64_t debits = 0;
    std::int64_t credits = 0;
    while (input.Next(&record)) {
        const std::vector<std::string_view>& f = record.fields;
        // A row needs the 17 columns the books use; programs leave out the rest, or add empty
        // fields after the 25th (a trailing comma).
        if (f.size() < kUsedFields) {
            Refuse(file, record.line, 0,
                   Say(Id::kJournalFieldCount, {{"fields", Fields(f.size())}}));
        }
        for (std::size_t i = kFormFields; i < f.size(); ++i) {
            if (!f[i].empty()) {
                Refuse(file, record.line, static_cast<int>(i + 1), Say(Id::kBeyondJournalColumns));
            }
        }
        ++linesRead_;
        for (std::size_t i = kUsedFields; i < std::min(f.size(), kFormFields); ++i) {
            if (!f[i].empty()) ++droppedValues_;
        }
        std::string_view flag = f[0];
        const JournalFlag place = ParseJournalFlag(flag);
        bool single = place == JournalFlag::kOnly;
        bool first = single || place == JournalFlag::kFirst;
        if (place == JournalFlag::kNone) {
            Refuse(file, record.line, 1, Say(Id::kNotAFlag, {{"flag", flag}}));
        }
        if (first && open) {
            Refuse(file, record.line, 1, Say(Id::kVoucherNotClosed, {{"line", open->line}}));
        }
        if (!first && !open) {
            Refuse(file, record.line, 1, Say(Id::kNoFirstLine));
        }
        if (first) {
            open.emplace();
            open->line = record.line;
            open->voucher = f[1];
            std::optional<std::int32_t> date = ParseInterchangeDate(f[3]);
            if (!date) Refuse(file, record.line, 4, NotADate(f[3]));
            open->date = *date;
            debits = credits = 0;
        } else if (!f[3].empty()) {
            // A voucher takes its first line's date; a later line's own date is read only to
            // tell the user it was not kept.
            std::optional<std::int32_t> date = ParseInterchangeDate(f[3]);
            if (!date) Refuse(file, record.line, 4, NotADate(f[3]));
            if (*date != open->date) {
                if (++otherDates_ <= static_cast<long>(kListedPlaces)) {
                    otherDatePlaces_ +=
                        "\n  " + Say(Id::kOtherDatePlace, {{"line", record.line},
                                                           {"date", *date},
                                                           {"voucherLine", open->line},
                                                           {"voucherDate", open->date}});
                }
            }
        }
        auto [debit, credit] = ReadLine(record, &*open);
        Accumulate(&debits, debit, [&](const std::string& why) {
            return At(file, record.line, kAmountColumn, why);
        });
        Accumulate(&credits, credit, [&](const std::string& why) {
            return At(file, record.line, kAmountColumn + kCreditOffset, why);
        });
        if (single || place == JournalFlag::kLast) {
            CloseEntry(std::move(*open), debits, credits);
            open.reset();
        }
    }
    skipped_ = input.Skipped();
    if (open) Refuse(file, open->line, 1, Say(Id::kNoLastLine));
}

SideIn Conversion::ReadSide(const InterchangeRecord& record, int offset) {
    const std::vector<std::string_view>& f = record.fields;
    auto field = [&](int column) -> std::string_view {
        return f[static_cast<std::size_t>(column + offset - 1)];
    };
    SideIn side;
    side.account = field(kAccountColumn);
    side.sub = field(kAccountColumn + 1);
    if (!field(kAccountColumn + 2).empty()) ++departments_;
    side.category = ParseTaxCategory(field(kCategoryColumn));
    NoteCategory(side.category, record.line, kCategoryColumn + offset);
    std::optional<std::int64_t> amount = ParseWholeYen(field(kAmountColumn));
    if (!amount) {
        Refuse(options_.journalPath, record.line, kAmountColumn + offset,
               NotWholeYen(field(kAmountColumn)));
    }
    std::optional<std::int64_t> tax = ParseWholeYen(field(kAmountColumn + 1));
    if (!tax) {
        Refuse(options_.journalPath, record.line, kAmountColumn + 1 + offset,
               NotWholeYen(field(kAmountColumn + 1)));
    }
    side.amount = *amount;
    side.tax = *tax;
    side.taxGiven = !field(kAmountColumn + 1).empty();
    if (side.account.empty() && (side.amount != 0 || side.tax != 0)) {
        Refuse(options_.journalPath, record.line, kAmountColumn + offset,
               Say(Id::kAmountWithoutAccount));
    }
    CheckCategory(side, record.line, kCategoryColumn + offset);
    return side;
}

// A category's rate and share must be ones the books know, and only a category that relates the
// amount to a tax (内, 外, 別, 込) may carry a tax amount: any other would drop it.
void Conversion::CheckCategory(const SideIn& side, long line, int column) const {
    const TaxCategory& category = side.category;
    const std::string& file = options_.journalPath;
    if (category.twoRates) Refuse(file, line, column, Say(Id::kTwoRates));
    if (category.ratePercent != 0 && !IsKnownRate(category.ratePercent)) {
        Refuse(file, line, column, Say(Id::kUnknownRate, {{"rate", category.ratePercent}}));
    }
    if (category.sharePercent != 0 && !IsKnownShare(category.sharePercent)) {
        Refuse(file, line, column, Say(Id::kUnknownShare, {{"share", category.sharePercent}}));
    }
    if (category.mark == TaxMark::kNone && side.tax != 0) {
        Refuse(file, line, column + 2, Say(Id::kTaxWithoutCategory, {{"tax", side.tax}}));
    }
}

// The description as the books hold it: a line break inside a quoted description (spreadsheets
// write them) becomes a blank; any other control character is refused, as the import would.
std::string Conversion::Description(std::string_view text, long line) {
    std::string description;
    // Most descriptions hold no control character at all: they are taken whole.
    if (std::none_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        description = text;
    } else {
        description.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                description += ' ';
                ++lineBreaks_;
            } else {
                description += text[i];
            }
        }
        if (std::string fault = books::TextFault(description, std::string::npos); !fault.empty())
            Refuse(options_.journalPath, line, static_cast<int>(kDescriptionField + 1), fault);
    }
    // No character is longer in Shift_JIS than in UTF-8, so a short text needs no measuring.
    if (description.size() > kDescriptionBytes && SjisBytes(description) > kDescriptionBytes) {
        description = CutToBytes(description, kDescriptionBytes);
        ++cutDescriptions_;
    }
    return description;
}

// Books are kept tax-inclusive or not: one journal holding both kinds of category is refused.
void Conversion::NoteCategory(const TaxCategory& category, long line, int column) {
    if (category.mark == TaxMark::kInclusive && inclusiveLine_ == 0) inclusiveLine_ = line;
    if (category.mark == TaxMark::kIncluded && includedLine_ == 0) includedLine_ = line;
    if (inclusiveLine_ != 0 && includedLine_ != 0) {
        Refuse(options_.journalPath, line, column,
               Say(Id::kInclusiveAndExclusive,
                   {{"inclusive", inclusiveLine_}, {"exclusive", includedLine_}}));
    }
}

std::pair<std::int64_t, std::int64_t> Conversion::ReadLine(const InterchangeRecord& record,
                                                           BookEntry* entry) {
    const std::string& file = options_.journalPath;
    const std::vector<std::string_view>& f = record.fields;
    SideIn debit = ReadSide(record, 0);
    SideIn credit = ReadSide(record, kCreditOffset);
    if (debit.account.empty() && credit.account.empty()) {
        // Payroll exporters end every voucher with a last line that carries nothing.
        if (ParseJournalFlag(f[0]) == JournalFlag::kLast) {
            ++emptyClosings_;
            return {0, 0};
        }
        Refuse(file, record.line, kAccountColumn, Say(Id::kLineNeedsAccount));
    }
    BookLine line;
    std::string_view settlement = f[2];
    if (settlement == "中決") {
        if (!options_.interimClosing.value_or(true)) {
            Refuse(file, record.line, 3, Say(Id::kInterimInNoInterim));
        }
        line.position = books::kPositionInterim;
        if (interimLine_ == 0) interimLine_ = record.line;
    } else if (settlement == "本決") {
        line.position = books::kPositionYearEnd;
    } else if (!settlement.empty()) {
        Refuse(file, record.line, 3, Say(Id::kSettlement));
    }
    if (!debit.account.empty()) {
        line.debitCode = Resolve(file, record.line, kAccountColumn, debit.account, debit.sub);
        line.debitAmount = debit.amount;
    }
    if (!credit.account.empty()) {
        line.creditCode =
            Resolve(file, record.line, kAccountColumn + kCreditOffset, credit.account, credit.sub);
        line.creditAmount = credit.amount;
    }
    line.description = Description(f[kDescriptionField], record.line);
    std::vector<BookLine> extra;
    SplitTax(debit, true, record.line, &line, &extra);
    SplitTax(credit, false, record.line, &line, &extra);
    entry->lines.push_back(std::move(line));
    for (BookLine& taxLine : extra) entry->lines.push_back(std::move(taxLine));
    return {debit.amount, credit.amount};
}

// A 内 side holds a tax that tax-exclusive books separate: the amount less the tax stays on the
// line, the tax goes to the input-tax account for a purchase category and to the output-tax
// account for a sales one, on the line's own side, so a return reduces the tax account it belongs
// to. Where the line's tax column cannot carry it, the tax gets a line of its own. A journal with
// a 内 category holds no 込 one, so the books are tax-exclusive unless the user says otherwise.
void Conversion::SplitTax(const SideIn& side, bool debitSide, long line, BookLine* booked,
                          std::vector<BookLine>* extra) {
    const TaxCategory& category = side.category;
    if (options_.taxInclusive.value_or(false) || category.mark != TaxMark::kIncluded ||
        side.account.empty())
        return;
    if (!side.taxGiven && category.ratePercent == 0) {
        Refuse(options_.journalPath, line, kCategoryColumn + (debitSide ? 0 : kCreditOffset),
               Say(Id::kNoRateNoTax));
    }
    std::int64_t tax = side.taxGiven
                           ? side.tax
                           : TaxInsideAmount(side.amount, category.ratePercent, options_.rounding);
    // From a supplier not registered for invoices only a share of the tax is credited during the
    // transition; the rest is part of the cost and stays on the account.
    if (category.sharePercent != 0) {
        ++transitionalCredits_;
        if (!side.taxGiven) tax = ShareOf(tax, category.sharePercent, options_.rounding);
    }
    if (tax == 0) return;
    if (!side.taxGiven) ++computedTaxes_;
    TaxDirection direction = category.direction;
    if (direction == TaxDirection::kNone)
        direction = debitSide ? TaxDirection::kPurchase : TaxDirection::kSales;
    bool purchase = direction == TaxDirection::kPurchase;
    const ChartAccount* account = purchase ? inputTax_ : outputTax_;
    if (!account) {
        Refuse(options_.journalPath, line, kCategoryColumn + (debitSide ? 0 : kCreditOffset),
               Say(purchase ? Id::kNoInputTaxInChart : Id::kNoOutputTaxInChart));
    }
    used_[account->code] = account;
    bool natural = debitSide == purchase;
    if (debitSide) {
        booked->debitAmount -= tax;
        if (natural && booked->creditTax == 0) {
            booked->debitTax = tax;
            return;
        }
    } else {
        booked->creditAmount -= tax;
        if (natural && booked->debitTax == 0) {
            booked->creditTax = tax;
            return;
        }
    }
    BookLine taxLine;
    taxLine.position = booked->position;
    taxLine.description = booked->description;
    (debitSide ? taxLine.debitCode : taxLine.creditCode) = account->code;
    (debitSide ? taxLine.debitAmount : taxLine.creditAmount) = tax;
    extra->push_back(std::move(taxLine));
}

// A voucher balances as the file gives it, the tax inside the amounts.
void Conversion::CloseEntry(BookEntry entry, std::int64_t debits, std::int64_t credits) {
    if (debits != credits) {
        Refuse(options_.journalPath, entry.line, 0,
               Say(Id::kVoucherUnbalanced, {{"debits", debits}, {"credits", credits}}));
    }
    dates_.emplace_back(entry.date, entry.line);
    auto account = [](std::int64_t code) { return code - code % books::kSubAccountRadix; };
    for (const BookLine& line : entry.lines) {
        auto where = [&](const std::string& why) {
            return At(options_.journalPath, entry.line, 0, why);
        };
        if (line.debitCode)
            Accumulate(&postings_[account(line.debitCode)].first, line.debitAmount, where);
        if (line.creditCode)
            Accumulate(&postings_[account(line.creditCode)].second, line.creditAmount, where);
        if (line.debitTax) Accumulate(&postings_[inputTax_->code].first, line.debitTax, where);
        if (line.creditTax) Accumulate(&postings_[outputTax_->code].second, line.creditTax, where);
    }
    bookLines_ += entry.lines.size();
    if (!writer_->Entry(entry.voucher, entry.date, entry.lines) && !entry.voucher.empty())
        ++droppedVouchers_;
}

// Returns the code of the account or sub-account, 0 for a name the chart does not know or a total
// account, which sums others and takes no line of its own (noted, so that every such name is
// listed at once).
std::int64_t Conversion::Resolve(const std::string& file, long line, int column,
                                 std::string_view name, std::string_view sub) {
    const ChartAccount* account = chart_.Find(name);
    if (!account || account->IsTotal()) {
        std::string& where = (account ? totals_ : unknown_)[std::string(name)];
        // A name on every line of a large journal is listed by its first places only.
        if (where.size() < 200) {
            const std::string place =
                Say(Id::kPlace, {{"file", file}, {"line", line}, {"column", column}});
            where = where.empty() ? place : Say(Id::kListed, {{"first", where}, {"next", place}});
        } else if (where.back() != '.') {
            where += " ...";
        }
        return 0;
    }
    if (manufacturingAccount_.empty() &&
        (account->IsManufacturing() || name.rfind("[製]", 0) == 0)) {
        manufacturingAccount_ = name;
    }
    if (account->name != name && aliases_.find(name) == aliases_.end() && aliases_.size() < 1000)
        aliases_.emplace(name, account->name);
    used_[account->code] = account;
    if (sub.empty()) return account->code;
    std::map<std::string, std::int64_t, std::less<>>& numbers = subNumbers_[account->code];
    auto known = numbers.find(sub);
    if (known != numbers.end()) return account->code + known->second;
    // A sub-account's name is checked once, where it first appears, as the import checks it.
    const std::string sjisSub = Sjis(sub);
    if (std::string fault = books::NameTextFault(sjisSub, kNameBytes); !fault.empty())
        Refuse(file, line, column + 1, fault);
    std::vector<std::string>& subs = subAccounts_[account->code];
    if (subs.size() == 9999) Refuse(file, line, column + 1, Say(Id::kTooManySubAccounts));
    subs.emplace_back(sub);
    numbers.emplace(sub, static_cast<std::int64_t>(subs.size()));
    return account->code + static_cast<std::int64_t>(subs.size());
}

void Conversion::CheckNames() const {
    if (unknown_.empty() && totals_.empty()) return;
    std::string message;
    if (!totals_.empty()) {
        message = totals_.size() == 1 ? Say(Id::kPostsToTotal)
                                      : Say(Id::kPostsToTotals, {{"count", totals_.size()}});
        for (const auto& [name, where] : totals_)
            message += "\n" + Say(Id::kNameAt, {{"name", name}, {"where", where}});
    }
    if (!unknown_.empty()) {
        if (!message.empty()) message += "\n";
        message += unknown_.size() == 1 ? Say(Id::kUnknownName)
                                        : Say(Id::kUnknownNames, {{"count", unknown_.size()}});
        for (const auto& [name, where] : unknown_) {
            message += "\n" + Say(Id::kNameAt, {{"name", name}, {"where", where}}) + "\n" +
                       Say(Id::kChartLine, {{"name", CsvField(name)}});
        }
    }
    throw Refusal{message};
}

// Exporters leave retained earnings brought forward out of the opening balances: the difference
// is booked on 繰越利益.
void Conversion::BalanceOpenings() {
    auto openingsFile = [&](const std::string& why) {
        return Say(Id::kTheBalances, {{"file", options_.openingsPath}, {"why", why}});
    };
    std::int64_t debits = 0;
    std::int64_t credits = 0;
    for (const auto& [code, balance] : openings_) {
        Accumulate(&debits, balance.first, openingsFile);
        Accumulate(&credits, balance.second, openingsFile);
    }
    retainedDifference_ = debits - credits;
    if (retainedDifference_ == 0) return;
    const ChartAccount* retained = chart_.Find("繰越利益");
    if (!retained) {
        throw Refusal{Say(Id::kNoRetainedEarnings,
                          {{"file", options_.openingsPath}, {"difference", retainedDifference_}})};
    }
    used_[retained->code] = retained;
    std::pair<std::int64_t, std::int64_t>& balance = openings_[retained->code];
    if (retainedDifference_ > 0) {
        Accumulate(&balance.second, retainedDifference_, openingsFile);
    } else {
        Accumulate(&balance.first, -retainedDifference_, openingsFile);
    }
}

void Conversion::DecidePeriod() {
    if (options_.periodFrom && options_.periodTo) {
        from_ = *options_.periodFrom;
        to_ = *options_.periodTo;
        periodSource_ = "--period";
    } else {
        std::int32_t start = 0;
        if (openingDate_) {
            start = *openingDate_;
            periodSource_ = Say(Id::kFromOpeningsDate);
            // The books' fiscal months end with the calendar's.
            if (start % 100 != 1) {
                Refuse(options_.openingsPath, openingLine_, 1,
                       Say(Id::kBalancesNotFirstDay, {{"date", start}}));
            }
        } else {
            for (const auto& [date, line] : dates_) {
                if (start == 0 || date < start) start = date;
            }
            if (start == 0)
                throw Refusal{Say(Id::kNoJournalLine, {{"file", options_.journalPath}})};
            start = start / 100 * 100 + 1;
            periodSource_ = Say(Id::kFromFirstMonth);
        }
        from_ = start;
        to_ = YearEndFrom(start);
        // The books write dates of eight digits.
        if (to_ > 99991231) {
            throw Refusal{Say(Id::kPeriodAfter9999, {{"from", from_}, {"source", periodSource_}})};
        }
    }
    // Every date of the books is written with its era, and the books know none before 明治.
    constexpr std::int32_t kFirstEraDay = 18681023;
    if (from_ < kFirstEraDay) {
        throw Refusal{Say(Id::kPeriodBeforeEras,
                          {{"from", from_}, {"source", periodSource_}, {"first", kFirstEraDay}})};
    }
    for (const auto& [date, line] : dates_) {
        if (date < from_ || date > to_) {
            Refuse(options_.journalPath, line, 4,
                   Say(Id::kOutsidePeriodGive, {{"date", date}, {"from", from_}, {"to", to_}}));
        }
    }
}

// The folder lists the accounts the books use and the totals the statements need (those of the
// cost of goods manufactured only for books that keep it), in the chart's order.
// A chart taken whole is the company's own: every account of it is listed, as its books list it.
bool Conversion::Listed(const ChartAccount& account, bool manufacturing) const {
    if (used_.count(account.code) || chart_.KeepsFileOrder()) return true;
    return account.IsTotal() && (manufacturing || !account.IsManufacturing());
}

void Conversion::Write() {
    FolderBooks books;
    books.company.dataId = options_.dataId;
    books.company.name = options_.company;
    books.company.user = options_.user;
    books.company.from = from_;
    books.company.to = to_;
    books.company.manufacturing = options_.manufacturing.value_or(!manufacturingAccount_.empty());
    books.company.taxInclusive = options_.taxInclusive.value_or(inclusiveLine_ != 0);
    books.company.interimClosing = options_.interimClosing.value_or(interimLine_ != 0);
    for (const ChartAccount* account : chart_.InOrder()) {
        if (!Listed(*account, books.company.manufacturing)) continue;
        FolderAccount listed{account, {}};
        auto subs = subAccounts_.find(account->code);
        if (subs != subAccounts_.end()) listed.subAccounts = subs->second;
        books.accounts.push_back(std::move(listed));
    }
    books.openings = openings_;
    writer_->Finish(books);
}

std::string Conversion::Report() const {
    auto trialBalance = [](const std::string& why) {
        return Say(Id::kTheTrialBalance, {{"why", why}});
    };
    std::ostringstream out;
    // Memory that runs out fails the run, never cuts the report short unseen.
    out.exceptions(std::ios::badbit);
    out << Say(Id::kReportJournalRead, {{"file", options_.journalPath},
                                        {"entries", static_cast<long long>(dates_.size())},
                                        {"lines", linesRead_},
                                        {"skipped", skipped_},
                                        {"empty", emptyClosings_}})
        << "\n";
    if (!options_.openingsPath.empty()) {
        out << Say(Id::kReportOpeningsRead, {{"file", options_.openingsPath},
                                             {"rows", openingRows_},
                                             {"byDepartment", openingDepartmentRows_},
                                             {"summed", departmentAccountsSummed_},
                                             {"companyWide", departmentAccountsLeftOut_},
                                             {"difference", retainedDifference_}})
            << "\n";
    }
    if (!aliases_.empty()) {
        out << Say(Id::kReportAliases);
        for (const auto& [name, chartName] : aliases_)
            out << " " << name << " → " << chartName << ";";
        out << "\n";
    }
    std::size_t subs = 0;
    for (const auto& [code, names] : subAccounts_) subs += names.size();
    out << Say(Id::kReportAccountsUsed, {{"accounts", static_cast<long long>(used_.size())},
                                         {"subs", static_cast<long long>(subs)}})
        << "\n";
    out << Say(Id::kReportPeriod, {{"from", from_}, {"to", to_}, {"source", periodSource_}})
        << "\n";
    const bool manufacturing = options_.manufacturing.value_or(!manufacturingAccount_.empty());
    const std::string manufacturingWhy =
        options_.manufacturing ? std::string("--manufacturing")
        : manufacturingAccount_.empty()
            ? Say(Id::kNoManufacturingAccount)
            : Say(Id::kFromAccount, {{"account", manufacturingAccount_}});
    out << Say(Id::kReportManufacturing,
               {{"answer", YesNo(manufacturing)}, {"why", manufacturingWhy}})
        << "\n";
    // What a line of the journal told, unless an option said it.
    const auto told = [&](Id report, const std::optional<bool>& option, const char* optionName,
                          long line, Id onLine, Id none) {
        const std::string why = option ? std::string(optionName)
                                : line ? Say(onLine, {{"line", line}})
                                       : Say(none);
        out << Say(report, {{"answer", YesNo(option.value_or(line != 0))}, {"why", why}}) << "\n";
    };
    told(Id::kReportTaxInclusive, options_.taxInclusive, "--tax-inclusive", inclusiveLine_,
         Id::kInclusiveOnLine, Id::kNoInclusiveCategory);
    told(Id::kReportInterim, options_.interimClosing, "--interim", interimLine_, Id::kInterimOnLine,
         Id::kNoInterimLine);
    out << Say(Id::kReportDropped, {{"values", droppedValues_},
                                    {"columns", kDroppedColumns},
                                    {"departments", departments_},
                                    {"vouchers", droppedVouchers_}})
        << "\n";
    out << Say(Id::kReportCut, {{"descriptions", cutDescriptions_},
                                {"taxes", computedTaxes_},
                                {"breaks", lineBreaks_}})
        << "\n";
    out << Say(Id::kReportTransitional, {{"lines", transitionalCredits_}}) << "\n";
    out << Say(Id::kReportOtherDates, {{"lines", otherDates_}}) << otherDatePlaces_
        << (otherDates_ > static_cast<long>(kListedPlaces) ? "\n  ..." : "") << "\n";
    out << Say(Id::kReportWritten, {{"folder", options_.outDir}, {"lines", bookLines_}}) << "\n";

    // The balances brought forward and the year's postings, per account.
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> totals = postings_;
    for (const auto& [code, balance] : openings_) {
        std::pair<std::int64_t, std::int64_t>& total =
            totals[code - code % books::kSubAccountRadix];
        Accumulate(&total.first, balance.first, trialBalance);
        Accumulate(&total.second, balance.second, trialBalance);
    }
    out << Say(Id::kReportTrialBalance) << "\n";
    std::int64_t debits = 0;
    std::int64_t credits = 0;
    for (const ChartAccount* listed : chart_.InOrder()) {
        auto found = totals.find(listed->code);
        if (found == totals.end()) continue;
        auto [debit, credit] = found->second;
        Accumulate(&debits, debit, trialBalance);
        Accumulate(&credits, credit, trialBalance);
        std::int64_t balance = listed->side == "C" ? credit - debit : debit - credit;
        out << "  " << listed->code << " " << listed->name << " " << debit << " " << credit << " "
            << balance << "\n";
    }
    out << "  " << Say(Id::kReportTotal, {{"debits", debits}, {"credits", credits}})
        << (debits == credits ? " " + Say(Id::kDebitsEqualCredits) : std::string()) << "\n";
    return out.str();
}

void LoadChart(const ConvertOptions& options, Chart* chart) {
    std::string error;
    if (!options.chartOnly && !chart->Add(StandardChartText(), Say(Id::kStandardChart), &error)) {
        throw Refusal{error};
    }
    if (options.chartPath.empty()) {
        if (options.chartOnly) throw Refusal{"--chart-only: " + Say(Id::kNamesNoChart)};
        return;
    }
    std::string raw;
    if (books::ReadRegularFile(options.chartPath, kMaxChartBytes, &raw) !=
        books::ReadOutcome::kRead) {
        throw Refusal{Say(Id::kInputUnreadable, {{"file", options.chartPath}})};
    }
    // Read as the import reads a text of its own, then back into UTF-8, the chart's own text.
    std::string sjisText;
    long line = 0;
    std::string why;
    if (!books::WholeTextToSjis(raw, options.encoding, &sjisText, &why, &line)) {
        if (line > 0) Refuse(options.chartPath, line, 0, why);
        throw Refusal{options.chartPath + ": " + why};
    }
    std::string text;
    sjis::SjisToUtf8(sjisText, &text);
    if (options.chartOnly) chart->KeepFileOrder();
    if (!chart->Add(text, options.chartPath, &error)) throw Refusal{error};
}

}  // namespace

ConvertResult ConvertInterchange(const ConvertOptions& options) {
    ConvertResult result;
    native::PathLock lock;
    switch (lock.Take(options.outDir, kFolderLockWaitMilliseconds)) {
        case native::PathLock::Outcome::kHeld:
            break;
        case native::PathLock::Outcome::kBusy:
            result.message = Say(Id::kConvertBusy, {{"folder", options.outDir}});
            return result;
        case native::PathLock::Outcome::kFailed:
            throw *lock.Failure();
    }
    native::RequireNewFolder(options.outDir);
    native::TempFolder folder(options.outDir);
    result = ConvertInto(options, folder.Path());
    if (result.ok) folder.Keep();
    return result;
}

ConvertResult ConvertInto(const ConvertOptions& options, const std::string& folder) {
    ConvertResult result;
    try {
        Chart chart;
        LoadChart(options, &chart);
        Conversion conversion(options, chart, folder);
        conversion.CheckOptions();
        // The openings first: their sub-accounts are numbered before the journal's.
        conversion.ReadOpenings();
        conversion.Start();
        conversion.ReadJournal();
        conversion.CheckNames();
        conversion.BalanceOpenings();
        conversion.DecidePeriod();
        std::string report = conversion.Report();
        conversion.Write();
        result.report = std::move(report);
        result.ok = true;
    } catch (const Refusal& refusal) {
        result.message = refusal.message;
    }
    return result;
}

std::int32_t YearEndFrom(std::int32_t start) {
    return DayBefore(start + 10000);
}

}  // namespace convert

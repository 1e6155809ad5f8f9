#include "tools/interchange/JournalWriter.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "books/Csv.h"
#include "books/Model.h"
#include "books/Store.h"
#include "common/Encoding.h"
#include "native/Calls.h"
#include "native/Failure.h"
#include "native/RunFiles.h"
#include "native/TempFile.h"
#include "tools/interchange/InterchangeWords.h"
#include "messages/kcbooks/KcbooksMessages.h"
#include "messages/tools/ToolMessages.h"

namespace books::interchange {
namespace {

// Amounts are kept in ten-thousandths of a yen; the form holds whole yen.
constexpr std::int64_t kYen = 10000;

using kcbooks_messages::Id;
using kcbooks_messages::Say;

// One row of the form: fields separated by commas, a field quoted only when it holds a comma, a
// quote or a line break. Shift_JIS trail bytes are 0x40 and above, so a byte search for those
// three never meets half a character.
class RowBuilder {
public:
    explicit RowBuilder(OutputEncoding encoding) : encoding_(encoding) {}

    void Start() { row_.clear(); }
    // False when a UTF-8 file is asked for and the text is not valid Shift_JIS.
    bool Text(std::string_view sjisText) {
        Separate();
        if (encoding_ == OutputEncoding::kUtf8) {
            if (!sjis::SjisToUtf8(sjisText, &converted_)) return false;
            sjisText = converted_;
        }
        AppendCsvField(sjisText, &row_);
        return true;
    }
    // The form's own words are ASCII or Shift_JIS literals that need no quotes.
    void Word(std::string_view sjisWord) {
        Separate();
        if (encoding_ == OutputEncoding::kUtf8) {
            sjis::SjisToUtf8(sjisWord, &converted_);
            row_ += converted_;
        } else {
            row_ += sjisWord;
        }
    }
    void Number(std::int64_t value) {
        Separate();
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
        row_.append(digits, end);
    }
    void Empty(int count = 1) {
        for (int i = 0; i < count; ++i) Separate();
    }
    // The row with its line end; CR LF, as the programs that read the form expect.
    std::string_view End() {
        row_ += "\r\n";
        fields_ = 0;
        return row_;
    }

private:
    void Separate() {
        if (fields_++ > 0) row_ += ',';
    }
    OutputEncoding encoding_;
    std::string row_;
    std::string converted_;
    int fields_ = 0;
};

struct ChartAccount {
    std::string name;  // Shift_JIS
    int flag = 0;
    SummarySlots slots{};
};

struct DataSetInfo {
    std::int64_t dataNo = 0;
    std::string dataId;
    std::int64_t periodFrom = 0;
    bool taxInclusive = false;
};

class InterchangeExport {
public:
    InterchangeExport(Database& db, const ExportOptions& options)
        : db_(db), options_(options), row_(options.encoding) {}

    ExportSummary Run(RowSink& journal, RowSink* openings) {
        if (FindDataSet() && LoadChart() && (!openings || WriteOpenings(*openings)) &&
            WriteJournal(journal)) {
            summary_.ok = true;
        }
        return summary_;
    }

private:
    bool Fail(const std::string& message) {
        summary_.message = message;
        return false;
    }
    bool StoreFailed() { return Fail(Say(Id::kStoreUnreadable, {{"reason", db_.Error()}})); }
    bool WriteFailed() { return Fail(Say(Id::kFileNotWritten)); }

    bool FindDataSet() {
        Statement sets(db_,
                       "SELECT data_no, data_id, period_from, tax_inclusive FROM company "
                       "ORDER BY data_no");
        std::vector<DataSetInfo> found;
        int rc = sets.Ok() ? sets.Step() : SQLITE_ERROR;
        for (; rc == SQLITE_ROW; rc = sets.Step()) {
            found.push_back(
                {sets.Int(0), std::string(sets.Blob(1)), sets.Int(2), sets.Int(3) != 0});
        }
        if (rc != SQLITE_DONE) return StoreFailed();
        if (options_.dataNo == 0 && found.size() != 1) {
            std::string numbers;
            for (const DataSetInfo& set : found) {
                const std::string one =
                    std::to_string(set.dataNo) + " " + sjis::SjisToUtf8Lossy(set.dataId);
                numbers =
                    numbers.empty() ? one : Say(Id::kListed, {{"first", numbers}, {"next", one}});
            }
            return Fail(Say(Id::kChooseDataSet, {{"count", found.size()}, {"sets", numbers}}));
        }
        for (const DataSetInfo& set : found) {
            if (options_.dataNo == 0 || set.dataNo == options_.dataNo) {
                set_ = set;
                summary_.dataId = sjis::SjisToUtf8Lossy(set.dataId);
                return true;
            }
        }
        return Fail(Say(Id::kNoDataSetNumbered, {{"number", options_.dataNo}}));
    }

    bool LoadChart() {
        Statement chart(db_, "SELECT code, name, flag, slots FROM accounts WHERE data_no=?");
        if (!chart.Ok()) return StoreFailed();
        chart.Bind(1, set_.dataNo);
        int rc = chart.Step();
        for (; rc == SQLITE_ROW; rc = chart.Step()) {
            ChartAccount& account = chart_[static_cast<std::int32_t>(chart.Int(0))];
            account.name = chart.Blob(1);
            account.flag = static_cast<int>(chart.Int(2));
            std::string_view slots = chart.Blob(3);
            if (slots.size() == sizeof(account.slots))
                std::memcpy(account.slots.data(), slots.data(), slots.size());
        }
        return rc == SQLITE_DONE || StoreFailed();
    }

    // The account's name and the sub-account's, as the books name them.
    bool AccountNames(std::int32_t code) {
        std::int32_t accountCode = code - code % kSubAccountRadix;
        auto account = chart_.find(accountCode);
        if (account == chart_.end()) return Fail(Say(Id::kAccountNotInChart, {{"code", code}}));
        if (!row_.Text(account->second.name)) return Unconvertible(account->second.name);
        if (accountCode == code) {
            row_.Empty();
            return true;
        }
        auto sub = chart_.find(code);
        if (sub == chart_.end()) return Fail(Say(Id::kAccountNotInChart, {{"code", code}}));
        return row_.Text(sub->second.name) || Unconvertible(sub->second.name);
    }

    bool Unconvertible(std::string_view text) {
        return Fail(Say(Id::kNotShiftJisInStore, {{"text", sjis::SjisToUtf8Lossy(text)}}));
    }

    // One side of a journal line: account, sub-account, department (the books keep none), tax
    // category, amount and tax amount, in whole yen.
    //
    // The books keep, per side, the amount without tax and the tax, never a tax category: debit
    // tax is input tax and credit tax output tax. So a side without tax is 対象外, and a side with
    // tax is written as a purchase on the debit side and a sale on the credit side, the amount
    // including its tax and the tax given as it is, so that a reader books the same figures:
    // tax-exclusive books as 内 (the reader takes the tax out of the amount into the input-tax or
    // output-tax account, as the books do), tax-inclusive books as 込 (the amount is booked as it
    // is, which is what those books' statements show). The rate in the category is the standard
    // one: the books keep no rate, and the given tax amount is what counts.
    bool Side(std::int32_t code, std::int64_t gross, std::int64_t tax, bool debit) {
        if (code == 0) {
            row_.Empty(4);
            row_.Number(0);
            row_.Number(0);
            return true;
        }
        if (!AccountNames(code)) return false;
        row_.Empty();
        if (tax == 0) {
            row_.Word(kNoTax);
        } else if (set_.taxInclusive) {
            row_.Word(debit ? kPurchaseTaxIncluded : kSalesTaxIncluded);
        } else {
            row_.Word(debit ? kPurchaseTaxSeparated : kSalesTaxSeparated);
        }
        row_.Number(gross);
        row_.Number(tax);
        return true;
    }

    // A side's figures: ten-thousandths as the books keep them, whole yen as the form has them.
    struct SideFigures {
        std::int32_t code = 0;
        std::int64_t amount = 0, tax = 0;    // ten-thousandths, the amount without the tax
        std::int64_t gross = 0, taxYen = 0;  // whole yen, the amount with the tax
        std::int64_t moved = 0;              // what rounding added to the amount with the tax
    };
    struct Line {
        std::int64_t entry = 0, voucher = 0, date = 0, position = 0, kind = 0;
        SideFigures debit, credit;
        std::string description;
    };

    // Whole yen, half away from zero, and how far rounding moved the amount (in ten-thousandths);
    // counts the amounts that held a fraction. Worked from the remainder, so that no amount near
    // the 64-bit limits overflows.
    std::int64_t Yen(std::int64_t tenThousandths, std::int64_t* moved = nullptr) {
        std::int64_t yen = tenThousandths / kYen;
        std::int64_t rest = tenThousandths % kYen;  // the sign of the amount
        std::int64_t step = rest >= kYen / 2 ? 1 : rest <= -kYen / 2 ? -1 : 0;
        if (rest != 0) ++summary_.amountsRounded;
        if (moved) *moved = step * kYen - rest;
        return yen + step;
    }

    // The form holds whole yen. Each amount is rounded to the nearest yen; when that leaves the
    // voucher unbalanced, the side that rounding moved furthest in the direction of the
    // difference takes it, so that a reader can book the voucher. True when a side took it.
    bool RoundVoucher(std::span<Line> voucher) {
        std::int64_t difference = 0;  // yen, debits less credits
        for (Line& l : voucher) {
            for (SideFigures* side : {&l.debit, &l.credit}) {
                if (side->code == 0) continue;
                side->gross = Yen(side->amount + side->tax, &side->moved);
                side->taxYen = Yen(side->tax);
            }
            difference += l.debit.gross - l.credit.gross;
        }
        if (difference == 0) return false;
        SideFigures* furthest = nullptr;
        std::int64_t furthestMove = 0;
        for (Line& l : voucher) {
            for (SideFigures* side : {&l.debit, &l.credit}) {
                if (side->code == 0) continue;
                std::int64_t move = side->moved;
                // A credit rounded down unbalances like a debit rounded up.
                if (side == &l.credit) move = -move;
                if (difference < 0) move = -move;
                if (!furthest || move > furthestMove) {
                    furthest = side;
                    furthestMove = move;
                }
            }
        }
        bool isCredit = false;
        for (Line& l : voucher) isCredit = isCredit || furthest == &l.credit;
        furthest->gross += isCredit ? difference : -difference;
        return true;
    }

    // A row per journal line. The voucher number and the date are written on every line: readers
    // take the first line's, and a line that repeats them reads the same anywhere.
    bool PutLine(RowSink& sink, const Line& l, std::string_view flag) {
        row_.Start();
        row_.Word(flag);
        row_.Number(l.voucher);
        row_.Word(l.position == kPositionInterim   ? kInterimSettlement
                  : l.position == kPositionYearEnd ? kYearEndSettlement
                                                   : std::string_view());
        row_.Number(l.date);
        if (!Side(l.debit.code, l.debit.gross, l.debit.taxYen, true) ||
            !Side(l.credit.code, l.credit.gross, l.credit.taxYen, false)) {
            return false;
        }
        // The books allow 60 bytes of description, within the form's 64: nothing is ever cut.
        static_assert(kDescriptionBytes >= 60);
        if (!row_.Text(l.description)) return Unconvertible(l.description);
        // 番号, 期日, タイプ, 生成元, 仕訳メモ, 付箋1, 付箋2, 調整: the books keep none of them.
        row_.Empty(kJournalColumns - 17);
        ++summary_.lines;
        return sink.Put(row_.End()) || WriteFailed();
    }

    bool PutVoucher(RowSink& sink, std::span<const Line> voucher) {
        for (std::size_t i = 0; i < voucher.size(); ++i) {
            std::string_view flag = voucher.size() == 1       ? kFlagOneLine
                                    : i == 0                  ? kFlagFirst
                                    : i + 1 == voucher.size() ? kFlagLast
                                                              : kFlagMiddle;
            if (!PutLine(sink, voucher[i], flag)) return false;
        }
        return true;
    }

    // The form gives a voucher one date, which a reader books every line on. So an entry whose
    // lines carry several dates goes as one voucher per date, in date order, each date's lines in
    // their order; that books the same figures only when each date's lines balance by themselves,
    // and an entry whose dates do not is refused rather than moved into another month.
    bool PutEntry(RowSink& sink, std::vector<Line>& entry) {
        ++summary_.entries;
        // The kind a reader gives an entry it reads: 0 for one line, 34 for several.
        if (entry.front().kind != (entry.size() == 1 ? 0 : 34)) ++summary_.kindsDropped;
        const std::int64_t key = entry.front().entry;
        const std::int64_t voucherNumber = entry.front().voucher;
        const auto dateOf = [](const Line& l) { return l.date; };
        if (std::ranges::adjacent_find(entry, std::ranges::not_equal_to(), dateOf) != entry.end()) {
            std::ranges::stable_sort(entry, std::ranges::less(), dateOf);
        }
        vouchers_.clear();
        for (auto begin = entry.begin(); begin != entry.end();) {
            auto end = std::find_if(begin, entry.end(),
                                    [&](const Line& l) { return l.date != begin->date; });
            vouchers_.emplace_back(begin, end);
            begin = end;
        }
        if (vouchers_.size() > 1) {
            if (!EachDateBalances(key, voucherNumber)) return false;
            ++summary_.entriesSplit;
        }
        bool balancedByAYen = false;
        for (std::span<Line> voucher : vouchers_) {
            balancedByAYen = RoundVoucher(voucher) || balancedByAYen;
            if (!PutVoucher(sink, voucher)) return false;
        }
        if (balancedByAYen) ++summary_.entriesBalanced;
        entry.clear();
        return true;
    }

    // False, with the refusal, when the lines of a date do not balance (debits and credits with
    // their tax, in ten-thousandths as the books keep them).
    bool EachDateBalances(std::int64_t key, std::int64_t voucherNumber) {
        const std::span<Line>* unbalanced = nullptr;
        for (const std::span<Line>& date : vouchers_) {
            std::int64_t debits = 0, credits = 0;
            bool fits = true;
            for (const Line& l : date) {
                fits = fits && AddChecked(debits, l.debit.amount, &debits) &&
                       AddChecked(debits, l.debit.tax, &debits) &&
                       AddChecked(credits, l.credit.amount, &credits) &&
                       AddChecked(credits, l.credit.tax, &credits);
            }
            if (!fits || debits != credits) {
                unbalanced = &date;
                break;
            }
        }
        if (!unbalanced) return true;
        std::string dated;
        for (const std::span<Line>& date : vouchers_) {
            const std::string day = std::to_string(date.front().date);
            dated = dated.empty() ? day : Say(Id::kListed, {{"first", dated}, {"next", day}});
        }
        return Fail(Say(Id::kVoucherPerDate, {{"data", summary_.dataId},
                                              {"entry", key},
                                              {"voucher", voucherNumber},
                                              {"dates", dated},
                                              {"date", unbalanced->front().date}}));
    }

    bool WriteJournal(RowSink& sink) {
        Statement lines(db_,
                        "SELECT entry, line, voucher, date, position, kind, debit_code, "
                        "debit_amount, debit_tax, credit_code, credit_amount, credit_tax, "
                        "description FROM journal WHERE data_no=? ORDER BY entry, line");
        if (!lines.Ok()) return StoreFailed();
        lines.Bind(1, set_.dataNo);
        std::vector<Line> entry;
        int rc = lines.Step();
        for (; rc == SQLITE_ROW; rc = lines.Step()) {
            if (!entry.empty() && entry.front().entry != lines.Int(0) && !PutEntry(sink, entry)) {
                return false;
            }
            Line& l = entry.emplace_back();
            l.entry = lines.Int(0);
            l.voucher = lines.Int(2);
            l.date = lines.Int(3);
            l.position = lines.Int(4);
            l.kind = lines.Int(5);
            l.debit.code = static_cast<std::int32_t>(lines.Int(6));
            l.debit.amount = lines.Int(7);
            l.debit.tax = lines.Int(8);
            l.credit.code = static_cast<std::int32_t>(lines.Int(9));
            l.credit.amount = lines.Int(10);
            l.credit.tax = lines.Int(11);
            l.description = lines.Blob(12);
        }
        if (rc != SQLITE_DONE) return StoreFailed();
        return entry.empty() || PutEntry(sink, entry);
    }

    // One row per posting account with a balance brought forward, on the side the balance lies
    // on, rounded to the nearest yen. The store keeps the openings of sub-accounts within their
    // account's, so each row names an account only. 繰越利益 is left out, as the programs that
    // write the form do: the reader takes the difference of the balances as its balance.
    bool WriteOpenings(RowSink& sink) {
        Statement chart(db_, "SELECT code FROM accounts WHERE data_no=? ORDER BY ord");
        if (!chart.Ok()) return StoreFailed();
        chart.Bind(1, set_.dataNo);
        int rc = chart.Step();
        for (; rc == SQLITE_ROW; rc = chart.Step()) {
            std::int32_t code = static_cast<std::int32_t>(chart.Int(0));
            const ChartAccount& account = chart_[code];
            if (code % kSubAccountRadix != 0 || account.flag == 2 || account.flag == 3) continue;
            std::int64_t balance = 0;
            SummarySlots slots = account.slots;
            if (!AddChecked(Slot(slots, kDebitNet, 0), -Slot(slots, kCreditNet, 0), &balance)) {
                return Fail(Say(Id::kOpeningBeyond64Bits, {{"code", code}}));
            }
            if (balance == 0) continue;
            if (account.name == kRetainedEarningsBroughtForward) {
                summary_.leftOutAccount = sjis::SjisToUtf8Lossy(account.name);
                continue;
            }
            row_.Start();
            row_.Number(set_.periodFrom);
            if (!row_.Text(account.name)) return Unconvertible(account.name);
            row_.Word(balance > 0 ? kDebit : kCredit);
            row_.Empty(2);
            row_.Number(Yen(balance > 0 ? balance : -balance));
            ++summary_.openingRows;
            if (!sink.Put(row_.End())) return WriteFailed();
        }
        return rc == SQLITE_DONE || StoreFailed();
    }

    Database& db_;
    ExportOptions options_;
    RowBuilder row_;
    DataSetInfo set_;
    std::unordered_map<std::int32_t, ChartAccount> chart_;
    std::vector<std::span<Line>> vouchers_;  // the entry being written, a voucher per date
    ExportSummary summary_;
};

}  // namespace

ExportSummary WriteInterchange(Database& store, const ExportOptions& options, RowSink& journal,
                               RowSink* openings) {
    return InterchangeExport(store, options).Run(journal, openings);
}

namespace {

// A file of the export: a temporary beside its target (native::TempFile) until both files are
// complete. The floor raises a failed write; the rows' writer is told only that it failed, and
// the failure goes on to the caller once the writer has stopped.
class TemporarySink : public RowSink {
public:
    explicit TemporarySink(const std::string& target) : file_(target) {}
    bool Put(std::string_view bytes) override {
        try {
            file_.Write(bytes);
            return true;
        } catch (const native::Failure& failure) {
            failure_.emplace(failure);
            return false;
        }
    }
    void RaiseFailure() const {
        if (failure_) throw *failure_;
    }
    // Every byte written out, before either file takes its target's place.
    void Complete() { file_.CloseHandle(); }
    void Keep() { file_.Keep(); }

private:
    native::TempFile file_;
    std::optional<native::Failure> failure_;
};

// Why `target` may not be written, or empty: it is another file of the run (the store, or the
// other target), or something that is no regular file stands at its name.
std::string RefusedTarget(native::RunFiles& run, const std::string& target, Id role) {
    if (std::optional<std::string> clash = run.AddTarget(target, Say(role))) {
        if (*clash == Say(Id::kRoleStore)) return Say(Id::kTargetIsStore, {{"file", target}});
        return Say(Id::kTargetClash, {{"file", target}, {"role", *clash}});
    }
    native::FileState state;
    if (native::TheCalls().status(target, true, &state) == 0 && !state.isPlainFile) {
        return target + ": " + tool_messages::KindReason(native::FailureKind::kNotPlainFile);
    }
    return std::string();
}

}  // namespace

ExportSummary ExportInterchange(const std::string& storePath, const std::string& journalPath,
                                const std::string& openingsPath, const ExportOptions& options) {
    ExportSummary summary;
    native::RunFiles run;
    run.Add(storePath, Say(Id::kRoleStore));
    summary.message = RefusedTarget(run, journalPath, Id::kRoleJournal);
    if (summary.message.empty() && !openingsPath.empty()) {
        summary.message = RefusedTarget(run, openingsPath, Id::kRoleOpenings);
    }
    if (!summary.message.empty()) return summary;
    Database db;
    if (!db.OpenReadOnly(storePath) || !db.IsStore()) {
        summary.message = kcbooks_messages::NotABooksStore(storePath, db.Error());
        return summary;
    }
    TemporarySink journal(journalPath);
    std::optional<TemporarySink> openings;
    if (!openingsPath.empty()) openings.emplace(openingsPath);
    summary = WriteInterchange(db, options, journal, openings ? &*openings : nullptr);
    journal.RaiseFailure();
    if (openings) openings->RaiseFailure();
    if (!summary.ok) return summary;
    journal.Complete();
    if (openings) openings->Complete();
    journal.Keep();
    if (openings) openings->Keep();
    return summary;
}

}  // namespace books::interchange

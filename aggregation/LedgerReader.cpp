#include "aggregation/LedgerReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "aggregation/CmnProcHpr.h"
#include "aggregation/SelectedData.h"
#include "aggregation/SummarySlots.h"
#include "common/LedgerCounter.h"
#include "common/Sjis.h"
#include "common/StatementLabel.h"

namespace {

constexpr std::uint32_t kOutsideAggregation = 0x08000000;
constexpr std::uint32_t kOutsideAggregationCredit = 0x08000080;
constexpr std::uint32_t kOutputTax = 0x80484010;
constexpr std::uint32_t kInputTax = 0x80880810;
constexpr std::int32_t kRadix = 10000;
constexpr std::uint8_t kSideCreditOnly = 1;
constexpr std::uint8_t kSideDebitOnly = 2;
// The token by which the ledger view names the work area.
constexpr std::uint32_t kWorkAreaToken = 1;

StFINDINFO Search(std::int32_t item, std::int16_t comparison, std::int32_t value) {
    StFINDINFO find{};
    find.item = item;
    find.comparison = comparison;
    find.valueType = findtype::kValue32;
    find.value32 = value;
    find.link = findlink::kLast;
    return find;
}

// Date, month position, voucher, department, entry, line.
StORDERINFO LineOrder() {
    StORDERINFO order{};
    const std::int32_t items[] = {orderitem::kDate,     orderitem::kMonthPosition,
                                  orderitem::kVoucher,  orderitem::kDepartment,
                                  orderitem::kEntryKey, orderitem::kLine};
    for (int i = 0; i < 6; ++i) {
        order.keys[i].item = items[i];
        order.keys[i].last = i == 5 ? 1 : 0;
    }
    return order;
}

}  // namespace

int LedgerReader::FindAccount(std::int32_t code, StKAMOKUINFO* account) {
    auto* accounts = static_cast<ClSetKamoku*>(ClDataMgr::Inst().GetSetObject(setkind::kKamoku, 1));
    if (!accounts) return kAccountsUnreadable;
    LedgerCursor cursor = 0;
    if (accounts->GetCursor(&cursor) != 0) return kAccountsUnreadable;
    if (accounts->ReadyCursor(cursor) != 0) {
        accounts->ReleaseCursor(cursor);
        return kAccountsUnreadable;
    }
    StFINDINFO find =
        Search(finditem::kAccountCode, findcmp::kEqual, code < kRadix ? code * kRadix : code);
    std::int32_t rc = accounts->WalkFind(&find, account, cursor);
    accounts->ReleaseCursor(cursor);
    return rc == 0 ? 1 : rc == kLedgerEnd ? 0 : kAccountsUnreadable;
}

// The journal scan of a compound line: whether the lines of its entry before it balance,
// tax included. `status` becomes 0 when the journal cursor cannot be created.
bool LedgerReader::EntryBalancesBefore(const StDATAINFO& company, const StMOTOCHOINFO& line,
                                       int* status) {
    std::unique_ptr<ClRuleShiwake> journal(new (std::nothrow) ClRuleShiwake);
    if (!journal) {
        *status = 0;
        return false;
    }
    journal->AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
    journal->SetCurDataID(company.dataId);
    journal->AttachOptLink(ClLinkMgr::Inst().GetOptLink());
    search_ = Search(finditem::kEntryKey, findcmp::kEqual, line.entry);
    // A journal that cannot be read gives no answer: an unread entry would pass for balanced.
    std::uint32_t count = 0;
    if (journal->MoveReady(&search_, &order_, nullptr, _ECursorType_Entry) != 0 ||
        journal->GetSwkCount(&search_, nullptr, &count) != 0) {
        *status = 0;
        return false;
    }
    std::int64_t debits = 0;
    std::int64_t credits = 0;
    // Every line of the entry is read: a 16-bit count would stop at 32,768.
    for (std::uint32_t k = 0; k < count; ++k) {
        StSWKTINFO earlier{};
        std::int32_t rc = k == 0 ? journal->MoveFirst(&earlier) : journal->MoveNext(&earlier);
        if (rc != 0) {
            *status = 0;
            return false;
        }
        if (earlier.line == line.line) break;
        debits = CheckedAdd(debits, CheckedAdd(earlier.debitAmount, earlier.debitTax));
        credits = CheckedAdd(credits, CheckedAdd(earlier.creditAmount, earlier.creditTax));
    }
    return debits == credits;
}

int LedgerReader::FindAccountCached(std::int32_t code, const StKAMOKUINFO** account) {
    auto it = accountCache_.find(code);
    if (it != accountCache_.end()) {
        *account = &it->second;
        return 1;
    }
    StKAMOKUINFO found{};
    int rc = FindAccount(code, &found);
    if (rc == 1) *account = &accountCache_.emplace(code, found).first->second;
    return rc;
}

LedgerReader::~LedgerReader() = default;

void LedgerReader::Start(std::int32_t taxBasis, const PeriodConditions& period,
                         const StDATAINFO& company) {
    deferredTaxBasis_ = taxBasis;
    deferredPeriod_ = period;
    deferredCompany_ = company;
    deferredAccounts_.clear();
    nextDeferred_ = 0;
    accountOpen_ = false;
    ledgerFailed_ = false;
    dateTexts_.clear();
    accountCache_.clear();
    tally_ = LedgerTally{};
}

bool LedgerReader::Defer(const StKAMOKUSUMINFO& summary) {
    try {
        deferredAccounts_.push_back(summary);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (KeepsLedger(summary)) {
        ++tally_.accounts;
        tally_.movement += Movement(deferredTaxBasis_, deferredPeriod_, deferredCompany_, summary);
    }
    return true;
}

double LedgerReader::Movement(std::int32_t taxBasis, const PeriodConditions& period,
                              const StDATAINFO& company, const StKAMOKUSUMINFO& summary) {
    std::int64_t debits[kSlotCount];
    std::int64_t credits[kSlotCount];
    std::memcpy(debits, taxBasis ? summary.debitTax : summary.debit, sizeof(debits));
    std::memcpy(credits, taxBasis ? summary.creditTax : summary.credit, sizeof(credits));
    try {
        const slots::SpanSlots span(period, company);
        const double debit = static_cast<double>(span.Movement(debits).Value());
        const double credit = static_cast<double>(span.Movement(credits).Value());
        return (debit < 0 ? -debit : debit) + (credit < 0 ? -credit : credit);
    } catch (const AmountOverflow&) {
        return 0;
    }
}

bool LedgerReader::KeepsLedger(const StKAMOKUSUMINFO& summary) {
    return summary.exclusion == 0 && summary.noLedger1 != 1 && summary.noLedger2 != 1 &&
           summary.nature != kOutsideAggregation && summary.nature != kOutsideAggregationCredit;
}

int LedgerReader::CollectLedgerLines(std::int32_t taxBasis, const StDATAINFO* company,
                                     const PeriodConditions* period, StKAMOKUSUMINFO summary) {
    if (!company || !period || !ledger_) return 0;
    int opened = OpenAccountLedger(taxBasis, *company, *period, summary);
    if (opened != 1) return opened == 2 ? 1 : 0;
    for (;;) {
        LedgerLine line{};
        int rc = ReadLedgerLine(*company, &line);
        if (rc == 0) return 1;
        if (rc < 0) return 0;
        try {
            ledger_->Append() = line;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
}

int LedgerReader::Next(LedgerLine* line) {
    if (ledgerFailed_) return -1;
    for (;;) {
        if (!accountOpen_) {
            if (nextDeferred_ >= deferredAccounts_.size()) return 0;
            int opened = OpenAccountLedger(deferredTaxBasis_, deferredCompany_, deferredPeriod_,
                                           deferredAccounts_[nextDeferred_++]);
            if (opened == 2) continue;
            if (opened == 0) {
                ledgerFailed_ = true;
                return -1;
            }
            accountOpen_ = true;
        }
        // Every field of the line is written by the read.
        int rc = ReadLedgerLine(deferredCompany_, line);
        if (rc == 1) return 1;
        accountOpen_ = false;
        if (rc < 0) {
            ledgerFailed_ = true;
            return -1;
        }
    }
}

int LedgerReader::OpenAccountLedger(std::int32_t taxBasis, const StDATAINFO& company,
                                    const PeriodConditions& period,
                                    const StKAMOKUSUMINFO& summary) {
    if (!KeepsLedger(summary)) return 2;
    if (!ledgerCursor_) {
        ledgerCursor_.reset(new (std::nothrow) ClRuleMotocho);
        if (!ledgerCursor_) return 0;
        AttachToSelectedData(*ledgerCursor_);
    }
    // The opening balance, by the aggregation's rule.
    std::int64_t debits[kSlotCount];
    std::int64_t credits[kSlotCount];
    std::memcpy(debits, taxBasis ? summary.debitTax : summary.debit, sizeof(debits));
    std::memcpy(credits, taxBasis ? summary.creditTax : summary.credit, sizeof(credits));
    open_ = OpenLedger{};
    open_.taxBasis = taxBasis;
    open_.code = summary.code;
    open_.debitNormal = summary.side == 1;
    open_.accountPart = summary.code / kRadix;
    open_.taxAccount = summary.nature == kOutputTax || summary.nature == kInputTax;
    std::int64_t openingDebit = 0;
    std::int64_t openingCredit = 0;
    try {
        const slots::SpanSlots span(period, company);
        openingDebit = span.Opening(debits, summary.nature).Value();
        openingCredit = span.Opening(credits, summary.nature).Value();
    } catch (const AmountOverflow&) {
        return 0;
    }
    open_.balance = open_.debitNormal ? openingDebit - openingCredit : openingCredit - openingDebit;

    PlanLedgerParts(period);
    ++tally_.accountsOpened;
    tally_.movementOpened += Movement(taxBasis, period, company, summary);
    return StartLedgerPart(0, company) ? 1 : 0;
}

// The ledger services list an account's lines by date first, as the accounting product's own
// services do: asked for a span, they would put an interim line among the sixth month's lines, or
// after the seventh month's where it is dated later. The interim settlement closes the sixth month
// whatever its lines' dates, so the reader asks for it on its own, between the sixth month's lines
// and the seventh's: the ledger then runs in the order the statements add the slots up.
void LedgerReader::PlanLedgerParts(const PeriodConditions& period) {
    const std::int16_t s = period.StartPosition();
    const std::int16_t e = period.EndPosition();
    constexpr std::int16_t kSixth = PeriodConditions::kInterimAfter;
    auto add = [this](std::int16_t start, std::int16_t end, bool interim) {
        open_.parts[open_.partCount++] = LedgerPart{start, end, interim};
    };
    if (!period.CarriesInterim()) {
        add(s, e, false);
        return;
    }
    if (s <= kSixth) add(s, std::min(e, kSixth), false);
    add(PeriodConditions::kInterimSettlement, PeriodConditions::kInterimSettlement, true);
    if (e > kSixth) add(std::max<std::int16_t>(s, kSixth + 1), e, false);
}

bool LedgerReader::StartLedgerPart(std::size_t part, const StDATAINFO& company) {
    open_.part = part;
    open_.count = 0;
    open_.read = 0;
    SetLedgerView(part, company);
    search_ = Search(finditem::kMonthPosition,
                     open_.parts[part].interim ? findcmp::kEqual : findcmp::kNotEqual,
                     PeriodConditions::kInterimSettlement);
    order_ = LineOrder();
    ledgerCursor_->MoveReady(&search_, &order_, &ledgerView_);
    std::uint32_t n = 0;
    if (ledgerCursor_->GetCount(&search_, &ledgerView_, &n) != 0) return false;
    if (ledgerCursor_->SetMovePos(0) != 0) return false;
    open_.count = n;
    tally_.linesCounted += n;
    return true;
}

void LedgerReader::SetLedgerView(std::size_t part, const StDATAINFO& company) {
    const LedgerPart& read = open_.parts[part];
    ledgerView_ = StMOTOCHOHYOJIINFO{};
    ledgerView_.code = open_.code;
    ledgerView_.workArea = kWorkAreaToken;
    if (read.interim) {
        // The settlement's lines may be dated on any day of the year: the summaries count them
        // all in its slot, so the ledger reads them all.
        ledgerView_.interimEnd = 1;
        ledgerView_.firstDay = company.periodFrom;
        ledgerView_.lastDay = company.periodTo;
        return;
    }
    ClSetMgr* sets = ClDataMgr::Inst().GetSetMgr();
    auto* dataSet = sets ? static_cast<ClSetData*>(sets->GetSetObject(setkind::kData, 1)) : nullptr;
    ClAccPeriod* fiscal = dataSet ? dataSet->GetAccPeriod() : nullptr;
    if (!fiscal) return;
    std::int32_t first = 0;
    std::int32_t last = 0;
    fiscal->GetPeriodByMonthKind(read.start, &first, &last, 0);
    ledgerView_.firstDay = first;
    first = last = 0;
    fiscal->GetPeriodByMonthKind(read.end, &first, &last, 0);
    ledgerView_.lastDay = last;
}

int LedgerReader::ReadLedgerLine(const StDATAINFO& company, LedgerLine* record) {
    for (;;) {
        int rc = ReadPartLine(company, record);
        if (rc != 0) return rc;
        if (open_.part + 1 >= open_.partCount) break;
        if (!StartLedgerPart(open_.part + 1, company)) return -1;
    }
    ledgerCursor_->MoveFinish();
    ledgerCursor_.reset();
    return 0;
}

int LedgerReader::ReadPartLine(const StDATAINFO& company, LedgerLine* record) {
    const std::int32_t taxBasis = open_.taxBasis;
    const bool debitNormal = open_.debitNormal;
    const std::int32_t accountPart = open_.accountPart;
    int status = 0;
    // An account that cannot be found reads as a zero-filled record: no name, no nature.
    static const StKAMOKUINFO kNoAccount{};
    try {
        // Every line is read: a 16-bit count would silently drop lines past 32,768.
        while (open_.read < open_.count) {
            ++tally_.linesRead;
            if (countPulses_) {
                ++pendingPulses_;
            } else if (progress_) {
                progress_->Pulse();
            }
            // The cursor fills the whole record.
            StMOTOCHOINFO line;
            status =
                open_.read == 0 ? ledgerCursor_->MoveFirst(&line) : ledgerCursor_->MoveNext(&line);
            ++open_.read;
            if (status != 0) break;

            const bool throughTaxOnly = open_.taxAccount &&
                                        accountPart != line.debitCode / kRadix &&
                                        accountPart != line.creditCode / kRadix;
            std::int64_t dr = line.debitAmount;
            std::int64_t cr = line.creditAmount;
            if (taxBasis == 1) {
                dr = CheckedAdd(line.debitAmount, line.debitTax);
                cr = CheckedAdd(line.creditAmount, line.creditTax);
            } else if (throughTaxOnly) {
                dr = line.debitTax;
                cr = line.creditTax;
            }
            std::int64_t change = 0;
            if (line.side == kSideCreditOnly) {
                change = debitNormal ? -cr : cr;
            } else if (line.side == kSideDebitOnly) {
                change = debitNormal ? dr : -dr;
            } else {
                change = debitNormal ? CheckedAdd(dr, -cr) : CheckedAdd(cr, -dr);
            }

            // The counter-account, or "諸口" where the entry has several.
            const std::int64_t entryDebit = CheckedAdd(line.debitAmount, line.debitTax);
            const std::int64_t entryCredit = CheckedAdd(line.creditAmount, line.creditTax);
            const std::int32_t counterCode =
                line.side == kSideCreditOnly ? line.debitCode : line.creditCode;
            const std::int32_t ownCode =
                line.side == kSideCreditOnly ? line.creditCode : line.debitCode;
            const StKAMOKUINFO* counter = &kNoAccount;
            const StKAMOKUINFO* counterSub = &kNoAccount;
            const StKAMOKUINFO* ownSub = &kNoAccount;
            const ledger_counter::Counter told =
                ledger_counter::CounterOf(line.side, line.kind, entryDebit, entryCredit, line.line);
            bool several = told == ledger_counter::Counter::kSeveral;
            // The journal is scanned only where nothing else tells.
            if (told == ledger_counter::Counter::kAskEntry) {
                int journalStatus = 1;
                several = !EntryBalancesBefore(company, line, &journalStatus);
                if (journalStatus == 0) return -1;
            }
            // An account that cannot be looked up fails the ledger: a line without its
            // counter-account's name would be filed as complete.
            if (!several) {
                if (FindAccountCached(counterCode / kRadix, &counter) == kAccountsUnreadable)
                    return -1;
                if (counterCode % kRadix != 0 &&
                    FindAccountCached(counterCode, &counterSub) == kAccountsUnreadable) {
                    return -1;
                }
            }
            if (ownCode % kRadix != 0 &&
                FindAccountCached(ownCode, &ownSub) == kAccountsUnreadable) {
                return -1;
            }

            if (change == 0 || counter->nature == kOutsideAggregation ||
                counter->nature == kOutsideAggregationCredit || (taxBasis != 0 && throughTaxOnly)) {
                continue;
            }
            record->code = open_.code;
            record->voucher = line.voucher;
            auto date = dateTexts_.find(line.date);
            if (date == dateTexts_.end()) {
                CmnProcHpr dates;
                date = dateTexts_.emplace(line.date, dates.FormatDate(line.date, 0, 0)).first;
            }
            sjis::CopyBounded(record->date, sizeof(record->date), date->second, 30);
            sjis::CopyBounded(record->ownSubAccount, sizeof(record->ownSubAccount),
                              sjis::FieldText(ownSub->name, sizeof(ownSub->name)), 30);
            sjis::CopyBounded(record->counterAccount, sizeof(record->counterAccount),
                              several ? sjis::SeveralAccounts()
                                      : sjis::FieldText(counter->name, sizeof(counter->name)),
                              30);
            sjis::CopyBounded(record->counterSubAccount, sizeof(record->counterSubAccount),
                              sjis::FieldText(counterSub->name, sizeof(counterSub->name)), 30);
            sjis::CopyBounded(record->description, sizeof(record->description),
                              sjis::FieldText(line.description, sizeof(line.description)), 60);
            record->change = change;
            open_.balance = CheckedAdd(open_.balance, change);
            record->balance = open_.balance;
            return 1;
        }
    } catch (const AmountOverflow&) {
        return -1;
    }
    return status != 0 && status != kLedgerEnd ? -1 : 0;
}

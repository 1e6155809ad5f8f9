#include "aggregation/StatementData.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/Decimal.h"
#include "common/Sjis.h"

namespace {

// The retained-earnings account whose opening is carried, and the line that receives it.
constexpr std::uint32_t kRetainedEarningsBroughtForward = 0x80202010;
constexpr std::uint32_t kRetainedEarningsCarried = 0x40200020;
constexpr std::uint32_t kCarriedForwardBit = 0x80000000;

constexpr int kLastMonthSlot = 12;

// The sum of slots first..last of an array, both ends included, within the months' slots.
Amount SumSlots(const std::int64_t (&slots)[kSlotCount], int first, int last) {
    Amount sum;
    for (int slot = std::max(first, 0); slot <= std::min(last, kLastMonthSlot); ++slot) {
        sum += Amount::FromValue(slots[slot]);
    }
    return sum;
}

}  // namespace

StatementData::~StatementData() {
    settingsStore_.reset();
    ledgerCursor_.reset();
    summaryCursor_.reset();
}

void StatementData::Advance(double from, double to) {
    if (progress_)
        progress_->Advance(static_cast<std::int16_t>(from), static_cast<std::int16_t>(to));
}

int StatementData::AggregateAccounts(std::int32_t taxBasis, const PeriodConditions* period,
                                     const StDATAINFO* company) {
    if (!period || !company || !figures_) return 0;
    const int d = outputLedger_ ? 10 : 1;
    Advance(0, 1000 / d);
    if (!summaryCursor_) {
        summaryCursor_.reset(new (std::nothrow) ClRuleKamoku);
        if (!summaryCursor_) return 0;
        summaryCursor_->AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
        auto* dataSet = static_cast<ClSetData*>(ClDataMgr::Inst().GetSetObject(setkind::kData, 1));
        const StDATAINFO* selected = dataSet ? dataSet->GetSelectedInfo() : nullptr;
        summaryCursor_->SetCurDataID(selected ? selected->dataId : "");
        summaryCursor_->AttachOptLink(ClLinkMgr::Inst().GetOptLink());
    }
    Advance(1000 / d, 3000 / d);
    summaryCursor_->MoveReady(_RuleKamokuSumType_Base_On, _RuleKamokuSumType_Bmn_Off,
                              _RuleKamokuSumType_Disptype_Off, period->entries, nullptr,
                              _RuleKamokuSumType_Past_Off);
    std::uint32_t n = 0;
    if (summaryCursor_->GetSumCount(&n) != 0) return 0;
    Advance(3000 / d, 4000 / d);
    progressPosition_ = 4000.0 / d;
    if (n > 0) progressStep_ = static_cast<double>(7000u / n);
    if (summaryCursor_->SetMovePos(0) != 0) return 0;

    Amount retained;
    int status = 0;
    try {
        status = WalkSummaries(taxBasis, *period, *company, n, &retained);
    } catch (const AmountOverflow&) {
        status = kAmountOverflow;
    }
    if (status != 0 && status != kLedgerEnd) return status;

    // The brought-forward retained earnings reach the statement's carried line only when the
    // period does not start with the data's balances.
    const std::int16_t intro = company->introPosition;
    const std::int16_t start = period->StartPosition();
    bool startsAtDataStart = intro != 0 ? start <= intro : start == 1;
    if (!startsAtDataStart) {
        for (auto it = figures_->rbegin(); it != figures_->rend(); ++it) {
            if ((*it)->nature != kRetainedEarningsCarried) continue;
            try {
                (*it)->closing = (*it)->closing + retained;
            } catch (const AmountOverflow&) {
                return kAmountOverflow;
            }
            break;
        }
    }
    Advance(progressPosition_, progressPosition_ + 1000);
    progressPosition_ += 1000;
    summaryCursor_->MoveFinish();
    summaryCursor_.reset();
    return 1;
}

// Reads every summary (all n of them: a 16-bit counter would stop at 32,768 accounts) and
// appends a figure per listed account. 0 when all were read, else the code that ended the walk.
int StatementData::WalkSummaries(std::int32_t taxBasis, const PeriodConditions& period,
                                 const StDATAINFO& company, std::uint32_t n, Amount* retained) {
    const int s = period.StartPosition();
    const int e = period.EndPosition();
    const std::int16_t intro = company.introPosition;
    const bool startsAtDataStart = intro != 0 ? s <= intro : s == 1;
    const bool yearEndIncluded = period.Entry(2).link != 0 && period.Entry(3).value16 == 18;
    const bool interimIncluded = company.interimClosing == 1 && e == 6;

    for (std::uint32_t k = 0; k < n; ++k) {
        if (progress_) progress_->PulseDetail();
        StKAMOKUSUMINFO summary{};
        std::int32_t rc = summaryCursor_->MoveNext(&summary);
        if (rc != 0) return rc;
        // The record is packed: its arrays are copied out before they are read.
        std::int64_t debits[kSlotCount];
        std::int64_t credits[kSlotCount];
        std::memcpy(debits, taxBasis ? summary.debitTax : summary.debit, sizeof(debits));
        std::memcpy(credits, taxBasis ? summary.creditTax : summary.credit, sizeof(credits));
        const bool debitSide = summary.side == 1;

        Amount openingDebit;
        Amount openingCredit;
        if (summary.nature & kCarriedForwardBit) {
            openingDebit = SumSlots(debits, 0, s - 1);
            openingCredit = SumSlots(credits, 0, s - 1);
        } else if (startsAtDataStart) {
            openingDebit = Amount::FromValue(debits[0]);
            openingCredit = Amount::FromValue(credits[0]);
        }
        Amount opening = debitSide ? Amount::Difference(openingDebit, openingCredit)
                                   : Amount::Difference(openingCredit, openingDebit);
        if (summary.nature == kRetainedEarningsBroughtForward) *retained = opening;

        Amount periodDebit = SumSlots(debits, s, e);
        Amount periodCredit = SumSlots(credits, s, e);
        if (yearEndIncluded) {
            periodDebit += Amount::FromValue(debits[kSlotYearEnd]);
            periodCredit += Amount::FromValue(credits[kSlotYearEnd]);
        }
        if (interimIncluded) {
            periodDebit += Amount::FromValue(debits[kSlotInterim]);
            periodCredit += Amount::FromValue(credits[kSlotInterim]);
        }
        Amount closing =
            debitSide ? Amount::Difference(Amount::BoundedSum(opening, periodDebit), periodCredit)
                      : Amount::Difference(Amount::BoundedSum(opening, periodCredit), periodDebit);

        if (summary.exclusion != 1) {
            std::unique_ptr<AccountFigure> figure(new (std::nothrow) AccountFigure);
            if (!figure) return kAllocationFailed;
            figure->code = summary.code;
            sjis::CopyBounded(figure->name, sizeof(figure->name),
                              sjis::FieldText(summary.name, sizeof(summary.name)), 30);
            sjis::CopyBounded(figure->label, sizeof(figure->label),
                              sjis::FieldText(summary.label, sizeof(summary.label)), 30);
            figure->opening = opening.Value();
            figure->movement = Amount::Difference(closing, opening).Value();
            figure->closing = closing.Value();
            figure->nature = summary.nature;
            figure->exclusion = static_cast<std::int8_t>(summary.exclusion);
            figures_->push_back(std::move(figure));
        }
        if (outputLedger_ && progressPosition_ < 7000.0) {
            // The general ledger of the account is collected here.
            Advance(progressPosition_, progressPosition_ + progressStep_);
            progressPosition_ += progressStep_;
        }
    }
    return 0;
}

int StatementData::ReadNotesSetting(std::int16_t kind, std::string* text, std::int32_t* length) {
    text->clear();
    settingsStore_.reset(new (std::nothrow) ClSaveKessansho);
    if (!settingsStore_) return 0;
    settingsStore_->AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
    auto* dataSet = static_cast<ClSetData*>(ClDataMgr::Inst().GetSetObject(setkind::kData, 1));
    const StDATAINFO* selected = dataSet ? dataSet->GetSelectedInfo() : nullptr;
    settingsStore_->SetCurDataID(selected ? selected->dataId : "");
    settingsStore_->AttachOptLink(ClLinkMgr::Inst().GetOptLink());
    char* buffer = nullptr;
    std::int32_t size = 0;
    std::int32_t rc = settingsStore_->GetDataType02(kind, &buffer, &size);
    if (rc != 0 || !buffer) {
        if (buffer) CoTaskMemFree(buffer);
        return 0;
    }
    text->assign(buffer);
    CoTaskMemFree(buffer);
    if (length) *length = size;
    return 1;
}

namespace {

// The decimal value at `pos`, which ends at the first CR, LF or the end of the text.
std::int32_t ValueAt(const std::string& text, std::size_t pos) {
    std::size_t end = text.find_first_of("\r\n", pos);
    return ParseDecimal(std::string_view(text).substr(
        pos, end == std::string::npos ? std::string::npos : end - pos));
}

}  // namespace

int StatementData::IsNotesInputEnabled() {
    std::string text;
    if (!ReadNotesSetting(100, &text, nullptr)) return 0;
    std::size_t mode = text.find("InputMode");
    if (mode == std::string::npos) return 0;
    std::size_t equals = text.find('=', mode);
    if (equals == std::string::npos) return 0;
    return ValueAt(text, equals + 1) > 0 ? 1 : 0;
}

int StatementData::IsNotesOutputEnabled() {
    std::string text;
    if (!ReadNotesSetting(0, &text, nullptr)) return 0;
    std::size_t note = text.find("Note=");
    if (note == std::string::npos || note + 5 >= text.size()) return 0;
    return ValueAt(text, note + 5) > 0 ? 1 : 0;
}

void StatementData::ReadNoteDisplayFlags(unsigned char (&flags)[kNoteGroups]) {
    std::string text;
    if (!ReadNotesSetting(100, &text, nullptr) || text.empty()) return;
    // A header is taken to be nine characters long, as "[Note_16]"; a section without its own
    // "Disp=" takes the next section's value.
    constexpr std::size_t kHeaderLength = 9;
    std::size_t pos = 0;
    for (int entry = 0; entry < kNoteGroups;) {
        std::size_t header = text.find("[Note_", pos);
        if (header == std::string::npos) return;
        std::size_t disp = text.find("Disp=", std::min(header + kHeaderLength, text.size()));
        if (disp == std::string::npos) return;
        std::size_t value = disp + 5;
        flags[entry++] = static_cast<unsigned char>(ValueAt(text, value) & 0xFF);
        if (value >= text.size()) return;
        pos = value;
    }
}

int StatementData::ReadNotesText(std::string* text) {
    if (!ReadNotesSetting(1000, text, nullptr)) text->clear();
    return 1;
}

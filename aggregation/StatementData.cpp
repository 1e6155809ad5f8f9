#include "aggregation/StatementData.h"

#include <cstring>
#include <new>

#include "aggregation/LedgerReader.h"
#include "aggregation/SelectedData.h"
#include "aggregation/SummarySlots.h"
#include "common/Sjis.h"

namespace {

// The retained-earnings account whose opening is carried, and the line that receives it.
constexpr std::uint32_t kRetainedEarningsBroughtForward = 0x80202010;
constexpr std::uint32_t kRetainedEarningsCarried = 0x40200020;

}  // namespace

StatementData::~StatementData() = default;

int StatementData::AggregateAccounts(std::int32_t taxBasis, const PeriodConditions* period,
                                     const StDATAINFO* company) {
    if (!period || !company || !figures_) return 0;
    if (progress_) progress_->SummariesStarted(outputLedger_ != 0);
    if (!summaryCursor_) {
        summaryCursor_.reset(new (std::nothrow) ClRuleKamoku);
        if (!summaryCursor_) return 0;
        AttachToSelectedData(*summaryCursor_);
    }
    if (progress_) progress_->SummariesCursorMade();
    summaryCursor_->MoveReady(_RuleKamokuSumType_Base_On, _RuleKamokuSumType_Bmn_Off,
                              _RuleKamokuSumType_Disptype_Off, period->entries, nullptr,
                              _RuleKamokuSumType_Past_Off);
    std::uint32_t n = 0;
    if (summaryCursor_->GetSumCount(&n) != 0) return 0;
    if (progress_) progress_->SummariesCounted(n);
    if (summaryCursor_->SetMovePos(0) != 0) return 0;

    if (ledgerReader_) ledgerReader_->Start(taxBasis, *period, *company);
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
    if (!slots::SpanSlots(*period, *company).StartsAtDataStart()) {
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
    if (progress_) progress_->AccountsDone();
    summaryCursor_->MoveFinish();
    summaryCursor_.reset();
    return 1;
}

// Reads every summary (all n of them: a 16-bit counter would stop at 32,768 accounts) and
// appends a figure per listed account. 0 when all were read, else the code that ended the walk.
int StatementData::WalkSummaries(std::int32_t taxBasis, const PeriodConditions& period,
                                 const StDATAINFO& company, std::uint32_t n, Amount* retained) {
    const slots::SpanSlots span(period, company);

    for (std::uint32_t k = 0; k < n; ++k) {
        if (progress_) progress_->Pulse();
        StKAMOKUSUMINFO summary{};
        std::int32_t rc = summaryCursor_->MoveNext(&summary);
        if (rc != 0) return rc;
        // The record is packed: its arrays are copied out before they are read.
        std::int64_t debits[kSlotCount];
        std::int64_t credits[kSlotCount];
        std::memcpy(debits, taxBasis ? summary.debitTax : summary.debit, sizeof(debits));
        std::memcpy(credits, taxBasis ? summary.creditTax : summary.credit, sizeof(credits));
        const bool debitSide = summary.side == 1;

        const Amount openingDebit = span.Opening(debits, summary.nature);
        const Amount openingCredit = span.Opening(credits, summary.nature);
        Amount opening = debitSide ? Amount::Difference(openingDebit, openingCredit)
                                   : Amount::Difference(openingCredit, openingDebit);
        if (summary.nature == kRetainedEarningsBroughtForward) *retained = opening;

        const Amount periodDebit = span.Movement(debits);
        const Amount periodCredit = span.Movement(credits);
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
        if (outputLedger_) {
            // An account whose ledger cannot be read whole fails the export: a general ledger
            // with an account missing would be filed as complete.
            if (!ledgerReader_) return kLedgerFailed;
            if (ledgerReader_->ReadWhileWritten()) {
                if (!ledgerReader_->Defer(summary)) return kAllocationFailed;
            } else if (!ledgerReader_->CollectLedgerLines(taxBasis, &company, &period, summary)) {
                return kLedgerFailed;
            }
        }
        if (progress_) progress_->AccountDone();
    }
    return 0;
}

#pragma once

// The aggregation: one pass of the account-summary cursor, and per account its opening,
// movement and closing balance for the chosen months, in the account's balance direction. With
// the general ledger, each account is handed to the ledger reader as the pass reaches it.

#include <cstdint>
#include <memory>

#include "aggregation/Amount.h"
#include "aggregation/Figures.h"
#include "aggregation/PeriodConditions.h"
#include "ledger/Services.h"
#include "progress/ExportProgress.h"

class LedgerReader;

class StatementData {
public:
    // Failure codes of AggregateAccounts beyond the cursor's own.
    static constexpr int kAllocationFailed = -1001;
    // A balance reached 10^18 ten-thousandths: the figures cannot be trusted.
    static constexpr int kAmountOverflow = -1002;
    // An account's general ledger could not be read whole: the ledger would be incomplete.
    static constexpr int kLedgerFailed = -1003;

    StatementData() = default;
    ~StatementData();
    StatementData(const StatementData&) = delete;
    StatementData& operator=(const StatementData&) = delete;

    // Set by the export run before aggregating.
    void SetProgress(ExportProgress* progress) { progress_ = progress; }
    void SetFigureList(AccountFigureList* figures) { figures_ = figures; }
    void SetOutputLedger(std::int32_t outputLedger) { outputLedger_ = outputLedger; }
    // Where the accounts go when the ledger is output; without one, that ledger fails.
    void SetLedgerReader(LedgerReader* reader) { ledgerReader_ = reader; }

    // 1 on success; 0 when the cursor cannot be created or prepared; otherwise the cursor's
    // failure code, kAllocationFailed, kAmountOverflow or kLedgerFailed.
    int AggregateAccounts(std::int32_t taxBasis, const PeriodConditions* period,
                          const StDATAINFO* company);

private:
    int WalkSummaries(std::int32_t taxBasis, const PeriodConditions& period,
                      const StDATAINFO& company, std::uint32_t count, Amount* retained);

    ExportProgress* progress_ = nullptr;
    AccountFigureList* figures_ = nullptr;
    LedgerReader* ledgerReader_ = nullptr;
    std::int32_t outputLedger_ = 0;
    std::unique_ptr<ClRuleKamoku> summaryCursor_;
};

#pragma once

// The general ledger of the accounts the aggregation hands over: per account its lines of the
// period with the counter-account, the change and the running balance. The lines are collected
// into the ledger list as each account is handed over, or, read while written, the accounts are
// only noted and the writer takes their lines from Next.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "aggregation/Figures.h"
#include "aggregation/PeriodConditions.h"
#include "ledger/Services.h"
#include "progress/ExportProgress.h"

class LedgerReader : public LedgerLineSource {
public:
    LedgerReader() = default;
    ~LedgerReader() override;
    LedgerReader(const LedgerReader&) = delete;
    LedgerReader& operator=(const LedgerReader&) = delete;

    // Set by the export run before aggregating.
    void SetProgress(ExportProgress* progress) { progress_ = progress; }
    void SetLedgerList(LedgerLineList* ledger) { ledger_ = ledger; }
    // Read as it is written, the ledger holds one account's lines at a time, not the books'.
    void SetReadWhileWritten(bool deferred) { deferred_ = deferred; }
    bool ReadWhileWritten() const { return deferred_; }

    // A new aggregation over the period: the accounts noted and the names looked up go.
    void Start(std::int32_t taxBasis, const PeriodConditions& period, const StDATAINFO& company);
    // Notes the account to be read as the ledger is written; false when memory ran out.
    bool Defer(const StKAMOKUSUMINFO& summary);
    // Appends the account's ledger lines of the period to the ledger list. 1 when done or when
    // the account keeps no ledger; 0 when its lines could not be read whole.
    int CollectLedgerLines(std::int32_t taxBasis, const StDATAINFO* company,
                           const PeriodConditions* period, StKAMOKUSUMINFO summary);

    // 1 and the account (or sub-account) with `code`; a bare account number is taken as the
    // account's code. 0 when there is no such account, kAccountsUnreadable when the accounts
    // cannot be read.
    static constexpr int kAccountsUnreadable = -1;
    int FindAccount(std::int32_t code, StKAMOKUINFO* account);

    // --- read while written (after the aggregation)
    // The next line of the noted accounts' ledgers in their order; -1 (and LedgerFailed) when
    // an account's ledger cannot be read whole.
    int Next(LedgerLine* line) override;
    // The lines read so far, and the lines of the noted accounts the books told of so far.
    LedgerTally Tally() const override { return tally_; }
    bool LedgerFailed() const { return ledgerFailed_; }
    // While counted, reading the ledger does not pulse the progress window: the pulses are
    // counted for the thread that owns the window (see LedgerReadAhead).
    void CountDetailPulses(bool count) { countPulses_ = count; }
    std::uint32_t TakeDetailPulses() {
        std::uint32_t pulses = pendingPulses_;
        pendingPulses_ = 0;
        return pulses;
    }

private:
    // Whether the books keep a ledger for the account of `summary`.
    static bool KeepsLedger(const StKAMOKUSUMINFO& summary);
    // The account's debits and credits over the period, for the tally's estimate; 0 when they
    // overflow.
    static double Movement(std::int32_t taxBasis, const PeriodConditions& period,
                           const StDATAINFO& company, const StKAMOKUSUMINFO& summary);
    bool EntryBalancesBefore(const StDATAINFO& company, const StMOTOCHOINFO& line, int* status);
    // Prepares the ledger cursor for one account: 1 ready, 2 when the account keeps no ledger,
    // 0 when it cannot be read.
    int OpenAccountLedger(std::int32_t taxBasis, const StDATAINFO& company,
                          const PeriodConditions& period, const StKAMOKUSUMINFO& summary);
    // The parts the open account's ledger over `period` is read in.
    void PlanLedgerParts(const PeriodConditions& period);
    // Prepares the ledger cursor for the open account's part `part`; false when it cannot be
    // read.
    bool StartLedgerPart(std::size_t part, const StDATAINFO& company);
    // The ledger view of the open account over the dates of part `part`.
    void SetLedgerView(std::size_t part, const StDATAINFO& company);
    // 1 and the open account's next line; 0 after its last; -1 when it cannot be read.
    int ReadLedgerLine(const StDATAINFO& company, LedgerLine* record);
    // The same within the part being read: 0 after the part's last line.
    int ReadPartLine(const StDATAINFO& company, LedgerLine* record);
    // FindAccount, each account looked up once per run; `*account` is set only when found.
    int FindAccountCached(std::int32_t code, const StKAMOKUINFO** account);

    // One read of the ledger cursor: the lines of the month positions `start` to `end`, or the
    // interim settlement's lines.
    struct LedgerPart {
        std::int16_t start = 0;
        std::int16_t end = 0;
        bool interim = false;
    };
    // The account whose ledger is being read.
    struct OpenLedger {
        std::int32_t taxBasis = 0;
        std::int32_t code = 0;
        std::int32_t accountPart = 0;
        bool debitNormal = false;
        bool taxAccount = false;
        // The parts in the order the ledger lists them, and the one being read.
        LedgerPart parts[3];
        std::size_t partCount = 0;
        std::size_t part = 0;
        std::uint32_t count = 0;
        std::uint32_t read = 0;
        std::int64_t balance = 0;
    };
    OpenLedger open_{};
    bool deferred_ = false;
    bool ledgerFailed_ = false;
    bool accountOpen_ = false;
    std::int32_t deferredTaxBasis_ = 0;
    PeriodConditions deferredPeriod_{};
    StDATAINFO deferredCompany_{};
    std::vector<StKAMOKUSUMINFO> deferredAccounts_;
    std::size_t nextDeferred_ = 0;
    // The dates formatted so far: a period has a few hundred days, the ledger millions of lines.
    std::unordered_map<std::int32_t, std::string> dateTexts_;
    // Accounts looked up for counter-account names; the chart does not change during a run.
    std::unordered_map<std::int32_t, StKAMOKUINFO> accountCache_;

    LedgerTally tally_{};
    ExportProgress* progress_ = nullptr;
    bool countPulses_ = false;
    std::uint32_t pendingPulses_ = 0;
    LedgerLineList* ledger_ = nullptr;
    std::unique_ptr<ClRuleMotocho> ledgerCursor_;
    // The ledger view's work area belongs to the ledger services; the view names it by a
    // 32-bit token, as the services keep 32-bit references.
    std::uint32_t workArea_[3] = {};
    StMOTOCHOHYOJIINFO ledgerView_{};
    // The ledger search and the journal search share one record: the ledger cursor reads it
    // only while it is prepared and counted.
    StFINDINFO search_{};
    StORDERINFO order_{};
};

#pragma once

// The aggregation: one pass of the account-summary cursor, and per account its opening,
// movement and closing balance for the chosen months, in the account's balance direction.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "aggregation/Amount.h"
#include "aggregation/Figures.h"
#include "aggregation/PeriodConditions.h"
#include "ledger/Services.h"
#include "progress/ExportProgress.h"

class StatementData : public LedgerLineSource {
public:
    // Failure codes of AggregateAccounts beyond the cursor's own.
    static constexpr int kAllocationFailed = -1001;
    // A balance reached 10^18 ten-thousandths: the figures cannot be trusted.
    static constexpr int kAmountOverflow = -1002;
    // An account's general ledger could not be read whole: the ledger would be incomplete.
    static constexpr int kLedgerFailed = -1003;

    StatementData() = default;
    virtual ~StatementData();
    StatementData(const StatementData&) = delete;
    StatementData& operator=(const StatementData&) = delete;

    // Set by the export run before aggregating.
    void SetProgress(ExportProgress* progress) { progress_ = progress; }
    void SetFigureList(AccountFigureList* figures) { figures_ = figures; }
    void SetLedgerList(LedgerLineList* ledger) { ledger_ = ledger; }
    void SetOutputLedger(std::int32_t outputLedger) { outputLedger_ = outputLedger; }
    // With the ledger read as it is written, the aggregation only notes which accounts to read
    // (the progress bar moves as it would) and the writer takes the lines from Next.
    void SetLedgerReadWhileWritten(bool deferred) { ledgerDeferred_ = deferred; }

    // 1 on success; 0 when the cursor cannot be created or prepared; otherwise the cursor's
    // failure code, kAllocationFailed or kAmountOverflow.
    int AggregateAccounts(std::int32_t taxBasis, const PeriodConditions* period,
                          const StDATAINFO* company);

    // --- the general ledger
    // Appends the account's ledger lines of the period to the ledger list. 1 when done or when
    // the account keeps no ledger; 0 when its lines could not be read whole.
    int CollectLedgerLines(std::int32_t taxBasis, const StDATAINFO* company,
                           const PeriodConditions* period, StKAMOKUSUMINFO summary);
    // The ledger view of an account over the period's months.
    void SetLedgerView(std::int32_t code, const PeriodConditions* period);
    // 1 and the account (or sub-account) with `code`; a bare account number is taken as the
    // account's code. 0 when there is no such account, kAccountsUnreadable when the accounts
    // cannot be read.
    static constexpr int kAccountsUnreadable = -1;
    int FindAccount(std::int32_t code, StKAMOKUINFO* account);
    const StMOTOCHOHYOJIINFO& LedgerView() const { return ledgerView_; }

    // --- the notes settings of the selected company data
    // A text the books keep but cannot hand over is a store error: each reader below answers
    // kNotesUnreadable then, and the export fails rather than leave the notes out.
    static constexpr int kNoteGroups = 50;
    static constexpr int kNotesUnreadable = -1;
    // 1 and the settings text of `kind` (0 switches, 100 layout, 1000 notes body); 0 and no
    // text when the books keep no text of that kind; kNotesUnreadable.
    int ReadNotesSetting(std::int16_t kind, std::string* text, std::int32_t* length);
    // 1 when the layout's InputMode value is above 0, else 0; kNotesUnreadable.
    int IsNotesInputEnabled();
    // 1 when the switch text's Note= value is above 0, else 0; kNotesUnreadable.
    int IsNotesOutputEnabled();
    // Entry k: the low byte of the Disp value of the k-th "[Note_" section of the layout.
    // Sections beyond the fiftieth are not read. 1, or kNotesUnreadable.
    int ReadNoteDisplayFlags(unsigned char (&flags)[kNoteGroups]);
    // 1 (the text is empty when the books keep none), or kNotesUnreadable.
    int ReadNotesText(std::string* text);

    // --- the general ledger read while it is written (after AggregateAccounts)
    // The next line of the accounts' ledgers in the list's order; -1 (and LedgerFailed) when
    // an account's ledger cannot be read whole.
    int Next(LedgerLine* line) override;
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
    int WalkSummaries(std::int32_t taxBasis, const PeriodConditions& period,
                      const StDATAINFO& company, std::uint32_t count, Amount* retained);
    bool EntryBalancesBefore(const StDATAINFO& company, const StMOTOCHOINFO& line, int* status);
    // Prepares the ledger cursor for one account: 1 ready, 2 when the account keeps no ledger,
    // 0 when it cannot be read.
    int OpenAccountLedger(std::int32_t taxBasis, const StDATAINFO& company,
                          const PeriodConditions& period, const StKAMOKUSUMINFO& summary);
    // 1 and the open account's next line; 0 after its last; -1 when it cannot be read.
    int ReadLedgerLine(const StDATAINFO& company, LedgerLine* record);
    // FindAccount, each account looked up once per run; `*account` is set only when found.
    int FindAccountCached(std::int32_t code, const StKAMOKUINFO** account);

    // The account whose ledger is being read.
    struct OpenLedger {
        std::int32_t taxBasis = 0;
        std::int32_t code = 0;
        std::int32_t accountPart = 0;
        bool debitNormal = false;
        bool taxAccount = false;
        std::uint32_t count = 0;
        std::uint32_t read = 0;
        std::int64_t balance = 0;
    };
    OpenLedger open_{};
    bool ledgerDeferred_ = false;
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

    ExportProgress* progress_ = nullptr;
    bool countPulses_ = false;
    std::uint32_t pendingPulses_ = 0;
    AccountFigureList* figures_ = nullptr;
    LedgerLineList* ledger_ = nullptr;
    std::int32_t outputLedger_ = 0;
    std::unique_ptr<ClRuleKamoku> summaryCursor_;
    std::unique_ptr<ClRuleMotocho> ledgerCursor_;
    std::unique_ptr<ClSaveKessansho> settingsStore_;
    // The ledger view's work area belongs to the ledger services; the view names it by a
    // 32-bit token, as the services keep 32-bit references.
    std::uint32_t workArea_[3] = {};
    StMOTOCHOHYOJIINFO ledgerView_{};
    // The ledger search and the journal search share one record: the ledger cursor reads it
    // only while it is prepared and counted.
    StFINDINFO search_{};
    StORDERINFO order_{};
};

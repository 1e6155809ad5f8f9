#pragma once

// Books imported for a case, and the aggregation wired to its lists and a progress window.

#include "aggregation/LedgerReader.h"
#include "aggregation/StatementData.h"
#include "tests/books/BooksFixture.h"
#include "tests/doubles/FakePlatform.h"

class AggregationFixture : public books::test::BooksTest {
protected:
    // The test's aggregation (its progress position stays readable) over the selected data.
    int AggregateWith(StatementData& aggregation, const PeriodConditions& period,
                      std::int32_t taxBasis, std::int32_t outputLedger) {
        return AggregateWith(aggregation, reader, period, taxBasis, outputLedger);
    }
    // The same, the ledger read by `ledgerReader`.
    int AggregateWith(StatementData& aggregation, LedgerReader& ledgerReader,
                      const PeriodConditions& period, std::int32_t taxBasis,
                      std::int32_t outputLedger) {
        plan.Start();
        ledgerReader.SetProgress(&plan);
        ledgerReader.SetLedgerList(&ledger);
        aggregation.SetProgress(&plan);
        aggregation.SetFigureList(&figures);
        aggregation.SetOutputLedger(outputLedger);
        aggregation.SetLedgerReader(&ledgerReader);
        return aggregation.AggregateAccounts(taxBasis, &period, ClSetData().GetSelectedInfo());
    }
    // A second aggregation of the same books into emptied lists.
    int AggregateAgain(const PeriodConditions& period, std::int32_t taxBasis = 0,
                       std::int32_t outputLedger = 0) {
        figures.clear();
        ledger.clear();
        StatementData fresh;
        LedgerReader freshReader;
        return AggregateWith(fresh, freshReader, period, taxBasis, outputLedger);
    }
    const AccountFigure* Figure(std::int32_t code) const {
        for (const auto& figure : figures) {
            if (figure->code == code) return figure.get();
        }
        return nullptr;
    }

    FakePlatform fake;
    ProgressDialog progress{fake, fake};
    ExportProgress plan{progress};
    AccountFigureList figures;
    LedgerLineList ledger;
    LedgerReader reader;
    StatementData data;
};

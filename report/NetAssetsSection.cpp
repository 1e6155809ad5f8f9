// The statement of changes in net assets: per equity column the balance at the end of the
// previous period, the changes during the period and the balance at its end, summed in whole
// yen over the column's account lines; the period's net income is a change of retained
// earnings.

#include <cstdio>
#include <cstring>
#include <string>

#include "common/NetAssetsColumns.h"
#include "report/ReportWriter.h"

int ReportWriter::StatementChangesNetAssets(XmlWriter* writer) {
    if (!writer) return 0;
    char number[16];
    std::snprintf(number, sizeof(number), "%d", static_cast<int>(equityKind_));
    if (!writer->WriteStartTag(line_, "StatementChangesNetAssets", 2)) return 0;
    if (!writer->WriteElement(line_, "Select", number, 3)) return 0;

    using net_assets::kColumns;
    using net_assets::kRetainedEarningsColumn;
    for (int column = 0; column < kColumns; ++column) {
        // Each line is divided into whole yen before it is added.
        std::int64_t previous = 0;
        std::int64_t change = 0;
        std::int64_t current = 0;
        for (const net_assets::ColumnKey& pair : net_assets::ColumnKeys()) {
            if (pair.column != column) continue;
            FigureCopies copies;
            if (!CollectFiguresExact(pair.key, &copies)) return 0;
            for (const AccountFigure& figure : copies) {
                char label[kLabelBuffer] = {};
                CleanLabel(figure.name, std::strlen(figure.name), label);
                if (!net_assets::BelongsTo(column, label)) continue;
                previous += figure.opening / 10000;
                change += figure.movement / 10000;
                current += figure.closing / 10000;
            }
        }
        if (previous == 0 && change == 0 && current == 0) continue;

        std::int64_t netIncome = 0;
        if (column == kRetainedEarningsColumn) {
            std::size_t position = 0;
            if (!FindFigure(net_assets::kNetIncomeNature, &position)) return 0;
            netIncome = figures_[position]->movement / 10000;
        }

        if (!writer->WriteStartTag(line_, "ChangesNetAssetsItem", 3)) return 0;
        if (!writer->WriteElement(line_, "AccountList", net_assets::ColumnName(column), 4))
            return 0;
        if (previous != 0 && !writer->WriteElement(line_, "BalanceEndPreviousPeriod",
                                                   std::to_string(previous).c_str(), 4)) {
            return 0;
        }
        if (change != 0 || netIncome != 0) {
            if (!writer->WriteStartTag(line_, "ChangesItemsDuringPeriod", 4)) return 0;
            if (!writer->WriteElement(line_, "TotalChangesItemsDuringPeriod",
                                      std::to_string(change).c_str(), 5)) {
                return 0;
            }
            if (column == kRetainedEarningsColumn && netIncome != 0) {
                if (!writer->WriteStartTag(line_, "ChangesItem", 5) ||
                    !writer->WriteElement(line_, "Reason", "当期純利益", 6) ||
                    !writer->WriteElement(line_, "Amount", std::to_string(netIncome).c_str(), 6) ||
                    !writer->WriteEndTag(line_, "ChangesItem", 5)) {
                    return 0;
                }
            }
            if (!writer->WriteEndTag(line_, "ChangesItemsDuringPeriod", 4)) return 0;
        }
        if (current != 0 && !writer->WriteElement(line_, "BalanceEndCurrentPeriod",
                                                  std::to_string(current).c_str(), 4)) {
            return 0;
        }
        if (!writer->WriteEndTag(line_, "ChangesNetAssetsItem", 3)) return 0;
    }
    return writer->WriteEndTag(line_, "StatementChangesNetAssets", 2);
}

// The statement of changes in net assets: per equity column the balance at the end of the
// previous period, the changes during the period and the balance at its end, summed in whole
// yen over the column's account lines; the period's net income is a change of retained
// earnings.

#include <cstdio>
#include <cstring>
#include <string>

#include "report/ReportWriter.h"

namespace {

struct ColumnKey {
    int column;
    std::uint32_t key;
};

// In output order; columns 4 and 5 share their key and are told apart by the line's name.
constexpr ColumnKey kColumnKeys[] = {
    {0, 0x80288000}, {0, 0x80288040}, {0, 0x80288020},  {1, 0x80282080},  {2, 0x80282040},
    {3, 0x80281080}, {4, 0x80281040}, {5, 0x80281040},  {6, 0x80281048},  {7, 0x80280800},
    {8, 0x80248000}, {9, 0x80244000}, {10, 0x80242000}, {11, 0x80220000},
};

const char* const kColumnNames[] = {
    "資本金",         "資本準備金",       "その他資本剰余金",
    "利益準備金",     "別途積立金",       "任意積立金",
    "繰越利益剰余金", "自己株式",         "その他有価証券評価差額金",
    "繰延ヘッジ損益", "土地再評価差額金", "新株予約権",
};

constexpr int kColumns = 12;
constexpr int kSpecialReserveColumn = 4;
constexpr int kOtherReserveColumn = 5;
constexpr int kRetainedEarningsColumn = 6;
constexpr std::uint32_t kNetIncome = 0x40200040;

}  // namespace

int ReportWriter::StatementChangesNetAssets(XmlWriter* writer) {
    if (!writer) return 0;
    char number[16];
    std::snprintf(number, sizeof(number), "%d", static_cast<int>(equityKind_));
    if (!writer->WriteStartTag(line_, "StatementChangesNetAssets", 2)) return 0;
    if (!writer->WriteElement(line_, "Select", number, 3)) return 0;

    for (int column = 0; column < kColumns; ++column) {
        // Each line is divided into whole yen before it is added.
        std::int64_t previous = 0;
        std::int64_t change = 0;
        std::int64_t current = 0;
        for (const ColumnKey& pair : kColumnKeys) {
            if (pair.column != column) continue;
            FigureCopies copies;
            if (!CollectFiguresExact(pair.key, &copies)) return 0;
            for (const AccountFigure& figure : copies) {
                if (column == kSpecialReserveColumn || column == kOtherReserveColumn) {
                    char label[kLabelBuffer] = {};
                    CleanLabel(figure.name, std::strlen(figure.name), label);
                    bool special = std::strstr(label, "別途積立金") != nullptr;
                    if (special != (column == kSpecialReserveColumn)) continue;
                }
                previous += figure.opening / 10000;
                change += figure.movement / 10000;
                current += figure.closing / 10000;
            }
        }
        if (previous == 0 && change == 0 && current == 0) continue;

        std::int64_t netIncome = 0;
        if (column == kRetainedEarningsColumn) {
            std::size_t position = 0;
            if (!FindFigure(kNetIncome, &position)) return 0;
            netIncome = figures_[position]->movement / 10000;
        }

        if (!writer->WriteStartTag(line_, "ChangesNetAssetsItem", 3)) return 0;
        if (!writer->WriteElement(line_, "AccountList", kColumnNames[column], 4)) return 0;
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

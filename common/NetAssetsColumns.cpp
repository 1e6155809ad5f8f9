#include "common/NetAssetsColumns.h"

namespace net_assets {
namespace {

// Columns 4 and 5 share their key and are told apart by the line's name.
constexpr ColumnKey kColumnKeys[] = {
    {0, 0x80288000}, {0, 0x80288040}, {0, 0x80288020},  {1, 0x80282080},  {2, 0x80282040},
    {3, 0x80281080}, {4, 0x80281040}, {5, 0x80281040},  {6, 0x80281048},  {7, 0x80280800},
    {8, 0x80248000}, {9, 0x80244000}, {10, 0x80242000}, {11, 0x80220000},
};

const char* const kColumnNames[kColumns] = {
    "資本金",         "資本準備金",       "その他資本剰余金",
    "利益準備金",     "別途積立金",       "任意積立金",
    "繰越利益剰余金", "自己株式",         "その他有価証券評価差額金",
    "繰延ヘッジ損益", "土地再評価差額金", "新株予約権",
};

constexpr int kSpecialReserveColumn = 4;
constexpr int kOtherReserveColumn = 5;

}  // namespace

std::span<const ColumnKey> ColumnKeys() {
    return kColumnKeys;
}

const char* ColumnName(int column) {
    return column >= 0 && column < kColumns ? kColumnNames[column] : "";
}

bool BelongsTo(int column, std::string_view label) {
    if (column != kSpecialReserveColumn && column != kOtherReserveColumn) return true;
    const bool special = label.find("別途積立金") != std::string_view::npos;
    return special == (column == kSpecialReserveColumn);
}

}  // namespace net_assets

#pragma once

// The columns of the statement of changes in net assets: which accounts each one sums, by their
// nature codes, and its name. The export writes them (report/NetAssetsSection.cpp); kcview
// computes the same columns from the books. Names are Shift_JIS.

#include <cstdint>
#include <span>
#include <string_view>

namespace net_assets {

inline constexpr int kColumns = 12;
// The column whose changes hold the year's net income.
inline constexpr int kRetainedEarningsColumn = 6;
// The total whose movement is the year's net income.
inline constexpr std::uint32_t kNetIncomeNature = 0x40200040;

struct ColumnKey {
    int column;
    std::uint32_t key;  // an account nature code, matched exactly
};

// In output order; a column may have several keys.
std::span<const ColumnKey> ColumnKeys();
// The column's name, as the file's AccountList writes it (Shift_JIS).
const char* ColumnName(int column);
// Whether an account of one of `column`'s keys, written as `label` (Shift_JIS, marks removed),
// belongs to it: the two reserve columns share their key and are told apart by the label.
bool BelongsTo(int column, std::string_view label);

}  // namespace net_assets

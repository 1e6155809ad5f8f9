#pragma once

// 純資産の部 as a Japanese balance sheet prints it. The file writes the net assets as flat lines
// (Item elements) named by the books' accounts; the page reads them into the groups of the
// balance sheet, each with its subtotal computed from its lines:
//
//   株主資本 (社員資本 for a members' company)
//     資本金
//     資本剰余金: 資本準備金, その他資本剰余金
//     利益剰余金: 利益準備金, その他利益剰余金 (積立金 …, 別途積立金, 繰越利益剰余金)
//     自己株式
//   評価・換算差額等: その他有価証券評価差額金, 繰延ヘッジ損益, 土地再評価差額金
//   新株予約権
//
// The groups are elements of the page's own (ShareholdersEquity, CapitalSurplus …, headed by
// SectionHeading) in a copy of the section: the checks and the file see the lines as written.

#include "tools/kcview/ExportDocument.h"

namespace kcview {

// A subtotal's Amount when the sum of its lines does not fit 64 bits: no amount to be had.
inline constexpr char kNoSum[] = "-";

// The NetAssets section with its lines in their groups; a group without lines is left out.
// A section holding anything but lines is not what the export writes and is returned as it is.
XmlNode GroupedNetAssets(const XmlNode& netAssets, bool members);

// The BalanceSheet section with its NetAssets grouped.
XmlNode WithGroupedNetAssets(const XmlNode& balanceSheet, bool members);

// Whether the file is a members' company's (持分会社): its changes in net assets say so.
bool IsMembersCompany(const ExportDocument& document);

}  // namespace kcview

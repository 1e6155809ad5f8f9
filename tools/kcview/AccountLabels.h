#pragma once

// The accounts the review's checks read, by the labels books give them. Charts name the same
// account in several ways (未払消費税, 未払消費税等, 未払消費税等(税抜)); one table holds them all,
// so that every check reads an account the same way and the guide lists exactly what is read.

#include <string>
#include <string_view>
#include <vector>

namespace kcview {

enum class AccountRole {
    kConsumptionTaxReceived,  // 仮受消費税
    kConsumptionTaxPaid,      // 仮払消費税
    kConsumptionTaxPayable,   // 未払消費税等
    kCorporateTaxes,          // 法人税、住民税及び事業税 (the income statement's line)
    kCorporateTaxPayable,     // 未払法人税等
    kCorporateTaxPrepaid,     // 仮払法人税等
    kSuspense,        // 仮払金, 仮受金, 諸口: nothing may stay open at the year's end
    kCash,            // 現金: never below 0
    kDeposit,         // 普通預金 …: below 0 only as an overdraft
    kCurrentAccount,  // 当座預金: an overdraft may take it below 0 within the year
    kContra,          // lines that reduce their section: 貸倒引当金, 減価償却累計額 …
    kOfficerPay,      // 役員報酬
    kDepreciation,    // 減価償却費 (and the manufacturing cost's)
    kAccumulatedDepreciation,  // 減価償却累計額
    kEntertainment,            // 交際費
    kCapital,                  // 資本金
};

// How a label is matched: the whole label, or a part of it.
enum class LabelMatch { kExact, kContains, kPrefix };

struct RoleLabel {
    AccountRole role;
    LabelMatch match;
    const char* text;
};

// The whole table, in the order the guide lists it.
const std::vector<RoleLabel>& RoleLabels();

// True when `label` (a statement line's or a ledger account's, UTF-8) plays `role`. Blanks and
// a trailing parenthesised remark (「（税抜）」) are ignored.
bool HasRole(std::string_view label, AccountRole role);

// The role's name in the guide and the page: 「未払消費税等」.
const char* RoleName(AccountRole role);

}  // namespace kcview

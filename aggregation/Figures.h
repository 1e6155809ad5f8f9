#pragma once

// The aggregated records the writer reads: one AccountFigure per listed account, and the
// general-ledger lines grouped by account in the same order. LinkApp owns both lists.

#include <cstdint>
#include <memory>
#include <vector>

struct AccountFigure {
    std::int32_t code = 0;      // account number x 10000
    char name[31] = {};         // formal name, at most 30 bytes
    char label[31] = {};        // statement label, at most 30 bytes
    std::int64_t opening = 0;   // ten-thousandths, in the account's balance direction
    std::int64_t movement = 0;  // closing - opening
    std::int64_t closing = 0;
    std::uint32_t nature = 0;
    std::int16_t exclusion = 0;
};

struct LedgerLine {
    std::int32_t code = 0;
    std::int32_t voucher = 0;
    char date[31] = {};
    char ownSubAccount[31] = {};
    char counterAccount[31] = {};
    char counterSubAccount[31] = {};
    char description[61] = {};
    std::int64_t change = 0;
    std::int64_t balance = 0;
};

using AccountFigureList = std::vector<std::unique_ptr<AccountFigure>>;
using LedgerLineList = std::vector<std::unique_ptr<LedgerLine>>;

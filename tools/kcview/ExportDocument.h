#pragma once

// An exported file as kcview reads it: the statements as a small tree of elements, the general
// ledger as plain records. Every text is UTF-8; every amount is whole yen as the file writes it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kcview {

// An element of the file outside the general ledger, with the line it starts on.
struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    int line = 0;
    std::vector<XmlNode> children;

    // The attribute's value, or nullptr when the element has none of that name.
    const std::string* Attribute(const std::string& key) const;
    // The first child of that name, or nullptr.
    const XmlNode* Child(const std::string& key) const;
    // The text of the first child of that name; empty when there is none.
    std::string ChildText(const std::string& key) const;
    // The Label attribute, or the element's name when it has none.
    std::string Label() const;
};

// One line of an account's general ledger.
struct LedgerEntry {
    std::string voucher;
    std::string date;  // yyyymmdd
    std::string ownSubAccount;
    std::string counterAccount;
    std::string counterSubAccount;
    std::string description;
    std::int64_t change = 0;
    std::int64_t balance = 0;
};

// One account of the general ledger. Its lines are held only while the reader hands the account
// on; the document keeps the account with its count of lines.
struct LedgerAccount {
    std::string name;
    std::string category;
    std::int64_t opening = 0;
    std::int64_t closing = 0;
    int line = 0;
    std::size_t entryCount = 0;
    std::vector<LedgerEntry> entries;
};

struct ExportDocument {
    XmlNode system;  // SYSTEM
    XmlNode basic;   // BASIC
    // The sections of DATA but the general ledger, in file order.
    std::vector<XmlNode> sections;
    bool hasLedger = false;
    std::vector<LedgerAccount> ledger;  // without their lines

    // The section of DATA of that name, or nullptr when the file has none.
    const XmlNode* Section(const std::string& name) const;
};

// An amount as the file writes it: an optional minus and digits; an empty text is 0.
std::optional<std::int64_t> ParseAmount(const std::string& text);

// An account line of a statement with the section element that holds it.
struct StatementItem {
    std::string label;
    std::int64_t amount = 0;
    int line = 0;
    std::string section;  // CurrentAssets, SellingGeneralAndAdministrativeExpenses …
    std::string part;     // the statement's top section: Assets, Liabilities, NetSales …
};

// Every Item of the statement (BalanceSheet, IncomeStatement …), in file order.
std::vector<StatementItem> ItemsOf(const ExportDocument& document, const std::string& statement);

}  // namespace kcview

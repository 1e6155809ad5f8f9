#pragma once

// The chart the converter finds account names in: the standard chart shipped inside kcbooks,
// with the accounts of a user's chart added or put in place of those of the same name. Both are
// CSV text in the columns of the books folder's accounts.csv (a data_id column is allowed and
// not used), so a company's own accounts.csv serves as a chart.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

struct ChartAccount {
    std::int64_t code = 0;  // account number × 10000
    std::string name;       // UTF-8
    std::string label;
    std::string nature;             // as written, hexadecimal or decimal
    std::uint32_t natureValue = 0;  // the same, read once
    std::string side;               // D or C
    int flag = 0;                   // 2 and 3 are totals
    std::string noLedger;
    std::string sumOf;

    bool IsTotal() const { return flag == 2 || flag == 3; }
    // Whether the account belongs to the cost of goods manufactured (natures 0x2…).
    bool IsManufacturing() const { return (natureValue >> 28) == 2; }
};

class Chart {
public:
    // Reads chart text (UTF-8); accounts of a name already known replace it. Each account must
    // be one the books can hold, as the import reads accounts.csv. False with `error` naming
    // `fileName`, the line and the column.
    bool Add(std::string_view text, const std::string& fileName, std::string* error);
    // Takes the chart of the next Add whole, in its own order: a company's own chart, whose
    // statements are to come out as its books give them.
    void KeepFileOrder() { fileOrder_ = true; }
    bool KeepsFileOrder() const { return fileOrder_; }

    // The account of `name`, also where a journal names a manufacturing account without its
    // [製] or by its (製造) form, or an account by a name other programs use (売上 for 売上高 …).
    // An account of exactly the name wins.
    const ChartAccount* Find(std::string_view name) const;
    // Every account in the statements' order: the order of the codes, or the file's own.
    std::vector<const ChartAccount*> InOrder() const;

private:
    const ChartAccount* FindExactly(std::string_view name) const;

    std::vector<ChartAccount> accounts_;
    std::map<std::string, std::size_t, std::less<>> byName_;
    bool fileOrder_ = false;
};

// The names other accounting programs give to accounts of the standard chart, each with the
// standard chart's name.
struct AccountAlias {
    std::string_view name;
    std::string_view chartName;
};
extern const AccountAlias kAccountAliases[];
extern const std::size_t kAccountAliasCount;

// The standard chart's text, embedded into kcbooks when it is built.
std::string_view StandardChartText();

}  // namespace convert

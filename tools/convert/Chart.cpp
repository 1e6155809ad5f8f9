#include "tools/convert/Chart.h"

#include <algorithm>
#include <array>

#include "books/Csv.h"
#include "books/Model.h"
#include "books/TextRules.h"
#include "common/Encoding.h"
#include "messages/kcbooks/KcbooksMessages.h"

namespace convert {
namespace {

constexpr std::array<std::string_view, 8> kColumns = {"code", "name", "label",     "nature",
                                                      "side", "flag", "no_ledger", "sum_of"};

using kcbooks_messages::Id;
using kcbooks_messages::Say;

// The start of a refusal, to which its reason is added: the reason ends the text in both
// languages.
std::string Where(const std::string& fileName, long line, std::string_view column) {
    if (column.empty()) {
        return Say(Id::kAtLine, {{"file", fileName}, {"line", line}, {"why", ""}});
    }
    return Say(Id::kAtCell, {{"file", fileName}, {"line", line}, {"column", column}, {"why", ""}});
}

bool ParseCount(std::string_view text, std::int64_t* value) {
    if (text.empty() || text.size() > 12) return false;
    *value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        *value = *value * 10 + (c - '0');
    }
    return true;
}

// A nature as the books write it, hexadecimal (0x…) or decimal, of 32 bits; false otherwise.
bool ParseNature(std::string_view text, std::uint32_t* value) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) text.remove_prefix(2);
    if (text.empty()) return false;
    std::uint64_t sum = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (digit < 0) return false;
        sum = sum * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (sum > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<std::uint32_t>(sum);
    return true;
}

// Why the books cannot hold the name or label `text` (UTF-8); empty when they can. An empty
// label is no label.
std::string NameTextFault(const std::string& text, std::size_t limit) {
    std::string sjisText;
    if (!sjis::Utf8ToSjis(text, &sjisText)) return Say(Id::kNoSjisFormOf, {{"text", text}});
    return books::NameTextFault(sjisText, limit);
}

// The masks of a total's sum_of, blank-separated natures; false at the first that is none.
bool ParseMasks(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = std::min(text.find(' ', pos), text.size());
        std::uint32_t mask = 0;
        if (end > pos && !ParseNature(text.substr(pos, end - pos), &mask)) return false;
        pos = end + 1;
    }
    return true;
}

}  // namespace

bool Chart::Add(std::string_view text, const std::string& fileName, std::string* error) {
    books::CsvReader reader(text);
    std::vector<std::string_view> fields;
    if (!reader.Next(&fields)) {
        *error = reader.Failed() ? fileName + ": " + reader.Error()
                                 : Say(Id::kNoHeaderRow, {{"file", fileName}});
        return false;
    }
    std::array<int, kColumns.size()> index;
    index.fill(-1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto known = std::find(kColumns.begin(), kColumns.end(), fields[i]);
        if (known != kColumns.end()) {
            index[static_cast<std::size_t>(known - kColumns.begin())] = static_cast<int>(i);
        } else if (fields[i] != "data_id") {
            *error = Where(fileName, 1, fields[i]) + Say(Id::kUnknownColumn);
            return false;
        }
    }
    for (std::size_t c = 0; c < 2; ++c) {
        if (index[c] < 0) {
            *error = Where(fileName, 1, kColumns[c]) + Say(Id::kRequiredColumnMissing);
            return false;
        }
    }
    std::vector<std::pair<ChartAccount, long>> added;
    while (reader.Next(&fields)) {
        long line = reader.RecordLine();
        auto cell = [&](std::size_t c) {
            return index[c] >= 0 && static_cast<std::size_t>(index[c]) < fields.size()
                       ? std::string(fields[static_cast<std::size_t>(index[c])])
                       : std::string();
        };
        ChartAccount account;
        if (!ParseCount(cell(0), &account.code)) {
            *error = Where(fileName, line, "code") + Say(Id::kNotAWholeNumber);
            return false;
        }
        // Sub-accounts of a company's accounts.csv are the company's, not the chart's.
        if (account.code % books::kSubAccountRadix != 0) continue;
        account.name = cell(1);
        account.label = cell(2);
        account.nature = cell(3);
        account.side = cell(4);
        std::int64_t flag = 0;
        if (!cell(5).empty() && (!ParseCount(cell(5), &flag) || flag > 3)) {
            *error = Where(fileName, line, "flag") + Say(Id::kMustBe0To3);
            return false;
        }
        account.flag = static_cast<int>(flag);
        account.noLedger = cell(6);
        account.sumOf = cell(7);
        if (account.name.empty()) {
            *error = Where(fileName, line, "name") + Say(Id::kValueRequired);
            return false;
        }
        if (account.nature.empty() || (account.side != "D" && account.side != "C")) {
            *error = Where(fileName, line, account.nature.empty() ? "nature" : "side") +
                     Say(Id::kNatureAndSide);
            return false;
        }
        if (!ParseNature(account.nature, &account.natureValue)) {
            *error = Where(fileName, line, "nature") + Say(Id::kNotANature);
            return false;
        }
        // The books number an account's sub-accounts up to 9999 beside it, in 32 bits.
        if (account.code == 0 ||
            account.code > std::int64_t{0x7FFFFFFF} - (books::kSubAccountRadix - 1)) {
            *error = Where(fileName, line, "code") + Say(Id::kOutOfRange, {{"text", cell(0)}});
            return false;
        }
        if (std::string fault = NameTextFault(account.name, books::kAccountNameBytes);
            !fault.empty()) {
            *error = Where(fileName, line, "name") + fault;
            return false;
        }
        if (std::string fault = account.label.empty()
                                    ? std::string()
                                    : NameTextFault(account.label, books::kLabelBytes);
            !fault.empty()) {
            *error = Where(fileName, line, "label") + fault;
            return false;
        }
        if (!account.noLedger.empty() && account.noLedger != "0" && account.noLedger != "1") {
            *error = Where(fileName, line, "no_ledger") + Say(Id::kMustBe0Or1);
            return false;
        }
        if (!ParseMasks(account.sumOf)) {
            *error =
                Where(fileName, line, "sum_of") + Say(Id::kNotANatureOf, {{"text", account.sumOf}});
            return false;
        }
        if (!account.sumOf.empty() && !account.IsTotal()) {
            *error = Where(fileName, line, "sum_of") + Say(Id::kOnlyTotalsSum);
            return false;
        }
        added.emplace_back(std::move(account), line);
    }
    if (reader.Failed()) {
        *error = Where(fileName, reader.RecordLine(), "") + reader.Error();
        return false;
    }
    for (std::size_t i = 0; i < added.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (added[j].first.code == added[i].first.code) {
                *error = Where(fileName, added[i].second, "code") + Say(Id::kDuplicateCodeInChart);
                return false;
            }
        }
    }
    // The chart added wins: an account of the same name is replaced, and one that held a code the
    // added chart gives another name leaves, so a company's own accounts.csv serves as it is.
    std::vector<ChartAccount> kept;
    for (ChartAccount& held : accounts_) {
        bool displaced = false;
        for (const auto& [account, line] : added) {
            if (account.name == held.name || account.code == held.code) displaced = true;
        }
        if (!displaced) kept.push_back(std::move(held));
    }
    for (auto& [account, line] : added) kept.push_back(std::move(account));
    accounts_ = std::move(kept);
    byName_.clear();
    for (std::size_t i = 0; i < accounts_.size(); ++i) {
        if (!byName_.emplace(accounts_[i].name, i).second) {
            *error = Say(Id::kNameTwice, {{"file", fileName}, {"name", accounts_[i].name}});
            return false;
        }
    }
    return true;
}

const ChartAccount* Chart::FindExactly(std::string_view name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &accounts_[found->second];
}

// Programs name the accounts of the cost of goods manufactured in three ways: [製]賃金, 賃金 where
// no other account has the name, and 賞与（製造） beside the administrative 賞与. A few accounts
// also go by a second name.
const ChartAccount* Chart::Find(std::string_view name) const {
    if (const ChartAccount* account = FindExactly(name)) return account;
    static constexpr std::string_view kPrefix = "[製]";
    static constexpr std::string_view kSuffixes[] = {"（製造）", "(製造)"};
    for (std::string_view suffix : kSuffixes) {
        if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix) {
            std::string prefixed(kPrefix);
            prefixed += name.substr(0, name.size() - suffix.size());
            return FindExactly(prefixed);
        }
    }
    if (name.substr(0, kPrefix.size()) != kPrefix) {
        std::string prefixed(kPrefix);
        prefixed += name;
        if (const ChartAccount* account = FindExactly(prefixed)) return account;
    }
    for (std::size_t i = 0; i < kAccountAliasCount; ++i) {
        if (name == kAccountAliases[i].name) return FindExactly(kAccountAliases[i].chartName);
    }
    return nullptr;
}

std::vector<const ChartAccount*> Chart::InOrder() const {
    std::vector<const ChartAccount*> order;
    for (const ChartAccount& account : accounts_) order.push_back(&account);
    if (fileOrder_) return order;
    std::stable_sort(order.begin(), order.end(), [](const ChartAccount* a, const ChartAccount* b) {
        return a->code < b->code;
    });
    return order;
}

}  // namespace convert

#include "tools/kcview/NetAssetsGroups.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/kcview/Checks.h"

namespace kcview {
namespace {

enum class Group {
    Equity,  // 株主資本 (社員資本)
    CapitalSurplus,
    RetainedEarnings,
    OtherRetainedEarnings,
    Valuation,     // 評価・換算差額等
    Subscription,  // 新株予約権
};

// A label of the books and where the balance sheet prints it: its group, and its place among the
// group's lines (a nested group takes a place too: 資本剰余金 is 2nd, 利益剰余金 3rd in 株主資本).
struct LabelRule {
    std::string_view label;
    Group group;
    int place;
};

// The labels as the books name these accounts, with the usual variants. The export has taken
// blanks and brackets out of every label, so "自己株式（△）" arrives as 自己株式.
constexpr LabelRule kLabels[] = {
    {"資本金", Group::Equity, 0},
    {"出資金", Group::Equity, 0},
    {"新株式申込証拠金", Group::Equity, 1},
    {"自己株式", Group::Equity, 4},
    {"自己株式申込証拠金", Group::Equity, 5},
    {"資本準備金", Group::CapitalSurplus, 0},
    {"その他資本剰余金", Group::CapitalSurplus, 1},
    {"資本金及び資本準備金減少差益", Group::CapitalSurplus, 1},
    {"資本金減少差益", Group::CapitalSurplus, 1},
    {"資本準備金減少差益", Group::CapitalSurplus, 1},
    {"自己株式処分差益", Group::CapitalSurplus, 1},
    {"資本剰余金", Group::CapitalSurplus, 2},
    {"利益準備金", Group::RetainedEarnings, 0},
    {"利益剰余金", Group::RetainedEarnings, 2},
    {"任意積立金", Group::OtherRetainedEarnings, 0},
    {"別途積立金", Group::OtherRetainedEarnings, 2},
    {"繰越利益剰余金", Group::OtherRetainedEarnings, 3},
    {"繰越利益", Group::OtherRetainedEarnings, 3},
    {"繰越損益", Group::OtherRetainedEarnings, 3},
    {"繰越損失", Group::OtherRetainedEarnings, 3},
    {"繰越欠損金", Group::OtherRetainedEarnings, 3},
    {"当期未処分利益", Group::OtherRetainedEarnings, 3},
    {"当期未処理損失", Group::OtherRetainedEarnings, 3},
    {"その他利益剰余金", Group::OtherRetainedEarnings, 4},
    {"その他有価証券評価差額金", Group::Valuation, 0},
    {"有価証券評価差額金", Group::Valuation, 0},
    {"繰延ヘッジ損益", Group::Valuation, 1},
    {"土地再評価差額金", Group::Valuation, 2},
    {"評価・換算差額等", Group::Valuation, 3},
    {"評価･換算差額等", Group::Valuation, 3},
    {"評価換算差額等", Group::Valuation, 3},
    {"新株予約権", Group::Subscription, 0},
    {"自己新株予約権", Group::Subscription, 1},
};

// The reserves of retained earnings the books name for themselves (圧縮積立金, 特別償却準備金,
// 配当平均積立金 …) end so; 資本準備金 and 利益準備金 are found by their names first.
constexpr std::string_view kReserveEndings[] = {"積立金", "準備金"};
constexpr int kNamedReservePlace = 1;

// A label the table does not know stays a line of its own under 純資産の部, after the groups,
// rather than going into 株主資本's その他: the 株主資本合計 is the figure an accountant ties to
// the changes in net assets and the tax return's schedule of retained earnings, and a line guessed
// into it would move that figure without saying so. Apart, it is plain to see, and 純資産合計
// still adds up.
std::optional<LabelRule> RuleOf(std::string_view label) {
    for (const LabelRule& rule : kLabels) {
        if (label == rule.label) return rule;
    }
    for (std::string_view ending : kReserveEndings) {
        if (label.size() > ending.size() && label.substr(label.size() - ending.size()) == ending)
            return LabelRule{label, Group::OtherRetainedEarnings, kNamedReservePlace};
    }
    return std::nullopt;
}

std::int64_t AmountOf(const XmlNode& item) {
    const std::string* amount = item.Attribute("Amount");
    return ParseAmount(amount ? *amount : item.text).value_or(0);
}

// A group being made: its lines and inner groups, each with its place.
struct GroupLines {
    std::vector<std::pair<int, XmlNode>> lines;
};

// The group as a section of the page, its subtotal the sum of what it holds; nothing when it
// holds nothing.
std::optional<XmlNode> SectionOf(GroupLines group, const char* element, const char* totalLabel) {
    if (group.lines.empty()) return std::nullopt;
    std::stable_sort(group.lines.begin(), group.lines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    XmlNode section{element, {}, {}, group.lines.front().second.line, {}};
    std::optional<std::int64_t> sum = 0;
    for (auto& [place, node] : group.lines) {
        if (sum) {
            const std::string* amount = node.Attribute("Amount");
            const std::optional<std::int64_t> part =
                node.name == "Item" ? std::optional<std::int64_t>(AmountOf(node))
                                    : ParseAmount(amount ? *amount : std::string(kNoSum));
            sum = part ? CheckedSum(*sum, *part) : std::nullopt;
        }
        section.children.push_back(std::move(node));
    }
    section.attributes = {{"Label", totalLabel}, {"Amount", sum ? std::to_string(*sum) : kNoSum}};
    return section;
}

void Add(GroupLines& group, int place, std::optional<XmlNode> section) {
    if (section) group.lines.emplace_back(place, std::move(*section));
}

}  // namespace

XmlNode GroupedNetAssets(const XmlNode& netAssets, bool members) {
    const bool flat = std::all_of(netAssets.children.begin(), netAssets.children.end(),
                                  [](const XmlNode& child) { return child.name == "Item"; });
    if (!flat || netAssets.children.empty()) return netAssets;
    GroupLines groups[6];
    std::vector<XmlNode> unknown;
    for (const XmlNode& item : netAssets.children) {
        const std::string* label = item.Attribute("Label");
        const std::optional<LabelRule> rule = RuleOf(label ? *label : std::string());
        if (!rule) {
            unknown.push_back(item);
            continue;
        }
        groups[static_cast<int>(rule->group)].lines.emplace_back(rule->place, item);
    }
    const auto at = [&](Group group) -> GroupLines& { return groups[static_cast<int>(group)]; };
    Add(at(Group::RetainedEarnings), 1,
        SectionOf(at(Group::OtherRetainedEarnings), "OtherRetainedEarnings",
                  "その他利益剰余金合計"));
    Add(at(Group::Equity), 2,
        SectionOf(at(Group::CapitalSurplus), "CapitalSurplus", "資本剰余金合計"));
    Add(at(Group::Equity), 3,
        SectionOf(at(Group::RetainedEarnings), "RetainedEarnings", "利益剰余金合計"));

    XmlNode grouped{netAssets.name, netAssets.attributes, netAssets.text, netAssets.line, {}};
    const auto append = [&](std::optional<XmlNode> section) {
        if (section) grouped.children.push_back(std::move(*section));
    };
    append(SectionOf(at(Group::Equity), members ? "MembersEquity" : "ShareholdersEquity",
                     members ? "社員資本合計" : "株主資本合計"));
    append(SectionOf(at(Group::Valuation), "ValuationAndTranslationAdjustments",
                     "評価・換算差額等合計"));
    GroupLines& subscription = at(Group::Subscription);
    if (subscription.lines.size() == 1) {
        // One line, 新株予約権 itself: printed as the group's own line, as a balance sheet does.
        const XmlNode& line = subscription.lines.front().second;
        const std::string* label = line.Attribute("Label");
        grouped.children.push_back({"SubscriptionRightsToShares",
                                    {{"Label", label ? *label : std::string()},
                                     {"Amount", std::to_string(AmountOf(line))}},
                                    {},
                                    line.line,
                                    {}});
    } else {
        append(SectionOf(std::move(subscription), "SubscriptionRightsToShares", "新株予約権合計"));
    }
    for (XmlNode& line : unknown) grouped.children.push_back(std::move(line));
    return grouped;
}

XmlNode WithGroupedNetAssets(const XmlNode& balanceSheet, bool members) {
    XmlNode sheet = balanceSheet;
    for (XmlNode& child : sheet.children) {
        if (child.name == "NetAssets") child = GroupedNetAssets(child, members);
    }
    return sheet;
}

bool IsMembersCompany(const ExportDocument& document) {
    const XmlNode* changes = document.Section("StatementChangesNetAssets");
    const XmlNode* select = changes ? changes->Child("Select") : nullptr;
    return select && select->text == "2";
}

}  // namespace kcview

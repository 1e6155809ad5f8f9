// The two years' statements are flattened into the lines the page shows, each with a key made of
// what names it in the file: the section elements it sits in, and an item's Label. Lines of the
// same key are one line of both years.

#include "tools/kcview/Comparison.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>

#include "tools/kcview/KcviewMessages.h"
#include "tools/kcview/NetAssetsGroups.h"
#include "tools/kcview/ProfitLines.h"

namespace kcview {
namespace {

struct KeyedLine {
    std::string key;
    std::string label;  // an item's or total's Label; a heading's element name
    int depth = 1;
    LineKind kind = LineKind::Item;
    std::optional<std::int64_t> amount = 0;  // nothing for a subtotal beyond 64 bits
    std::string element;                     // a total's element
};

// The figure, or nothing for a subtotal of the page's own that does not fit 64 bits.
std::optional<std::int64_t> AmountOf(const XmlNode& node) {
    const std::string* amount = node.Attribute("Amount");
    return ParseAmount(amount ? *amount : node.text);
}

// The lines as the page lists a statement: a section's heading, its lines, then its total.
void LinesUnder(const XmlNode& node, const std::string& path, int depth,
                std::vector<KeyedLine>& lines) {
    for (const XmlNode& child : node.children) {
        if (child.name == "Item") {
            lines.push_back({path + "/" + child.Label(), child.Label(), depth + 1, LineKind::Item,
                             AmountOf(child), child.name});
        } else if (child.children.empty() && child.Attribute("Amount")) {
            lines.push_back({path + "/" + child.name + "=", child.Label(), depth, LineKind::Total,
                             AmountOf(child), child.name});
        } else {
            const std::string inner = path + "/" + child.name;
            lines.push_back({inner + ">", child.name, depth, LineKind::Heading, 0, child.name});
            LinesUnder(child, inner, depth + 1, lines);
            if (child.Attribute("Amount"))
                lines.push_back({inner + "=", child.Label(), depth, LineKind::Total,
                                 AmountOf(child), child.name});
        }
    }
}

// A column of the changes in net assets is named by its account; its lines are its closing
// balance and the year's changes, each by its reason.
std::vector<KeyedLine> NetAssetsLines(const XmlNode& changes) {
    std::vector<KeyedLine> lines;
    for (const XmlNode& column : changes.children) {
        if (column.name != "ChangesNetAssetsItem") continue;
        const std::string account = column.ChildText("AccountList");
        lines.push_back({account, account, 1, LineKind::Total,
                         ParseAmount(column.ChildText("BalanceEndCurrentPeriod")).value_or(0), ""});
        const XmlNode* during = column.Child("ChangesItemsDuringPeriod");
        for (const XmlNode& item : during ? during->children : std::vector<XmlNode>{}) {
            if (item.name != "ChangesItem") continue;
            const std::string reason = item.ChildText("Reason");
            lines.push_back({account + "/" + reason, reason, 2, LineKind::Item,
                             ParseAmount(item.ChildText("Amount")).value_or(0), ""});
        }
    }
    return lines;
}

std::vector<KeyedLine> StatementLines(const ExportDocument& document, const std::string& section,
                                      bool members) {
    std::vector<KeyedLine> lines;
    const XmlNode* node = document.Section(section);
    if (!node) return lines;
    if (section == "StatementChangesNetAssets") return NetAssetsLines(*node);
    if (section == "BalanceSheet") {
        // The net assets in their groups, as the page shows this year's alone; both years are
        // grouped alike, so a line meets its line of last year in its group.
        LinesUnder(WithGroupedNetAssets(*node, members), "", 1, lines);
        const XmlNode* liabilities = node->Child("Liabilities");
        const XmlNode* netAssets = node->Child("NetAssets");
        const std::optional<std::int64_t> right =
            CheckedSum(liabilities ? AmountOf(*liabilities).value_or(0) : 0,
                       netAssets ? AmountOf(*netAssets).value_or(0) : 0);
        lines.push_back({"=LiabilitiesAndNetAssets", "負債及び純資産合計", 1, LineKind::Total,
                         right.value_or(0), ""});
    } else {
        LinesUnder(*node, "", 1, lines);
    }
    // A key met again in the same place (an item written twice under one section) is told
    // apart by its count, so the n-th meets the n-th of last year.
    std::map<std::string, int> seen;
    for (KeyedLine& line : lines) {
        const int count = ++seen[line.key];
        if (count > 1) line.key += "#" + std::to_string(count);
    }
    return lines;
}

// This year's lines in their order; a line only last year's file has comes after the line it
// followed there.
std::vector<ComparedLine> Merge(const std::vector<KeyedLine>& current,
                                const std::vector<KeyedLine>& previous) {
    std::vector<ComparedLine> merged;
    std::vector<std::string> keys;
    std::vector<std::string> elements;
    for (const KeyedLine& line : current) {
        merged.push_back({line.label, line.depth, line.kind, line.amount, std::nullopt, false, ""});
        keys.push_back(line.key);
        elements.push_back(line.element);
    }
    std::size_t after = 0;  // where the next line only last year has goes
    for (const KeyedLine& line : previous) {
        auto found = std::find(keys.begin(), keys.end(), line.key);
        if (found != keys.end()) {
            const std::size_t at = static_cast<std::size_t>(found - keys.begin());
            merged[at].previous = line.amount;
            after = at + 1;
            continue;
        }
        merged.insert(merged.begin() + static_cast<std::ptrdiff_t>(after),
                      {line.label, line.depth, line.kind, std::nullopt, line.amount, false, ""});
        keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(after), line.key);
        elements.insert(elements.begin() + static_cast<std::ptrdiff_t>(after), line.element);
        ++after;
    }
    for (std::size_t i = 0; i < merged.size(); ++i) {
        ComparedLine& line = merged[i];
        if (line.kind == LineKind::Heading) line.current = line.previous = std::nullopt;
        line.label = ComparedProfitLabel(elements[i], line.label, line.current, line.previous);
    }
    return merged;
}

std::optional<std::chrono::year_month_day> DateOf(const std::string& text) {
    if (text.size() != 8 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::chrono::year_month_day date{
        std::chrono::year{std::stoi(text.substr(0, 4))},
        std::chrono::month{static_cast<unsigned>(std::stoi(text.substr(4, 2)))},
        std::chrono::day{static_cast<unsigned>(std::stoi(text.substr(6, 2)))}};
    if (!date.ok()) return std::nullopt;
    return date;
}

std::string Iso(const std::string& yyyymmdd) {
    return yyyymmdd.substr(0, 4) + "-" + yyyymmdd.substr(4, 2) + "-" + yyyymmdd.substr(6, 2);
}

const XmlNode* ColumnOf(const XmlNode& changes, const std::string& account) {
    for (const XmlNode& column : changes.children) {
        if (column.name == "ChangesNetAssetsItem" && column.ChildText("AccountList") == account)
            return &column;
    }
    return nullptr;
}

// A balance of a column, and the line it is written on (0 when the file does not write it).
std::pair<std::int64_t, int> BalanceOf(const XmlNode& column, const char* element) {
    const XmlNode* node = column.Child(element);
    if (!node) return {0, 0};
    return {ParseAmount(node->text).value_or(0), node->line};
}

FigureSide SideOf(const char* year, const std::string& account, const char* balance,
                  const std::pair<std::int64_t, int>& figure) {
    return {std::string(year) + "の" + account + "の" + balance, figure.first,
            figure.second > 0 ? std::vector<int>{figure.second} : std::vector<int>{}};
}

}  // namespace

std::optional<ChangeThreshold> ParseChangeThreshold(std::string_view text) {
    const std::size_t percentSign = text.find('%');
    if (percentSign == std::string_view::npos || percentSign + 1 >= text.size() ||
        text[percentSign + 1] != ',')
        return std::nullopt;
    const std::string_view percent = text.substr(0, percentSign);
    const std::string_view yen = text.substr(percentSign + 2);
    // Plain digits only: from_chars would also take an exponent, "inf" or a minus.
    const auto digits = [](std::string_view part, bool point) {
        std::size_t points = 0;
        for (char c : part) {
            if (c == '.' && point)
                ++points;
            else if (c < '0' || c > '9')
                return false;
        }
        return !part.empty() && points <= 1 && part.front() != '.' && part.back() != '.';
    };
    if (!digits(percent, true) || !digits(yen, false)) return std::nullopt;
    ChangeThreshold threshold;
    if (std::from_chars(percent.data(), percent.data() + percent.size(), threshold.percent).ec !=
            std::errc() ||
        std::from_chars(yen.data(), yen.data() + yen.size(), threshold.yen).ec != std::errc())
        return std::nullopt;
    return threshold;
}

bool IsMarkedChange(std::optional<std::int64_t> current, std::optional<std::int64_t> previous,
                    const ChangeThreshold& threshold) {
    // long double holds every 64-bit difference exactly, so no bound is missed by rounding.
    const long double now = static_cast<long double>(current.value_or(0));
    const long double before = static_cast<long double>(previous.value_or(0));
    const long double change = std::fabs(now - before);
    if (change == 0 || change < static_cast<long double>(threshold.yen)) return false;
    if (before == 0) return true;
    return change * 100 >= static_cast<long double>(threshold.percent) * std::fabs(before);
}

Comparison CompareYears(const ExportDocument& current, const ExportDocument& previous,
                        const ChangeThreshold& threshold) {
    struct Statement {
        const char* section;
        const char* id;
        const char* title;
    };
    const bool members = IsMembersCompany(current);
    const Statement statements[] = {
        {"BalanceSheet", "bs", "貸借対照表"},
        {"IncomeStatement", "pl", "損益計算書"},
        {"ScheduleCostGoodsManufactured", "cm", "製造原価報告書"},
        {"StatementChangesNetAssets", "ss",
         members ? "社員資本等変動計算書" : "株主資本等変動計算書"},
    };
    Comparison comparison;
    comparison.threshold = threshold;
    comparison.previousFrom = previous.basic.ChildText("JIGYOUNENDOFROM");
    comparison.previousTo = previous.basic.ChildText("JIGYOUNENDOTO");
    for (const Statement& statement : statements) {
        if (!current.Section(statement.section) && !previous.Section(statement.section)) continue;
        ComparedStatement compared{statement.id, statement.title,
                                   Merge(StatementLines(current, statement.section, members),
                                         StatementLines(previous, statement.section, members))};
        for (std::size_t i = 0; i < compared.lines.size(); ++i) {
            ComparedLine& line = compared.lines[i];
            line.anchor = std::string("c-") + statement.id + "-" + std::to_string(i + 1);
            line.marked = line.kind != LineKind::Heading &&
                          IsMarkedChange(line.current, line.previous, threshold);
        }
        comparison.statements.push_back(std::move(compared));
    }
    return comparison;
}

std::string PrecedingYearProblem(const ExportDocument& current, const ExportDocument& previous) {
    const std::string starts = current.basic.ChildText("JIGYOUNENDOFROM");
    const std::string from = previous.basic.ChildText("JIGYOUNENDOFROM");
    const std::string to = previous.basic.ChildText("JIGYOUNENDOTO");
    const auto thisStart = DateOf(starts);
    const auto lastEnd = DateOf(to);
    if (!thisStart) return kcview_messages::Say(kcview_messages::Id::kNoFirstDay);
    if (!lastEnd || !DateOf(from)) return kcview_messages::Say(kcview_messages::Id::kNoFiscalYear);
    if (std::chrono::sys_days{*lastEnd} + std::chrono::days{1} != std::chrono::sys_days{*thisStart})
        return kcview_messages::Say(
            kcview_messages::Id::kNotPrecedingYear,
            {{"from", Iso(from)}, {"to", Iso(to)}, {"starts", Iso(starts)}});
    return "";
}

namespace {

// Every balance-sheet account of this year's ledger opens with last year's closing. An account is
// a balance-sheet one when either year's balance sheet shows it; one last year's does not show
// closed at 0.
void OpeningsCarried(const LedgerFacts& ledger, const ExportDocument& current,
                     const ExportDocument& previous, CheckResult& result) {
    const std::vector<StatementItem> now = ItemsOf(current, "BalanceSheet");
    const std::vector<StatementItem> before = ItemsOf(previous, "BalanceSheet");
    const auto find = [](const std::vector<StatementItem>& items, const std::string& label) {
        return std::find_if(items.begin(), items.end(),
                            [&](const StatementItem& item) { return item.label == label; });
    };
    for (const AccountHistory& account : ledger.Accounts()) {
        const auto last = find(before, account.label);
        if (last == before.end() && find(now, account.label) == now.end()) continue;
        const std::int64_t closed = last == before.end() ? 0 : last->amount;
        if (account.opening == closed) continue;
        std::vector<int> lines;
        if (account.line > 0) lines.push_back(account.line);
        result.failures.push_back(
            {{ledger.Source() + "の" + account.label + "期首残高", account.opening, lines},
             last == before.end()
                 ? FigureSide{"前期ファイルの貸借対照表に" + account.label + "なし", 0, {}}
                 : FigureSide{"前期ファイルの" + account.label, last->amount, {last->line}}});
    }
}

}  // namespace

CheckResult CarriedForward(const ReviewInputs& inputs) {
    const ExportDocument& current = inputs.current;
    const ExportDocument* previous = inputs.previous;
    CheckResult result;
    const XmlNode* changes = current.Section("StatementChangesNetAssets");
    const XmlNode* last = previous ? previous->Section("StatementChangesNetAssets") : nullptr;
    if (!previous) {
        result.notApplicable = "前期のファイルが指定されていません";
    } else if (!changes) {
        result.notApplicable = "ファイルに株主資本等変動計算書がありません";
    } else if (!last) {
        result.notApplicable = "前期のファイルに株主資本等変動計算書がありません";
    }
    if (!result.notApplicable.empty()) return result;
    // A column the export leaves out holds nothing: it is 0 on its side.
    for (const XmlNode& column : changes->children) {
        if (column.name != "ChangesNetAssetsItem") continue;
        const std::string account = column.ChildText("AccountList");
        const auto opening = BalanceOf(column, "BalanceEndPreviousPeriod");
        const XmlNode* before = ColumnOf(*last, account);
        const auto closing =
            before ? BalanceOf(*before, "BalanceEndCurrentPeriod") : std::pair<std::int64_t, int>{};
        if (opening.first == closing.first) continue;
        result.failures.push_back(
            {SideOf("当期ファイル", account, "当期首残高", opening),
             before ? SideOf("前期ファイル", account, "当期末残高", closing)
                    : FigureSide{"前期ファイルに" + account + "の列なし", 0, {}}});
    }
    for (const XmlNode& column : last->children) {
        if (column.name != "ChangesNetAssetsItem") continue;
        const std::string account = column.ChildText("AccountList");
        const auto closing = BalanceOf(column, "BalanceEndCurrentPeriod");
        if (ColumnOf(*changes, account) || closing.first == 0) continue;
        result.failures.push_back({FigureSide{"当期ファイルに" + account + "の列なし", 0, {}},
                                   SideOf("前期ファイル", account, "当期末残高", closing)});
    }
    if (inputs.ledger) OpeningsCarried(*inputs.ledger, current, *previous, result);
    return result;
}

}  // namespace kcview

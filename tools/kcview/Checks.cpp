// Each check is a small function over the document; the table at the end names and explains
// them once, for the page, the --check output and the README.

#include "tools/kcview/Checks.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <map>
#include <set>

#include "tools/kcview/BooksChecks.h"
#include "tools/kcview/Comparison.h"
#include "tools/kcview/Page.h"
#include "tools/kcview/ReviewChecks.h"

namespace kcview {
namespace {

const char* const kStatements[] = {"BalanceSheet", "IncomeStatement",
                                   "ScheduleCostGoodsManufactured"};

// The statements' total lines: figures that follow from the sections before them, not sums of
// what they hold.
bool IsTotalLine(const std::string& element) {
    static const std::set<std::string> kTotals = {"GrossProfit",
                                                  "OperatingIncome",
                                                  "OrdinaryIncome",
                                                  "IncomeBeforeIncomeTaxes",
                                                  "NetIncome",
                                                  "TotalProductionCostUtilized",
                                                  "SubtotalScheduleCostGoodsManufactured",
                                                  "CostFinishedGoods"};
    return kTotals.count(element) != 0;
}

// The figure the file writes for a section or total. An empty Amount is a heading whose chart has
// no account for its total: no figure, which is neither zero nor a disagreement.
std::optional<std::int64_t> AmountAttribute(const XmlNode& node) {
    const std::string* amount = node.Attribute("Amount");
    if (!amount || amount->empty()) return std::nullopt;
    return ParseAmount(*amount);
}

std::int64_t ItemAmount(const XmlNode& item) {
    return ParseAmount(item.text).value_or(0);
}

// A figure computed from terms of the file, each cut to whole yen. A sum beyond 64 bits
// agrees with no figure of the file.
struct Computed {
    std::int64_t amount = 0;
    std::size_t terms = 0;
    std::vector<int> lines;
    std::vector<std::string> names;
    bool fits = true;

    void AddTerm(std::int64_t term) {
        std::optional<std::int64_t> sum = CheckedSum(amount, term);
        fits = fits && sum;
        if (sum) amount = *sum;
    }

    void Add(const Computed& other, int sign) {
        fits = fits && other.fits;
        if (sign > 0) {
            AddTerm(other.amount);
        } else if (other.amount == std::numeric_limits<std::int64_t>::min()) {
            fits = false;
        } else {
            AddTerm(-other.amount);
        }
        terms += other.terms;
        lines.insert(lines.end(), other.lines.begin(), other.lines.end());
        for (const std::string& name : other.names)
            names.push_back(names.empty() && sign > 0 ? name : (sign > 0 ? "+ " : "- ") + name);
    }
};

Computed SumOf(const XmlNode& section);

// A section's figure: its Amount when it has one, else what it holds.
Computed ValueOf(const XmlNode& section) {
    if (std::optional<std::int64_t> amount = AmountAttribute(section))
        return Computed{*amount, 1, {section.line}, {section.Label()}};
    return SumOf(section);
}

// What a section holds: its items and the figures of its subsections.
Computed SumOf(const XmlNode& section) {
    Computed sum;
    std::size_t items = 0;
    for (const XmlNode& child : section.children) {
        if (child.name == "Item") {
            sum.AddTerm(ItemAmount(child));
            sum.terms += 1;
            sum.lines.push_back(child.line);
            ++items;
        } else if (!IsTotalLine(child.name)) {
            sum.Add(ValueOf(child), 1);
        }
    }
    if (items > 0) {
        sum.names.push_back(section.Label() + "の内訳" + std::to_string(items) + "科目");
    }
    return sum;
}

FigureSide Side(const std::string& what, std::int64_t amount, std::vector<int> lines) {
    return FigureSide{what, amount, std::move(lines)};
}

FigureSide SideOf(const Computed& computed) {
    std::string what;
    for (const std::string& name : computed.names) what += (what.empty() ? "" : " ") + name;
    if (what.empty()) what = "なし";
    if (!computed.fits) what += "（64ビットを超える合計）";
    return Side(what, computed.amount, computed.lines);
}

// Compares a figure of the file with the one computed from its terms: equal to the yen holds;
// a gap that cutting each term to whole yen explains is a warning, anything more a failure.
void Compare(const XmlNode& figure, std::int64_t amount, const Computed& computed,
             CheckResult& result) {
    Disagreement found{Side(figure.Label(), amount, {figure.line}), SideOf(computed), {}};
    if (computed.fits) {
        // The difference of two 64-bit figures is beyond 64 bits only when they are far apart.
        const bool apart = (computed.amount < 0 &&
                            amount > std::numeric_limits<std::int64_t>::max() + computed.amount) ||
                           (computed.amount > 0 &&
                            amount < std::numeric_limits<std::int64_t>::min() + computed.amount);
        if (!apart && amount == computed.amount) return;
        if (!apart && WithinTruncation(amount - computed.amount, computed.terms)) {
            found.note = review::kCutFractions;
            result.warnings.push_back(std::move(found));
            return;
        }
    }
    result.failures.push_back(std::move(found));
}

// Returns how many totals it compared.
std::size_t CheckSectionsUnder(const XmlNode& node, CheckResult& result) {
    std::size_t compared = 0;
    for (const XmlNode& child : node.children) {
        if (child.name == "Item" || IsTotalLine(child.name)) continue;
        if (std::optional<std::int64_t> amount = AmountAttribute(child)) {
            Compare(child, *amount, SumOf(child), result);
            ++compared;
        }
        compared += CheckSectionsUnder(child, result);
    }
    return compared;
}

CheckResult SectionTotals(const ReviewInputs& inputs) {
    CheckResult result;
    std::size_t compared = 0;
    for (const char* statement : kStatements) {
        if (const XmlNode* node = inputs.current.Section(statement))
            compared += CheckSectionsUnder(*node, result);
    }
    if (compared == 0) result.notApplicable = "決算書のどの区分も合計額を書いていません";
    return result;
}

// --- figures that follow from other sections of the same statement

struct Operand {
    int sign;
    const char* element;
};

// `result` = the operands. Each step uses only results of the steps before it.
struct Step {
    const char* result;
    std::vector<Operand> operands;
};

Computed StepValue(const XmlNode& statement, const Step& step, const std::vector<Step>& steps);

// A figure of the statement as the file has it: the Amount written, else a section's items, else
// a total the chart has no account for, followed through its own step. A section the file leaves
// out holds no account: it adds no term.
Computed FigureOf(const XmlNode& statement, const std::string& element,
                  const std::vector<Step>& steps) {
    const XmlNode* node = statement.Child(element);
    if (node) {
        if (std::optional<std::int64_t> amount = AmountAttribute(*node))
            return Computed{*amount, 1, {node->line}, {node->Label()}};
    }
    for (const Step& step : steps) {
        if (element == step.result) return StepValue(statement, step, steps);
    }
    return node ? SumOf(*node) : Computed{};
}

Computed StepValue(const XmlNode& statement, const Step& step, const std::vector<Step>& steps) {
    Computed computed;
    for (const Operand& operand : step.operands)
        computed.Add(FigureOf(statement, operand.element, steps), operand.sign);
    return computed;
}

// Compares each result the statement writes with its step; a step with no figure of the file
// on either side is not compared. Returns how many were compared.
std::size_t CheckSteps(const XmlNode& statement, const std::vector<Step>& steps,
                       CheckResult& result) {
    std::size_t compared = 0;
    for (const Step& step : steps) {
        const XmlNode* figure = statement.Child(step.result);
        const std::optional<std::int64_t> amount = figure ? AmountAttribute(*figure) : std::nullopt;
        if (!amount) continue;
        const Computed computed = StepValue(statement, step, steps);
        if (computed.terms == 0) continue;
        Compare(*figure, *amount, computed, result);
        ++compared;
    }
    return compared;
}

CheckResult StepsOf(const ExportDocument& document, const char* section,
                    const std::vector<Step>& steps, const char* missing, const char* noTotal) {
    CheckResult result;
    const XmlNode* statement = document.Section(section);
    if (!statement) {
        result.notApplicable = missing;
    } else if (CheckSteps(*statement, steps, result) == 0) {
        result.notApplicable = noTotal;
    }
    return result;
}

CheckResult BalanceSheetBalances(const ReviewInputs& inputs) {
    const ExportDocument& document = inputs.current;
    static const std::vector<Step> kSteps = {{"Assets", {{1, "Liabilities"}, {1, "NetAssets"}}}};
    return StepsOf(document, "BalanceSheet", kSteps, "ファイルに貸借対照表がありません",
                   "貸借対照表に資産合計がありません");
}

CheckResult IncomeSteps(const ReviewInputs& inputs) {
    const ExportDocument& document = inputs.current;
    static const std::vector<Step> kSteps = {
        {"GrossProfit", {{1, "NetSales"}, {-1, "CostOfSales"}}},
        {"OperatingIncome", {{1, "GrossProfit"}, {-1, "SellingGeneralAndAdministrativeExpenses"}}},
        {"OrdinaryIncome",
         {{1, "OperatingIncome"}, {1, "NonOperatingIncome"}, {-1, "NonOperatingExpenses"}}},
        {"IncomeBeforeIncomeTaxes",
         {{1, "OrdinaryIncome"}, {1, "ExtraordinaryIncome"}, {-1, "ExtraordinaryLoss"}}},
        {"NetIncome", {{1, "IncomeBeforeIncomeTaxes"}, {-1, "IncomeTaxes"}}},
    };
    return StepsOf(document, "IncomeStatement", kSteps, "ファイルに損益計算書がありません",
                   "損益計算書に段階利益の行がありません");
}

const char kNoSchedule[] = "ファイルに製造原価報告書がありません";

CheckResult ManufacturingSteps(const ReviewInputs& inputs) {
    const ExportDocument& document = inputs.current;
    static const std::vector<Step> kSteps = {
        {"TotalProductionCostUtilized",
         {{1, "MaterialCost"}, {1, "LaborCost"}, {1, "SubcontractCost"}, {1, "OverheadExpenses"}}},
        {"SubtotalScheduleCostGoodsManufactured",
         {{1, "TotalProductionCostUtilized"}, {1, "WorkProcessBeginningInventories"}}},
        {"CostFinishedGoods",
         {{1, "SubtotalScheduleCostGoodsManufactured"}, {-1, "WorkProcessClosingInventories"}}},
    };
    return StepsOf(document, "ScheduleCostGoodsManufactured", kSteps, kNoSchedule,
                   "製造原価報告書に合計の行がありません");
}

// --- figures written twice

CheckResult NetIncomeCarried(const ReviewInputs& inputs) {
    const ExportDocument& document = inputs.current;
    CheckResult result;
    const XmlNode* income = document.Section("IncomeStatement");
    const XmlNode* netIncome = income ? income->Child("NetIncome") : nullptr;
    const std::optional<std::int64_t> written =
        netIncome ? AmountAttribute(*netIncome) : std::nullopt;
    const XmlNode* changes = document.Section("StatementChangesNetAssets");
    if (!written) {
        result.notApplicable = "損益計算書に当期純利益がありません";
        return result;
    }
    if (!changes) {
        result.notApplicable = "ファイルに株主資本等変動計算書がありません";
        return result;
    }
    const std::int64_t amount = *written;
    // The statement of changes writes the row only for a net income other than zero.
    FigureSide row = Side("株主資本等変動計算書に当期純利益の行なし", 0, {});
    {
        for (const XmlNode& column : changes->children) {
            const XmlNode* during = column.Child("ChangesItemsDuringPeriod");
            for (const XmlNode& item : during ? during->children : std::vector<XmlNode>{}) {
                const XmlNode* reason = item.Child("Reason");
                const XmlNode* value = item.Child("Amount");
                if (item.name != "ChangesItem" || !reason || !value || reason->text != "当期純利益")
                    continue;
                const XmlNode* account = column.Child("AccountList");
                row = Side("株主資本等変動計算書の当期純利益（" +
                               (account ? account->text : std::string("?")) + "）",
                           ParseAmount(value->text).value_or(0), {value->line});
            }
        }
    }
    if (row.amount != amount)
        result.failures.push_back({Side(netIncome->Label(), amount, {netIncome->line}), row});
    return result;
}

CheckResult FinishedGoodsUsed(const ReviewInputs& inputs) {
    const ExportDocument& document = inputs.current;
    CheckResult result;
    const XmlNode* schedule = document.Section("ScheduleCostGoodsManufactured");
    const XmlNode* finished = schedule ? schedule->Child("CostFinishedGoods") : nullptr;
    const std::optional<std::int64_t> written =
        finished ? AmountAttribute(*finished) : std::nullopt;
    if (!written) {
        result.notApplicable =
            schedule ? "製造原価報告書に当期製品製造原価がありません" : kNoSchedule;
        return result;
    }
    const std::int64_t amount = *written;
    const std::string label = finished->Label();
    const XmlNode* income = document.Section("IncomeStatement");
    const XmlNode* cost = income ? income->Child("CostOfSales") : nullptr;
    // An item of zero yen is not written: a missing item is zero.
    FigureSide used = Side("売上原価に科目" + label + "なし", 0, {});
    for (const XmlNode& item : cost ? cost->children : std::vector<XmlNode>{}) {
        if (item.name == "Item" && item.Label() == label) {
            used = Side(cost->Label() + "の" + label, ItemAmount(item), {item.line});
            break;
        }
    }
    if (used.amount != amount)
        result.failures.push_back(
            {Side("製造原価報告書の" + label, amount, {finished->line}), used});
    return result;
}

// Every item of the statements by its label.
std::multimap<std::string, const XmlNode*> ItemsByLabel(const ExportDocument& document) {
    std::multimap<std::string, const XmlNode*> items;
    struct Walker {
        std::multimap<std::string, const XmlNode*>& items;
        void Walk(const XmlNode& node) {
            for (const XmlNode& child : node.children) {
                if (child.name == "Item") items.emplace(child.Label(), &child);
                Walk(child);
            }
        }
    } walker{items};
    for (const char* statement : kStatements) {
        if (const XmlNode* node = document.Section(statement)) walker.Walk(*node);
    }
    return items;
}

CheckResult LedgerClosings(const ReviewInputs& inputs) {
    const ExportDocument& document = inputs.current;
    CheckResult result;
    if (!document.hasLedger) {
        result.notApplicable = "総勘定元帳なしで出力されたファイルです";
        return result;
    }
    std::vector<Disagreement>& failures = result.failures;
    const auto items = ItemsByLabel(document);
    for (const LedgerAccount& account : document.ledger) {
        auto [first, last] = items.equal_range(account.name);
        // An account of zero yen is not an item of the statements.
        FigureSide statement = Side("決算書に科目" + account.name + "なし", 0, {});
        for (auto it = first; it != last; ++it) {
            statement =
                Side("決算書の" + account.name, ItemAmount(*it->second), {it->second->line});
            if (statement.amount == account.closing) break;
        }
        if (statement.amount != account.closing) {
            failures.push_back(
                {Side("総勘定元帳の" + account.name + "期末残高", account.closing, {account.line}),
                 statement});
        }
    }
    return result;
}

// The same item (label and amount) under more than one section of one statement: the export
// writes an asset classified only as noncurrent under each of the three kinds.
CheckResult ItemsInOneSection(const ReviewInputs& inputs) {
    const ExportDocument& document = inputs.current;
    CheckResult result;
    std::vector<Disagreement>& failures = result.failures;
    struct Placement {
        const XmlNode* item;
        const XmlNode* section;
    };
    for (const char* name : kStatements) {
        const XmlNode* statement = document.Section(name);
        if (!statement) continue;
        std::map<std::pair<std::string, std::int64_t>, std::vector<Placement>> placements;
        struct Walker {
            std::map<std::pair<std::string, std::int64_t>, std::vector<Placement>>& placements;
            void Walk(const XmlNode& node) {
                for (const XmlNode& child : node.children) {
                    if (child.name == "Item")
                        placements[{child.Label(), ItemAmount(child)}].push_back({&child, &node});
                    else
                        Walk(child);
                }
            }
        } walker{placements};
        walker.Walk(*statement);
        for (const auto& [key, places] : placements) {
            std::set<const XmlNode*> sections;
            for (const Placement& place : places) sections.insert(place.section);
            if (sections.size() < 2) continue;
            FigureSide first = Side(places[0].section->Label() + "の" + key.first, key.second,
                                    {places[0].item->line});
            FigureSide others = Side("同じ科目（", key.second, {});
            for (std::size_t i = 1; i < places.size(); ++i) {
                others.what += (i == 1 ? "" : "、") + places[i].section->Label();
                others.lines.push_back(places[i].item->line);
            }
            others.what += "にも）";
            failures.push_back({first, others});
        }
    }
    return result;
}

}  // namespace

// a + b, or nothing when the sum does not fit 64 bits: the file's figures are any 64-bit
// numbers, and a wrapped sum could agree with one by chance.
std::optional<std::int64_t> CheckedSum(std::int64_t a, std::int64_t b) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if ((b > 0 && a > kMax - b) || (b < 0 && a < kMin - b)) return std::nullopt;
    return a + b;
}

bool WithinTruncation(std::int64_t difference, std::size_t terms) {
    if (difference == 0) return true;
    const std::uint64_t magnitude = difference < 0 ? 0 - static_cast<std::uint64_t>(difference)
                                                   : static_cast<std::uint64_t>(difference);
    return magnitude < terms;
}

std::string DescribeSide(const FigureSide& side, bool grouped) {
    std::string text =
        side.what + " " + (grouped ? FormatYen(side.amount) : std::to_string(side.amount));
    if (side.lines.empty()) return text;
    std::vector<int> lines = side.lines;
    std::sort(lines.begin(), lines.end());
    if (lines.size() <= 4) {
        text += " (";
        for (std::size_t i = 0; i < lines.size(); ++i)
            text += (i ? ", " : "") + std::to_string(lines[i]);
        return text + "行目)";
    }
    return text + " (" + std::to_string(lines.front()) + "–" + std::to_string(lines.back()) +
           "行目)";
}

// In the order a reviewer reads them: the taxes and balances that send books back, the
// statements' own arithmetic, then the amounts the tax return treats apart.
const std::vector<Check>& AllChecks() {
    static const std::vector<Check> kChecks = {
        {"books-agree", "帳簿との一致",
         "ファイルの各数字は、帳簿の仕訳から計算した試算表の同じ科目・合計に一致する。",
         BooksAgree},
        {"consumption-tax", "消費税の精算",
         "税抜経理の仮受消費税と仮払消費税は期末に0で、未払消費税等は当期の仮受消費税から仮払"
         "消費税と中間納付を引いた額に近く（差が1,000円を超えると注意）、前期の未払消費税等は"
         "当期に納付されている。",
         ConsumptionTax},
        {"corporate-taxes", "法人税等の計上",
         "未払法人税等は、当期の法人税、住民税及び事業税から中間納付と源泉徴収税額を引いた額に"
         "一致し、前期の未払法人税等は当期に納付されている。",
         CorporateTaxes},
        {"open-suspense", "仮勘定の残高", "仮払金、仮受金、諸口などの仮勘定は期末に0である。",
         OpenSuspense},
        {"impossible-balances", "あり得ない残高",
         "資産と費用の科目は（引当金・累計額などの控除科目を除き）マイナスでなく、現金・預金は"
         "どの日の残高もマイナスでない。",
         ImpossibleBalances},
        {"changes-add-up", "株主資本等変動計算書の増減",
         "各列の当期首残高と当期変動額の和は当期末残高に一致し、当期末残高は貸借対照表に一致"
         "し、変動にはすべて理由が書かれている。",
         ChangesAddUp},
        {"carried-forward", "前期からの繰越",
         "貸借対照表の各科目と株主資本等変動計算書の各列の当期首残高は、前期のファイルの当期末"
         "残高に一致する。",
         CarriedForward},
        {"section-totals", "各区分の合計", "各区分の合計額は、その科目と下位区分の合計に一致する。",
         SectionTotals},
        {"balance", "貸借の一致", "貸借対照表の資産合計は、負債合計と純資産合計の和に一致する。",
         BalanceSheetBalances},
        {"income-steps", "損益計算書の段階利益",
         "売上総利益、営業利益、経常利益、税引前当期純利益、当期純利益は、それぞれ上の区分から"
         "計算した額に一致する。",
         IncomeSteps},
        {"manufacturing-steps", "製造原価報告書の段階合計",
         "当期総製造費用、それに期首仕掛品棚卸高を加えた合計、当期製品製造原価は、製造原価報告書"
         "の各区分から計算した額に一致する。",
         ManufacturingSteps},
        {"net-income-carried", "当期純利益の振替",
         "損益計算書の当期純利益は、株主資本等変動計算書の当期純利益の行に一致する。",
         NetIncomeCarried},
        {"finished-goods", "当期製品製造原価",
         "製造原価報告書の当期製品製造原価は、損益計算書の売上原価に使われた額に一致する。",
         FinishedGoodsUsed},
        {"ledger-closing", "総勘定元帳の期末残高",
         "総勘定元帳の各科目の期末残高は、決算書のその科目の額に一致する。", LedgerClosings},
        {"one-section-per-item", "科目の分類",
         "一つの決算書で、同じ科目が二つ以上の区分に書かれていない（分類のない固定資産は"
         "書かれる）。",
         ItemsInOneSection},
        {"officer-pay", "役員報酬の定額", "役員報酬は毎月同じ額である（総勘定元帳か帳簿が必要）。",
         OfficerPay},
        {"depreciation", "減価償却累計額の増加",
         "減価償却費は、減価償却累計額の当期の増加に一致する。", DepreciationMovement},
        {"entertainment-limit", "交際費の限度額",
         "資本金1億円以下の会社の交際費は、定額控除限度額（年800万円）以下である。",
         EntertainmentLimit},
    };
    return kChecks;
}

std::vector<CheckOutcome> RunChecks(const ReviewInputs& inputs) {
    std::vector<CheckOutcome> outcomes;
    for (const Check& check : AllChecks()) {
        CheckResult result = check.run(inputs);
        outcomes.push_back({&check, std::move(result.failures), std::move(result.warnings),
                            std::move(result.notApplicable)});
    }
    return outcomes;
}

std::vector<CheckOutcome> RunChecks(const ExportDocument& document,
                                    const ExportDocument* previous) {
    return RunChecks(ReviewInputs{document, previous});
}

}  // namespace kcview

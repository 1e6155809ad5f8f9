// What the export writes on purpose is read the same way here: an account of zero yen is not
// written, a contra account is a negative line, a listed total (繰越利益剰余金, 当期製品製造原価)
// is an item of its own, and every figure is cut to whole yen on its own.

#include "tools/kcview/BooksChecks.h"

#include <set>
#include <string>
#include <vector>

namespace kcview {
namespace {

const char* const kStatements[] = {"BalanceSheet", "IncomeStatement",
                                   "ScheduleCostGoodsManufactured"};

// The statements of the three top bits of a nature code: balance sheet, income statement,
// schedule of cost of goods manufactured. Other accounts (memo accounts) are in none.
constexpr std::uint32_t kInStatements = 0xE0000000;
// The totals under the income taxes' key the statements write as totals, never as items.
constexpr std::uint32_t kNotItems[] = {0x40200080, 0x40200020, 0x40200010};

std::string LabelOf(const XmlNode& node) {
    const std::string* label = node.Attribute("Label");
    return label ? *label : std::string();
}

FigureSide Side(const std::string& what, std::int64_t amount, std::vector<int> lines = {}) {
    return FigureSide{what, amount, std::move(lines)};
}

// The books' side of a figure: its whole yen, or a sum that left 64 bits.
FigureSide BooksSide(const std::string& what, const BooksAccount& account) {
    return account.fits ? Side("帳簿の" + what, WholeYen(account.closing))
                        : Side("帳簿の" + what + "（64ビットを超える合計）", 0);
}

bool Agrees(const BooksAccount& account, std::int64_t amount) {
    return account.fits && WholeYen(account.closing) == amount;
}

bool ShownAsItem(const BooksAccount& account) {
    if (!account.Listed() || (account.nature & kInStatements) == 0) return false;
    for (std::uint32_t nature : kNotItems) {
        if (account.nature == nature) return false;
    }
    return true;
}

class Agreement {
public:
    Agreement(const BooksReview& books, CheckResult& result) : books_(books), result_(result) {}

    // Every item and every section or total amount of a statement.
    void Statement(const XmlNode& node) {
        for (const XmlNode& child : node.children) {
            if (child.name == "Item") {
                Item(child);
                continue;
            }
            if (const std::string* amount = child.Attribute("Amount");
                amount && child.Attribute("Label"))
                Total(child, *amount);
            Statement(child);
        }
    }

    // The accounts the books hold, not zero, that no item of the file shows.
    void Unshown() {
        for (const BooksAccount& account : books_.accounts) {
            if (!ShownAsItem(account) || shown_.count(account.name) != 0) continue;
            if (account.fits && WholeYen(account.closing) == 0) continue;
            result_.failures.push_back({BooksSide(account.name, account),
                                        Side("決算書に科目" + account.name + "なし", 0)});
        }
    }

    // Each column's figures, the file's against those the books give.
    void Columns(const XmlNode& changes) {
        std::set<std::string> written;
        for (const XmlNode& column : changes.children) {
            if (column.name != "ChangesNetAssetsItem") continue;
            const XmlNode* account = column.Child("AccountList");
            const std::string name = account ? account->text : std::string();
            written.insert(name);
            const BooksColumn* books = BooksColumnNamed(name);
            const BooksColumn none{name};
            CompareColumn(column, books ? *books : none);
        }
        for (const BooksColumn& column : books_.columns) {
            if (written.count(column.name) != 0) continue;
            for (const auto& [what, amount] : Figures(column)) {
                if (amount == 0) continue;
                result_.failures.push_back(
                    {Side("帳簿の" + column.name + "の" + what, amount),
                     Side("株主資本等変動計算書に" + column.name + "の列なし", 0)});
            }
        }
    }

private:
    void Item(const XmlNode& item) {
        const std::string label = LabelOf(item);
        const std::int64_t amount = ParseAmount(item.text).value_or(0);
        shown_.insert(label);
        const BooksAccount* first = nullptr;
        for (const BooksAccount& account : books_.accounts) {
            if (!account.Listed() || account.name != label) continue;
            if (Agrees(account, amount)) return;
            if (!first) first = &account;
        }
        const FigureSide file = Side("決算書の" + label, amount, {item.line});
        result_.failures.push_back(
            {file, first ? BooksSide(label, *first) : Side("帳簿に科目" + label + "なし", 0)});
    }

    // A section's heading or a total line: the books' total of that name (a heading writes the
    // total's name, a total line its statement label). An empty amount is 0.
    void Total(const XmlNode& node, const std::string& text) {
        const std::string label = LabelOf(node);
        const std::int64_t amount = text.empty() ? 0 : ParseAmount(text).value_or(0);
        const BooksAccount* first = nullptr;
        for (const BooksAccount& account : books_.accounts) {
            if (!account.IsTotal() || (account.name != label && account.label != label)) continue;
            if (Agrees(account, amount)) return;
            if (!first) first = &account;
        }
        const FigureSide file = Side(label, amount, {node.line});
        result_.failures.push_back(
            {file, first ? BooksSide(label, *first) : Side("帳簿に合計" + label + "なし", 0)});
    }

    const BooksColumn* BooksColumnNamed(const std::string& name) const {
        for (const BooksColumn& column : books_.columns) {
            if (column.name == name) return &column;
        }
        return nullptr;
    }

    static std::vector<std::pair<std::string, std::int64_t>> Figures(const BooksColumn& column) {
        return {{"当期首残高", column.previous},
                {"当期変動額", column.change},
                {"当期純利益", column.netIncome},
                {"当期末残高", column.current}};
    }

    void CompareColumn(const XmlNode& column, const BooksColumn& books) {
        const XmlNode* during = column.Child("ChangesItemsDuringPeriod");
        const XmlNode* total = during ? during->Child("TotalChangesItemsDuringPeriod") : nullptr;
        const XmlNode* netIncome = nullptr;
        for (std::size_t i = 0; during && i < during->children.size(); ++i) {
            const XmlNode& item = during->children[i];
            const XmlNode* reason = item.Child("Reason");
            if (item.name == "ChangesItem" && reason && reason->text == "当期純利益")
                netIncome = item.Child("Amount");
        }
        const XmlNode* written[] = {column.Child("BalanceEndPreviousPeriod"), total, netIncome,
                                    column.Child("BalanceEndCurrentPeriod")};
        const auto figures = Figures(books);
        for (std::size_t i = 0; i < figures.size(); ++i) {
            // A figure of 0 yen is not written.
            const std::int64_t amount = written[i] ? ParseAmount(written[i]->text).value_or(0) : 0;
            if (amount == figures[i].second) continue;
            const std::string what = books.name + "の" + figures[i].first;
            result_.failures.push_back(
                {Side("株主資本等変動計算書の" + what, amount,
                      written[i] ? std::vector<int>{written[i]->line} : std::vector<int>{}),
                 Side("帳簿の" + what, figures[i].second)});
        }
    }

    const BooksReview& books_;
    CheckResult& result_;
    std::set<std::string> shown_;
};

}  // namespace

CheckResult BooksAgree(const ReviewInputs& inputs) {
    CheckResult result;
    if (!inputs.books) {
        result.notApplicable = "帳簿が指定されていません（--books）";
        return result;
    }
    Agreement agreement(*inputs.books, result);
    for (const char* statement : kStatements) {
        if (const XmlNode* node = inputs.current.Section(statement)) agreement.Statement(*node);
    }
    agreement.Unshown();
    if (const XmlNode* changes = inputs.current.Section("StatementChangesNetAssets"))
        agreement.Columns(*changes);
    return result;
}

}  // namespace kcview

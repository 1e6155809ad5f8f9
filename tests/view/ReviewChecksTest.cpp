// The reviewer's checks, each on small documents made from the hand-made one that ties out, with
// the year's accounts given as the ledger would give them.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/view/Documents.h"
#include "tools/kcview/Checks.h"
#include "tools/kcview/ExportReader.h"
#include "tools/kcview/LedgerFacts.h"

namespace kcview {
namespace {

using testing::Edited;

struct Posting {
    std::string day;  // yyyymmdd
    std::int64_t change;
    std::string counter;
};

struct Account {
    std::string label;
    std::int64_t opening;
    std::vector<Posting> postings;
};

enum class Ends { kHolds, kWarns, kFails, kNotApplicable };

struct Case {
    const char* what;
    const char* check;
    std::vector<std::pair<std::string, std::string>> edits;  // of kTiedOut, in order
    std::optional<std::vector<Account>> ledger;
    Ends ends;
    std::string found;                                 // the first finding's left side begins so
    std::int64_t amount = 0;                           // and names this amount
    std::optional<std::int64_t> right = std::nullopt;  // and its right side this one
    bool previous = false;  // with kTiedOut's year before as last year's file
    std::optional<bool> taxExclusive = std::nullopt;  // books given, keeping tax so
};

const char kLiabilities[] = "<Item Label=\"買掛金\">1200</Item>";
const char kAssets[] = "<Item Label=\"売掛金\">600</Item>";
const char kCosts[] = "<Item Label=\"給料手当\">1500</Item>";

std::pair<std::string, std::string> Add(const char* after, const std::string& label,
                                        std::int64_t amount) {
    return {after, std::string(after) + "\n<Item Label=\"" + label + "\">" +
                       std::to_string(amount) + "</Item>"};
}

LedgerFacts Ledger(const std::vector<Account>& accounts) {
    LedgerFacts facts("総勘定元帳");
    for (const Account& account : accounts) {
        HistoryBuilder builder(account.label, "", account.opening, 0);
        std::int64_t closing = account.opening;
        for (const Posting& posting : account.postings) {
            builder.Post(posting.day, posting.change, posting.counter);
            closing += posting.change;
        }
        facts.Add(builder.Finish(closing));
    }
    return facts;
}

std::vector<Posting> Monthly(std::int64_t amount, const std::string& counter) {
    std::vector<Posting> postings;
    for (int i = 0; i < 12; ++i) {
        const int month = (3 + i) % 12 + 1;
        const int year = month >= 4 ? 2025 : 2026;
        postings.push_back({std::to_string(year * 10000 + month * 100 + 25), amount, counter});
    }
    return postings;
}

// Consumption tax of the year: 1,000 taken on sales, 400 paid on purchases, set off at the end.
std::vector<Account> TaxesSetOff(std::int64_t payableOpening, const std::vector<Posting>& payable) {
    return {{"仮受消費税", 0, {{"20250510", 1000, "売掛金"}, {"20260331", -1000, "諸口"}}},
            {"仮払消費税", 0, {{"20250610", 400, "買掛金"}, {"20260331", -400, "諸口"}}},
            {"未払消費税等", payableOpening, payable}};
}

const Case kCases[] = {
    // consumption-tax
    {"tax-inclusive books have no tax accounts", "consumption-tax", {}, std::nullopt,
     Ends::kNotApplicable, ""},
    {"the books say tax-inclusive", "consumption-tax", {Add(kAssets, "仮払消費税", 0)},
     std::nullopt, Ends::kNotApplicable, "", 0, std::nullopt, false, false},
    {"input tax left at the year's end", "consumption-tax", {Add(kAssets, "仮払消費税", 50)},
     std::nullopt, Ends::kFails, "貸借対照表の仮払消費税", 50, 0},
    {"the payable is what the year's taxes leave", "consumption-tax",
     {Add(kLiabilities, "未払消費税等", 600)}, TaxesSetOff(0, {{"20260331", 600, "諸口"}}),
     Ends::kHolds, ""},
    {"a gap within what simplified tax explains", "consumption-tax",
     {Add(kLiabilities, "未払消費税等", 1500)}, TaxesSetOff(0, {{"20260331", 1500, "諸口"}}),
     Ends::kHolds, ""},
    {"a payable more than 1,000 yen off", "consumption-tax",
     {Add(kLiabilities, "未払消費税等", 2100)}, TaxesSetOff(0, {{"20260331", 2100, "諸口"}}),
     Ends::kWarns, "貸借対照表の未払消費税等", 2100, 600},
    {"last year's tax and an interim payment paid", "consumption-tax",
     {Add(kLiabilities, "未払消費税等", 400)},
     TaxesSetOff(300, {{"20250520", -300, "普通預金"},
                       {"20251120", -200, "普通預金"},
                       {"20260331", 400, "諸口"}}),
     Ends::kHolds, ""},
    {"last year's tax never paid", "consumption-tax", {Add(kLiabilities, "未払消費税等", 900)},
     TaxesSetOff(300, {{"20260331", 600, "諸口"}}), Ends::kFails,
     "総勘定元帳の未払消費税等期首残高", 300, 0},
    // corporate-taxes
    {"no tax line", "corporate-taxes", {{"<Item Label=\"法人税、住民税及び事業税\">200</Item>", ""}},
     std::nullopt, Ends::kNotApplicable, ""},
    {"the payable is the year's tax", "corporate-taxes", {Add(kLiabilities, "未払法人税等", 200)},
     std::nullopt, Ends::kHolds, ""},
    {"a payable beyond the year's tax", "corporate-taxes",
     {Add(kLiabilities, "未払法人税等", 300)}, std::nullopt, Ends::kFails,
     "貸借対照表の未払法人税等", 300, 200},
    {"interim and withheld tax booked to the tax line", "corporate-taxes",
     {Add(kLiabilities, "未払法人税等", 135)},
     std::vector<Account>{{"法人税、住民税及び事業税",
                           0,
                           {{"20251125", 50, "普通預金"},
                            {"20260320", 15, "受取利息"},
                            {"20260331", 135, "未払法人税等"}}},
                          {"未払法人税等", 0, {{"20260331", 135, "法人税、住民税及び事業税"}}}},
     Ends::kHolds, ""},
    {"interim payment through 仮払法人税等, accrued in full", "corporate-taxes",
     {Add(kLiabilities, "未払法人税等", 200)},
     std::vector<Account>{
         {"仮払法人税等", 0, {{"20251125", 80, "普通預金"}, {"20260331", -80, "法人税、住民税及び事業税"}}},
         {"法人税、住民税及び事業税", 0, {{"20260331", 80, "仮払法人税等"}, {"20260331", 120, "未払法人税等"}}},
         {"未払法人税等", 0, {{"20260331", 200, "法人税、住民税及び事業税"}}}},
     Ends::kFails, "貸借対照表の未払法人税等", 200, 120},
    {"last year's taxes never paid", "corporate-taxes", {Add(kLiabilities, "未払法人税等", 200)},
     std::vector<Account>{{"法人税、住民税及び事業税", 0, {{"20260331", 200, "未払法人税等"}}},
                          {"未払法人税等", 100, {{"20260331", 100, "法人税、住民税及び事業税"}}}},
     Ends::kFails, "総勘定元帳の未払法人税等期首残高", 100, 0},
    // open-suspense
    {"a suspense payment left open", "open-suspense", {Add(kAssets, "仮払金", 30)}, std::nullopt,
     Ends::kFails, "貸借対照表の仮払金", 30, 0},
    {"nothing in suspense", "open-suspense", {}, std::nullopt, Ends::kHolds, ""},
    // impossible-balances
    {"an expense below 0", "impossible-balances", {Add(kCosts, "保険料", -96)}, std::nullopt,
     Ends::kFails, "損益計算書の保険料", -96, 0},
    {"contra lines and tax adjustments below 0", "impossible-balances",
     {Add(kAssets, "貸倒引当金", -10), Add(kCosts, "減価償却費", 10),
      {"<Item Label=\"当期製品製造原価\">3000</Item>",
       "<Item Label=\"当期製品製造原価\">3000</Item>\n<Item Label=\"期末製品棚卸高\">-50</Item>"},
      Add("<Item Label=\"法人税、住民税及び事業税\">200</Item>", "法人税等調整額", -48)},
     std::nullopt, Ends::kHolds, ""},
    {"cash below 0 at the year's end", "impossible-balances", {Add(kAssets, "小口現金", -5)},
     std::nullopt, Ends::kFails, "貸借対照表の小口現金", -5, 0},
    {"a deposit below 0 for a day", "impossible-balances", {},
     std::vector<Account>{{"普通預金",
                           100,
                           {{"20250601", -150, "買掛金"},
                            {"20250602", 30, "売掛金"},
                            {"20250602", 200, "売掛金"}}}},
     Ends::kFails, "総勘定元帳の普通預金（20250601の残高）", -50, 0},
    {"a deposit below 0 only within a day", "impossible-balances", {},
     std::vector<Account>{
         {"普通預金", 100, {{"20250601", -150, "買掛金"}, {"20250601", 200, "売掛金"}}}},
     Ends::kHolds, ""},
    {"an overdraft of the current account within the year", "impossible-balances", {},
     std::vector<Account>{
         {"当座預金", 100, {{"20250601", -150, "支払手形"}, {"20250701", 200, "売掛金"}}}},
     Ends::kWarns, "総勘定元帳の当座預金（20250601の残高）", -50, 0},
    // changes-add-up
    {"net income the only change", "changes-add-up", {}, std::nullopt, Ends::kHolds, ""},
    {"a dividend the file gives no reason for", "changes-add-up",
     {{"<TotalChangesItemsDuringPeriod>300<", "<TotalChangesItemsDuringPeriod>200<"},
      {"<BalanceEndCurrentPeriod>800<", "<BalanceEndCurrentPeriod>700<"},
      {"<Item Label=\"繰越利益剰余金\">800<", "<Item Label=\"繰越利益剰余金\">700<"}},
     std::nullopt, Ends::kWarns, "繰越利益剰余金の当期変動額合計", 200, 300},
    {"opening and changes miss the closing", "changes-add-up",
     {{"<BalanceEndPreviousPeriod>500<", "<BalanceEndPreviousPeriod>400<"}}, std::nullopt,
     Ends::kFails, "株主資本等変動計算書の繰越利益剰余金当期末残高", 800, 700},
    {"a closing the balance sheet does not show", "changes-add-up",
     {{"<Item Label=\"繰越利益剰余金\">800<", "<Item Label=\"繰越利益剰余金\">810<"}},
     std::nullopt, Ends::kFails, "株主資本等変動計算書の繰越利益剰余金当期末残高", 800, 810},
    // carried-forward, every balance-sheet account of the ledger
    {"the ledger opens with last year's closing", "carried-forward", {},
     std::vector<Account>{{"現金", 100, {}}, {"給料手当", 0, {{"20250425", 1500, "普通預金"}}}},
     Ends::kHolds, "", 0, std::nullopt, true},
    {"an opening changed after last year's export", "carried-forward", {},
     std::vector<Account>{{"現金", 400, {{"20250410", 300, "製品売上高"}}}}, Ends::kFails,
     "総勘定元帳の現金期首残高", 400, 100, true},
    // officer-pay
    {"no ledger", "officer-pay", {}, std::nullopt, Ends::kNotApplicable, ""},
    {"the same pay every month", "officer-pay", {},
     std::vector<Account>{{"役員報酬", 0, Monthly(300000, "普通預金")}}, Ends::kHolds, ""},
    {"a raise in the seventh month", "officer-pay", {},
     std::vector<Account>{{"役員報酬",
                           0,
                           [] {
                               auto pay = Monthly(300000, "普通預金");
                               pay[6].change = 350000;
                               return pay;
                           }()}},
     Ends::kWarns, "総勘定元帳の役員報酬（10月）", 350000, 300000},
    {"a cut from November on, listed in the fiscal year's order", "officer-pay", {},
     std::vector<Account>{{"役員報酬",
                           0,
                           [] {
                               auto pay = Monthly(300000, "普通預金");
                               for (int i = 7; i < 12; ++i) pay[i].change = 250000;
                               return pay;
                           }()}},
     Ends::kWarns, "総勘定元帳の役員報酬（11月）", 250000, 300000},
    // depreciation
    {"accumulated depreciation grows by the year's charge", "depreciation",
     {Add(kCosts, "減価償却費", 100)},
     std::vector<Account>{{"減価償却累計額", -200, {{"20260331", -100, "減価償却費"}}}},
     Ends::kHolds, ""},
    {"a charge booked elsewhere", "depreciation", {Add(kCosts, "減価償却費", 100)},
     std::vector<Account>{{"減価償却累計額", -200, {{"20260331", -90, "減価償却費"}}}},
     Ends::kWarns, "決算書の減価償却費", 100, 90},
    // entertainment-limit
    {"entertainment within the limit", "entertainment-limit", {Add(kCosts, "交際費", 8000000)},
     std::nullopt, Ends::kHolds, ""},
    {"entertainment over the limit", "entertainment-limit", {Add(kCosts, "交際費", 8000001)},
     std::nullopt, Ends::kWarns, "決算書の交際費", 8000001, 8000000},
    {"a large company", "entertainment-limit",
     {{"<Item Label=\"資本金\">1000<", "<Item Label=\"資本金\">100000001<"},
      Add(kCosts, "交際費", 9000000)},
     std::nullopt, Ends::kNotApplicable, ""},
};

TEST(ReviewChecks, EachCheckHoldsWarnsFailsOrDoesNotApply) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.check) + ": " + c.what);
        std::string text = testing::kTiedOut;
        for (const auto& [from, to] : c.edits) text = Edited(from, to, text);
        const ReadResult read = ReadExportBytes(text);
        ASSERT_TRUE(read.ok) << read.reason << " at line " << read.line;
        const ReadResult previous = ReadExportBytes(testing::YearBefore());
        ASSERT_TRUE(previous.ok);
        const std::optional<LedgerFacts> ledger =
            c.ledger ? std::optional<LedgerFacts>(Ledger(*c.ledger)) : std::nullopt;
        const BooksReview books{"books", c.taxExclusive.value_or(true)};
        const ReviewInputs inputs{read.document, c.previous ? &previous.document : nullptr,
                                  ledger ? &*ledger : nullptr, c.taxExclusive ? &books : nullptr};
        const std::vector<CheckOutcome> outcomes = RunChecks(inputs);
        const auto outcome = std::find_if(outcomes.begin(), outcomes.end(), [&](const auto& o) {
            return std::string(o.check->name) == c.check;
        });
        ASSERT_NE(outcome, outcomes.end());
        const Ends ends = !outcome->failures.empty()        ? Ends::kFails
                          : !outcome->warnings.empty()      ? Ends::kWarns
                          : !outcome->notApplicable.empty() ? Ends::kNotApplicable
                                                            : Ends::kHolds;
        EXPECT_EQ(ends, c.ends) << (outcome->failures.empty()
                                        ? ""
                                        : DescribeSide(outcome->failures[0].left))
                                << " " << outcome->notApplicable;
        const auto& found = ends == Ends::kFails ? outcome->failures : outcome->warnings;
        if (c.found.empty() || found.empty()) continue;
        EXPECT_EQ(found[0].left.what.substr(0, c.found.size()), c.found) << found[0].left.what;
        EXPECT_EQ(found[0].left.amount, c.amount);
        if (c.right) {
            EXPECT_EQ(found[0].right.amount, *c.right) << found[0].right.what;
        }
        EXPECT_FALSE(found[0].note.empty() && ends == Ends::kWarns);
    }
}

// The fractions of a yen each figure loses when it is cut: a gap they explain warns, with the
// lines of both figures; anything more fails.
TEST(ReviewChecks, AGapOfCutFractionsWarnsAndALargerOneFails) {
    const struct {
        const char* current;  // 流動資産合計 of two items, 400 and 600
        Ends ends;
    } kGaps[] = {{"1000", Ends::kHolds}, {"999", Ends::kWarns}, {"998", Ends::kFails}};
    for (const auto& gap : kGaps) {
        const std::string text =
            Edited("Label=\"流動資産合計\" Amount=\"1000\"",
                   std::string("Label=\"流動資産合計\" Amount=\"") + gap.current + "\"");
        const ReadResult read = ReadExportBytes(text);
        ASSERT_TRUE(read.ok);
        for (const CheckOutcome& outcome : RunChecks(read.document)) {
            if (std::string(outcome.check->name) != "section-totals") continue;
            EXPECT_EQ(outcome.failures.empty(), gap.ends != Ends::kFails) << gap.current;
            if (gap.ends == Ends::kHolds) {
                EXPECT_TRUE(outcome.warnings.empty());
            }
            if (gap.ends != Ends::kWarns) continue;
            // The total and, one step up, 資産合計 computed from it.
            const int line = testing::LineOf("Label=\"流動資産合計\"", text);
            EXPECT_TRUE(std::any_of(outcome.warnings.begin(), outcome.warnings.end(),
                                    [&](const Disagreement& warning) {
                                        return warning.left.lines == std::vector<int>{line};
                                    }));
            EXPECT_NE(outcome.warnings[0].note.find("円未満"), std::string::npos);
        }
    }
}

TEST(ReviewChecks, LabelsAreReadWithTheirVariantsAndRemarks) {
    const struct {
        const char* label;
        AccountRole role;
        bool has;
    } kLabels[] = {
        {"未払消費税", AccountRole::kConsumptionTaxPayable, true},
        {"未払消費税等（税抜）", AccountRole::kConsumptionTaxPayable, true},
        {"未払 消費税等", AccountRole::kConsumptionTaxPayable, true},
        {"未払法人税等", AccountRole::kConsumptionTaxPayable, false},
        {"普通預金", AccountRole::kDeposit, true},
        {"預り金", AccountRole::kDeposit, false},
        {"賞与引当金", AccountRole::kContra, true},
        {"期末製品棚卸高", AccountRole::kContra, true},
        {"減価償却費製造", AccountRole::kDepreciation, true},
        {"仮払金(旅費)", AccountRole::kSuspense, true},
        {"（株）", AccountRole::kSuspense, false},
    };
    for (const auto& l : kLabels) EXPECT_EQ(HasRole(l.label, l.role), l.has) << l.label;
}

TEST(ReviewChecks, LedgerDatesGiveTheirMonth) {
    const struct {
        const char* date;
        int month;
    } kDates[] = {{"令和7年4月15日", 4}, {"令和8年12月1日", 12}, {"20250415", 4},
                  {"20251315", 0},       {"令和7年月1日", 0},    {"4月", 0}};
    for (const auto& d : kDates) EXPECT_EQ(MonthOf(d.date), d.month) << d.date;
}

}  // namespace
}  // namespace kcview

namespace kcview {
namespace {

// An account keeps the lines its checks read, and no more: the consumption taxes take a line of
// every sale and purchase, and keep only those that take them down.
TEST(ReviewChecks, AccountsKeepOnlyTheLinesTheirChecksRead) {
    const struct {
        const char* label;
        std::size_t kept;
    } kAccounts[] = {{"仮受消費税", 1}, {"仮払消費税等", 1}, {"未払消費税等", 3},
                     {"役員報酬", 3},   {"現金", 0},         {"売上高", 0}};
    for (const auto& a : kAccounts) {
        HistoryBuilder builder(a.label, "", 0, 0);
        builder.Post("20250410", 100, "売掛金");
        builder.Post("20250520", 200, "売掛金");
        builder.Post("20260331", -300, "諸口");
        const AccountHistory history = builder.Finish(0);
        EXPECT_EQ(history.lines.size(), a.kept) << a.label;
        EXPECT_EQ(history.lowest, 0) << a.label;
    }
}

}  // namespace
}  // namespace kcview

// The review page. It is made in a buffer handed on whenever it passes a megabyte (a large
// export's ledger is most of the page), and the ledger's rows leave out the end tags HTML lets
// them leave out.

#include "tools/kcview/Page.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "tools/kcview/ComparisonPage.h"
#include "tools/kcview/EraDates.h"
#include "tools/kcview/LedgerSides.h"
#include "tools/kcview/NetAssetsGroups.h"
#include "tools/kcview/ProfitLines.h"

namespace kcview {
namespace {

// The look the review page shares with the office's summary: its colours, its font and its head.
const char kBaseStyle[] = R"(
:root{--ink:#1d2430;--rule:#c9ced6;--soft:#f3f5f8;--ok:#1f7a3a;--ng:#b3261e;--warn:#9a6700}
*{box-sizing:border-box}
body{margin:0 auto;max-width:1100px;padding:16px 20px;color:var(--ink);
font:14px/1.45 "IPAPGothic","IPAGothic","Noto Sans CJK JP",sans-serif}
header h1{font-size:20px;margin:0 0 4px}
header p{margin:0;color:#555}
)";

const char kStyle[] = R"(
h2{font-size:16px;border-bottom:2px solid var(--ink);padding-bottom:2px;margin:24px 0 8px}
h3{font-size:14px;margin:12px 0 4px}
.sh{display:flex;align-items:baseline;gap:16px;border-bottom:2px solid var(--ink);
margin:24px 0 8px;padding-bottom:2px}
.sh h2{border:0;margin:0;padding:0}
.sh p{margin:0;color:#444}
.sh .unit{margin-left:auto;font-size:12px}
.checks{border:2px solid var(--ok);border-radius:6px;padding:8px 14px;margin:14px 0}
.checks.ng{border-color:var(--ng)}
.checks.wn{border-color:var(--warn)}
.checks h2{border:0;margin:0 0 6px}
.checks ul{margin:0;padding-left:0;list-style:none}
.checks li{margin:2px 0}
.checks .mark{display:inline-block;width:1.4em;font-weight:bold}
.checks .ok .mark{color:var(--ok)} .checks .ng .mark{color:var(--ng)} .checks .na .mark{color:#777}
.checks .wn .mark{color:var(--warn)}
.checks .state{font-size:12px;border:1px solid currentColor;border-radius:3px;padding:0 3px}
.checks .ok>.state{color:var(--ok)} .checks .ng>.state{color:var(--ng)}
.checks .wn>.state{color:var(--warn)} .checks .na>.state{color:#777}
.checks .why{display:block;margin-left:1.4em;color:#555;font-size:12px}
.checks .desc{color:#666;font-size:12px}
.checks ol{margin:2px 0 6px 1.4em;padding-left:1em;color:var(--ng)}
.checks ol.wn{color:var(--warn)}
.checks .note{display:block;color:#444;font-size:12px}
.checks .fig{font-variant-numeric:tabular-nums;white-space:nowrap}
.checks .ln{color:#777;font-size:12px}
#pl .st,#cm .st,.eq{max-width:760px}
.sheet{display:grid;grid-template-columns:1fr 1fr;gap:16px;align-items:start}
table{border-collapse:collapse;width:100%}
td,th{padding:1px 6px;vertical-align:top}
.st td{border-bottom:1px solid var(--soft)}
.st td:nth-child(2),.st td:nth-child(3),.n{text-align:right;font-variant-numeric:tabular-nums;
white-space:nowrap;width:8.5em}
.st tr.h td{font-weight:bold;padding-top:6px}
.st tr.t td{font-weight:bold;border-top:1px solid var(--rule)}
.st tr.g td{font-weight:bold;background:var(--soft)}
.st tr.sum td{font-weight:bold;border-top:3px double var(--ink)}
.d1{padding-left:6px}.d2{padding-left:1.2em}.d3{padding-left:2.2em}.d4{padding-left:3.2em}
.d5{padding-left:4.2em}.d6{padding-left:5.2em}.d7{padding-left:6.2em}
.eq th{text-align:right;border-bottom:1px solid var(--rule);font-size:12px}
.eq th:first-child{text-align:left}
.eq td{border-bottom:1px solid var(--soft)}
.eq td.r{padding-left:2em;color:#444}
.notes p{margin:0}
.notes .k{color:#555}
.n1{padding-left:1em}.n2{padding-left:2em}.n3{padding-left:3em}.n4{padding-left:4em}
.n5{padding-left:5em}.n6{padding-left:6em}
details{border-bottom:1px solid var(--soft)}
summary{cursor:pointer;padding:2px 0}
summary .c{color:#777;font-size:12px;margin:0 8px}
summary .f{float:right;font-variant-numeric:tabular-nums}
.l{font-size:12px;margin:4px 0 10px}
.l th{background:var(--soft);text-align:left;font-weight:normal;white-space:nowrap}
.l td:nth-child(n+5),.l th:nth-child(n+5){text-align:right;white-space:nowrap;
font-variant-numeric:tabular-nums;width:7.5em}
.l td:first-child{white-space:nowrap}
.l .s{color:#666;font-size:11px}
.l tr.o td{color:#555}
footer{margin-top:24px;color:#888;font-size:11px}
footer p{margin:0}
@media print{
body{max-width:none;padding:0;font-size:8.5pt;line-height:1.25}
header h1{font-size:14pt}
h2{font-size:12pt;break-after:avoid}
h3{font-size:9.5pt;margin:6px 0 2px;break-after:avoid}
.sh{margin:0 0 6px}
.sh .unit{font-size:8pt}
.statement,.notes,.ledger{break-before:page}
.checks,.changes{border-width:1px;font-size:8pt}
.checks .desc,.checks .why,.checks .ln,.checks .note,.checks .state{font-size:7.5pt}
.checks li,.changes li,tr{break-inside:avoid}
td,th{padding:0 4px}
.st tr.h td{padding-top:2px}
.st td{border-bottom-color:#e4e7ec}
.sheet{gap:10px}
.st td:nth-child(2),.st td:nth-child(3){width:6.6em}
.l{font-size:7.5pt}
.l td:nth-child(n+5),.l th:nth-child(n+5){width:6.2em}
.l .s{font-size:7pt}
summary{list-style:none;cursor:auto}
summary::-webkit-details-marker{display:none}
a{color:inherit;text-decoration:none}
footer{font-size:7.5pt}
}
)";

// The print's paper, and the company and year it repeats at the top of every page with the
// page's number at the bottom, in the margin boxes of CSS paged media that Chromium draws.
// The running header names the company of the file, written as a CSS string.
void PageRule(std::string& style, std::string_view runningHeader) {
    style += "@page{size:A4 portrait;margin:16mm 13mm 14mm;@top-center{content:\"";
    for (const char c : runningHeader) {
        const auto byte = static_cast<unsigned char>(c);
        // A quote or backslash would end the string or escape; `<` could end the style element;
        // a control character has no place in a heading.
        if (c == '"' || c == '\\' || c == '<' || c == '>' || c == '&' || byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\%x ", static_cast<unsigned>(byte));
            style += escape;
        } else {
            style.push_back(c);
        }
    }
    style +=
        "\";font-size:8pt;color:#555}@bottom-center{content:counter(page) \" / \" "
        "counter(pages);font-size:8pt;color:#555}}\n";
}

std::string HeadingOf(const XmlNode& node) {
    return SectionHeading(node.name);
}

// Eight digits, the only text the page writes as a date without escaping it.
bool IsDate(std::string_view text) {
    return text.size() == 8 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class Html {
public:
    explicit Html(std::size_t reserve) { out_.reserve(reserve); }

    Html& operator<<(std::string_view raw) {
        out_.append(raw);
        return *this;
    }
    // Text of the file, escaped.
    Html& Text(std::string_view text) {
        std::size_t plain = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char* entity = nullptr;
            switch (text[i]) {
                case '&':
                    entity = "&amp;";
                    break;
                case '<':
                    entity = "&lt;";
                    break;
                case '>':
                    entity = "&gt;";
                    break;
                case '"':
                    entity = "&quot;";
                    break;
                default:
                    continue;
            }
            out_.append(text.substr(plain, i - plain));
            out_.append(entity);
            plain = i + 1;
        }
        out_.append(text.substr(plain));
        return *this;
    }
    Html& Yen(std::int64_t amount) {
        AppendYen(out_, amount);
        return *this;
    }
    Html& Number(long long value) {
        char buffer[24];
        auto end = std::to_chars(buffer, buffer + sizeof(buffer), value).ptr;
        out_.append(buffer, end);
        return *this;
    }
    // yyyymmdd as yyyy/mm/dd; any other text as it is.
    Html& Date(std::string_view date) {
        if (!IsDate(date)) return Text(date);
        return *this << date.substr(0, 4) << "/" << date.substr(4, 2) << "/" << date.substr(6, 2);
    }
    std::string Take() { return std::move(out_); }
    // Hands what is made so far to `out` once it passes `bytes`; false when `out` failed.
    bool HandOnOver(std::size_t bytes, const PageOut& out) {
        if (out_.size() < bytes) return true;
        const bool written = out(out_);
        out_.clear();
        return written;
    }

    static void AppendYen(std::string& out, std::int64_t amount) {
        char digits[24];
        const std::uint64_t magnitude = amount < 0 ? 0 - static_cast<std::uint64_t>(amount)
                                                   : static_cast<std::uint64_t>(amount);
        const char* end = std::to_chars(digits, digits + sizeof(digits), magnitude).ptr;
        const std::size_t count = static_cast<std::size_t>(end - digits);
        if (amount < 0) out.append("△");
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0 && (count - i) % 3 == 0) out.push_back(',');
            out.push_back(digits[i]);
        }
    }

private:
    std::string out_;
};

std::int64_t AmountOf(const XmlNode& node) {
    const std::string* amount = node.Attribute("Amount");
    return ParseAmount(amount ? *amount : node.text).value_or(0);
}

std::string LabelOf(const XmlNode& node) {
    const std::string* label = node.Attribute("Label");
    return label && !label->empty() ? *label : HeadingOf(node);
}

// A total's amount; a subtotal of the page's own that does not fit 64 bits has none ("―").
void TotalAmount(Html& html, const XmlNode& node) {
    const std::string* amount = node.Attribute("Amount");
    if (amount && !ParseAmount(*amount)) {
        html << "―";
    } else {
        html.Yen(AmountOf(node));
    }
}

std::string FiscalYearOf(const ExportDocument& document) {
    return FiscalPeriod(document.basic.ChildText("JIGYOUNENDOFROM"),
                        document.basic.ChildText("JIGYOUNENDOTO"));
}

void Header(Html& html, const ExportDocument& document) {
    html << "<header><h1>";
    html.Text(document.basic.ChildText("KOMONSAKINAME")) << "　決算書</h1><p>事業年度 ";
    html.Text(FiscalYearOf(document)) << "</p></header>\n";
}

// The programs that wrote the file, at the end of the page: the working paper's reader needs
// them last, if at all.
void Footer(Html& html, const ExportDocument& document) {
    html << "<footer><p>提出先 ";
    html.Text(document.system.ChildText("PROGRAMNAME")) << " ";
    html.Text(document.system.ChildText("PROGRAMVER")) << "　／　連動プログラム ";
    html.Text(document.system.ChildText("CONNECTEDPROGRAMVER"))
        << "</p><p>kcview で作成。金額は円未満を切り捨てた出力ファイルの値です。</p></footer>\n";
}

void Side(Html& html, const FigureSide& side) {
    html << "<span class=fig>";
    html.Text(side.what) << " <b>";
    html.Yen(side.amount) << "</b></span>";
    if (side.lines.empty()) return;
    html << " <span class=ln>(";
    for (std::size_t i = 0; i < side.lines.size() && i < 4; ++i)
        html << (i ? ", " : "") << std::to_string(side.lines[i]);
    if (side.lines.size() > 4) html << ", …";
    html << "行目)</span>";
}

// How a check ended, as the page marks it: a failure (不一致), a warning (注意), not applicable
// (対象外) or held (一致). A check that both fails and warns is a failure, its warnings listed
// under its failures.
struct CheckState {
    const char* css;
    const char* mark;
    const char* word;
};

CheckState StateOf(const CheckOutcome& outcome) {
    if (!outcome.notApplicable.empty()) return {"na", "－", "対象外"};
    if (!outcome.failures.empty()) return {"ng", "✗", "不一致"};
    if (!outcome.warnings.empty()) return {"wn", "！", "注意"};
    return {"ok", "✓", "一致"};
}

// The figures that disagree, each with what the check says of the gap.
void Findings(Html& html, const std::vector<Disagreement>& found, const char* css,
              std::string_view prefix) {
    if (found.empty()) return;
    html << "<ol class=" << css << ">";
    for (const Disagreement& finding : found) {
        html << "<li>" << prefix;
        Side(html, finding.left);
        html << " ≠ ";
        Side(html, finding.right);
        if (!finding.note.empty()) {
            html << "<span class=note>";
            html.Text(finding.note) << "</span>";
        }
        html << "</li>";
    }
    html << "</ol>";
}

void Checks(Html& html, const std::vector<CheckOutcome>& outcomes) {
    std::size_t failed = 0;
    std::size_t warned = 0;
    std::size_t notApplicable = 0;
    for (const CheckOutcome& outcome : outcomes) {
        failed += outcome.failures.empty() ? 0 : 1;
        // Counted as the console counts them: every check with a warning, failed or not.
        warned += outcome.warnings.empty() ? 0 : 1;
        notApplicable += outcome.notApplicable.empty() ? 0 : 1;
    }
    const std::string checks = std::to_string(outcomes.size());
    html << "<section class=\"checks"
         << (failed   ? " ng"
             : warned ? " wn"
                      : "")
         << "\" id=checks><h2>";
    if (failed > 0) {
        html << "検査: " << std::to_string(failed) << "項目で不一致があります（" << checks
             << "項目中";
        if (warned > 0) html << "、" << std::to_string(warned) << "項目に注意";
        html << "）";
    } else if (warned > 0) {
        html << "検査: 不一致はありません（" << checks << "項目中" << std::to_string(warned)
             << "項目に注意";
        if (notApplicable > 0) html << "、" << std::to_string(notApplicable) << "項目は対象外";
        html << "）";
    } else if (notApplicable > 0) {
        html << "検査: 不一致はありません（" << checks << "項目中" << std::to_string(notApplicable)
             << "項目は対象外）";
    } else {
        html << "検査: すべて一致しています（" << checks << "項目）";
    }
    html << "</h2><ul>";
    for (const CheckOutcome& outcome : outcomes) {
        const CheckState state = StateOf(outcome);
        html << "<li class=" << state.css << "><span class=mark>" << state.mark << "</span>"
             << outcome.check->title << " <span class=state>" << state.word
             << "</span> <span class=desc>" << outcome.check->description << "</span>";
        if (!outcome.notApplicable.empty()) {
            html << "<span class=why>対象外: ";
            html.Text(outcome.notApplicable) << "</span>";
        }
        Findings(html, outcome.failures, "ng", "");
        Findings(html, outcome.warnings, "wn", "注意: ");
        html << "</li>";
    }
    html << "</ul></section>\n";
}

// --- the statements: label | item amount | section or total amount

// A statement's title with the day or the period it covers, and the unit of its amounts.
void StatementStart(Html& html, const char* id, std::string_view title, const std::string& when) {
    html << "<section class=statement id=" << id << "><div class=sh><h2>" << title
         << "</h2><p class=when>";
    html.Text(when) << "</p><p class=unit>（単位：円）</p></div>";
}

// `ownTotals` 0 leaves out the totals of the first level, which the caller writes itself.
void StatementRows(Html& html, const XmlNode& node, int depth, bool ownTotals = true) {
    // Seven levels: 純資産の部 › 株主資本 › 利益剰余金 › その他利益剰余金 › its lines.
    const int shown = depth > 7 ? 7 : depth;
    const std::string indent = std::to_string(shown);
    for (const XmlNode& child : node.children) {
        if (child.name == "Item") {
            html << "<tr><td class=d" << std::to_string(shown + 1 > 7 ? 7 : shown + 1) << ">";
            html.Text(LabelOf(child)) << "<td>";
            html.Yen(AmountOf(child)) << "<td></tr>\n";
        } else if (child.children.empty() && child.Attribute("Amount")) {
            // A total line, or a section whose items are all zero; a profit line that is a loss
            // under the loss's label.
            const ShownProfit line = ShownProfitLine(child.name, LabelOf(child), AmountOf(child));
            html << "<tr class=g><td class=d" << indent << ">";
            html.Text(line.label) << "<td><td>";
            if (IsProfitLine(child.name)) {
                html.Yen(line.amount);
            } else {
                TotalAmount(html, child);
            }
            html << "</tr>\n";
        } else {
            html << "<tr class=h><td class=d" << indent << ">";
            html.Text(HeadingOf(child)) << "<td><td></tr>\n";
            StatementRows(html, child, depth + 1);
            if (child.Attribute("Amount") && ownTotals) {
                html << "<tr class=t><td class=d" << indent << ">";
                html.Text(LabelOf(child)) << "<td><td>";
                TotalAmount(html, child);
                html << "</tr>\n";
            }
        }
    }
}

void StatementTable(Html& html, const XmlNode& node) {
    html << "<table class=st>\n";
    StatementRows(html, node, 1);
    html << "</table>\n";
}

void BalanceSheet(Html& html, const ExportDocument& document, const XmlNode& fileSheet) {
    StatementStart(html, "bs", "貸借対照表", AsOfDate(document.basic.ChildText("JIGYOUNENDOTO")));
    html << "<div class=sheet><div><table class=st>\n";
    const XmlNode sheet = WithGroupedNetAssets(fileSheet, IsMembersCompany(document));
    // The liabilities and net assets added up; a sum beyond 64 bits is shown as not to be had
    // (the balance check reports such a file).
    std::optional<std::int64_t> right = 0;
    const XmlNode* assets = sheet.Child("Assets");
    XmlNode left{"", {}, {}, 0, {}};
    XmlNode other{"", {}, {}, 0, {}};
    for (const XmlNode& child : sheet.children) {
        (child.name == "Assets" ? left : other).children.push_back(child);
        if (child.name != "Assets" && right) right = CheckedSum(*right, AmountOf(child));
    }
    StatementRows(html, left, 1, false);
    html << "</table></div><div><table class=st>\n";
    StatementRows(html, other, 1);
    html << "</table></div></div><div class=sheet><table class=st><tr class=sum><td>";
    if (assets) html.Text(LabelOf(*assets));
    html << "<td><td>";
    html.Yen(assets ? AmountOf(*assets) : 0) << "</table><table class=st><tr class=sum><td>"
                                                "負債及び純資産合計<td><td>";
    if (right) {
        html.Yen(*right);
    } else {
        html << "―";
    }
    html << "</table></div></section>\n";
}

void ChangesInNetAssets(Html& html, const ExportDocument& document, const XmlNode& changes) {
    const bool members = changes.ChildText("Select") == "2";
    StatementStart(html, "ss", members ? "社員資本等変動計算書" : "株主資本等変動計算書",
                   FiscalYearOf(document));
    html << "<table class=eq><tr><th>科目<th>当期首残高<th>当期変動額<th>当期末残高</tr>\n";
    for (const XmlNode& row : changes.children) {
        if (row.name != "ChangesNetAssetsItem") continue;
        const XmlNode* during = row.Child("ChangesItemsDuringPeriod");
        html << "<tr><td>";
        html.Text(row.ChildText("AccountList")) << "<td class=n>";
        html.Yen(ParseAmount(row.ChildText("BalanceEndPreviousPeriod")).value_or(0))
            << "<td class=n>";
        html.Yen(during
                     ? ParseAmount(during->ChildText("TotalChangesItemsDuringPeriod")).value_or(0)
                     : 0)
            << "<td class=n>";
        html.Yen(ParseAmount(row.ChildText("BalanceEndCurrentPeriod")).value_or(0)) << "</tr>\n";
        for (const XmlNode& item : during ? during->children : std::vector<XmlNode>{}) {
            if (item.name != "ChangesItem") continue;
            html << "<tr><td class=r>";
            html.Text(item.ChildText("Reason")) << "<td><td class=n>";
            html.Yen(ParseAmount(item.ChildText("Amount")).value_or(0)) << "<td></tr>\n";
        }
    }
    html << "</table></section>\n";
}

void Statements(Html& html, const ExportDocument& document) {
    if (const XmlNode* sheet = document.Section("BalanceSheet"))
        BalanceSheet(html, document, *sheet);
    if (const XmlNode* income = document.Section("IncomeStatement")) {
        StatementStart(html, "pl", "損益計算書", FiscalYearOf(document));
        StatementTable(html, *income);
        html << "</section>\n";
    }
    if (const XmlNode* schedule = document.Section("ScheduleCostGoodsManufactured")) {
        StatementStart(html, "cm", "製造原価報告書", FiscalYearOf(document));
        StatementTable(html, *schedule);
        html << "</section>\n";
    }
    if (const XmlNode* changes = document.Section("StatementChangesNetAssets"))
        ChangesInNetAssets(html, document, *changes);
}

// The statements beside last year's, each under the same title, day or period and unit.
void ComparedStatements(Html& html, const ExportDocument& document, const Comparison& comparison) {
    for (const ComparedStatement& statement : comparison.statements) {
        StatementStart(html, statement.id.c_str(), statement.title,
                       statement.id == "bs" ? AsOfDate(document.basic.ChildText("JIGYOUNENDOTO"))
                                            : FiscalYearOf(document));
        html << ComparedTableHtml(statement) << "</section>\n";
    }
}

// A note's title, then its lines one level deeper; a note of one line and nothing else has it
// beside its title ("保証債務　取引先の借入金に対する保証 4,000,000円").
void NoteTree(Html& html, const XmlNode& node, int depth, const NoteTitles* titles) {
    const std::string indent = std::to_string(depth > 6 ? 6 : depth);
    for (const XmlNode& child : node.children) {
        if (child.name == "Line") {
            html << "<p class=n" << indent << ">";
            html.Text(child.text) << "</p>\n";
            continue;
        }
        const std::string title = NoteTitle(child.name, titles);
        if (depth == 0) {
            html << "<h3>";
            html.Text(title) << "</h3>\n";
        } else if (child.children.size() == 1 && child.children[0].name == "Line") {
            html << "<p class=n" << indent << "><span class=k>";
            html.Text(title) << "</span>　";
            html.Text(child.children[0].text) << "</p>\n";
            continue;
        } else {
            html << "<p class=\"k n" << indent << "\">";
            html.Text(title) << "</p>\n";
        }
        NoteTree(html, child, depth + 1, titles);
    }
}

// The ledger prints only the accounts the reader has opened, each closed one as its summary
// line (its name, lines, opening and closing balance): an accountant prints the accounts a
// question is about, and a whole ledger of thousands of lines printed by accident would be
// hundreds of pages.
void LedgerHeading(Html& html, const ExportDocument& document) {
    std::size_t entries = 0;
    for (const LedgerAccount& account : document.ledger) entries += account.entryCount;
    html << "<section class=ledger id=gl><h2>総勘定元帳</h2><p>"
         << std::to_string(document.ledger.size()) << "科目、" << std::to_string(entries)
         << "行。科目名を押すと明細を開きます。印刷には開いた科目の明細だけが入ります。</p>\n";
}

void LedgerAccountRows(Html& html, const LedgerAccount& account) {
    const LedgerSides sides = SidesOf(account.category, account.opening, account.closing);
    const char* balanceHeading = sides.balance == sides.category       ? "残高"
                                 : sides.balance == NormalSide::Credit ? "貸方残高"
                                                                       : "借方残高";
    html << "<details><summary>";
    html.Text(account.name) << "<span class=c>";
    html.Text(account.category) << "</span>" << std::to_string(account.entries.size())
                                << "行<span class=f>前期繰越 ";
    html.Yen(account.opening) << "　→　期末残高 ";
    html.Yen(account.closing)
        << "</span></summary><table class=l><thead><tr><th>日付<th>伝票<th>相手科目<th>摘要"
           "<th>借方<th>貸方<th>"
        << balanceHeading << "</thead>\n<tr class=o><td><td><td><td>前期繰越<td><td><td>";
    html.Yen(ShownBalance(sides, account.opening)) << "\n";
    for (const LedgerEntry& entry : account.entries) {
        html << "<tr><td>";
        html.Date(entry.date) << "<td>";
        html.Text(entry.voucher) << "<td>";
        html.Text(entry.counterAccount);
        if (!entry.counterSubAccount.empty()) {
            html << "<br><span class=s>";
            html.Text(entry.counterSubAccount) << "</span>";
        }
        html << "<td>";
        if (!entry.ownSubAccount.empty()) {
            html << "<span class=s>";
            html.Text(entry.ownSubAccount) << "</span> ";
        }
        html.Text(entry.description);
        const LedgerAmounts amounts = AmountsOf(sides, entry.change);
        if (amounts.signedChange) {
            html << "<td colspan=2>";
            html.Yen(*amounts.signedChange);
        } else {
            html << "<td>";
            if (amounts.debit) html.Yen(*amounts.debit);
            html << "<td>";
            if (amounts.credit) html.Yen(*amounts.credit);
        }
        html << "<td>";
        html.Yen(ShownBalance(sides, entry.balance)) << "\n";
    }
    html << "<tr class=o><td><td><td><td>期末残高<td><td><td>";
    html.Yen(ShownBalance(sides, account.closing)) << "\n</table></details>\n";
}

// The second reading gives the ledger the first one summed, or the file changed in between.
bool SameAccount(const LedgerAccount& read, const LedgerAccount& summed) {
    return read.name == summed.name && read.category == summed.category &&
           read.opening == summed.opening && read.closing == summed.closing &&
           read.entries.size() == summed.entryCount;
}

}  // namespace

std::string_view BaseStyle() {
    return kBaseStyle;
}

std::string FormatYen(std::int64_t amount) {
    std::string text;
    Html::AppendYen(text, amount);
    return text;
}

std::string EscapedHtml(std::string_view text) {
    Html html(text.size() + 16);
    html.Text(text);
    return html.Take();
}

bool WritePage(const ExportDocument& document, const std::vector<CheckOutcome>& outcomes,
               const Comparison* comparison, const LedgerReading& readLedger, const PageOut& out,
               std::string* error, const NoteTitles* noteTitles) {
    constexpr std::size_t kPiece = 1 << 20;
    Html html(kPiece + 64 * 1024);
    const std::string company = document.basic.ChildText("KOMONSAKINAME");
    std::string pageRule;
    PageRule(pageRule, company + "　" + FiscalYearOf(document));
    html << "<!DOCTYPE html>\n<html lang=ja><head><meta charset=utf-8>"
            "<meta name=viewport content=\"width=device-width\"><title>";
    html.Text(company) << " 決算書の確認</title><style>" << kBaseStyle << kStyle
                       << (comparison ? kComparisonStyle : "") << pageRule
                       << "</style></head><body>\n";
    Header(html, document);
    Checks(html, outcomes);
    if (comparison) {
        html << MarkedChangesHtml(*comparison);
        ComparedStatements(html, document, *comparison);
    } else {
        Statements(html, document);
    }
    if (const XmlNode* notes = document.Section("ListNotesNonConsolidated")) {
        html << "<section class=notes id=notes><h2>個別注記表</h2>\n";
        NoteTree(html, *notes, 0, noteTitles);
        html << "</section>\n";
    }
    bool written = true;
    if (document.hasLedger) {
        LedgerHeading(html, document);
        std::size_t next = 0;
        bool same = true;
        const ReadResult again = readLedger([&](const LedgerAccount& account) {
            if (!written || !same) return;
            same = next < document.ledger.size() && SameAccount(account, document.ledger[next]);
            ++next;
            if (!same) return;
            LedgerAccountRows(html, account);
            written = html.HandOnOver(kPiece, out);
        });
        if (!written) return false;
        if (!again.ok || !same || next != document.ledger.size()) {
            *error = "the file changed while kcview read it; run kcview again";
            return false;
        }
        html << "</section>\n";
    }
    Footer(html, document);
    html << "</body></html>\n";
    return html.HandOnOver(0, out);
}

std::string RenderPage(const ExportDocument& document, const std::vector<CheckOutcome>& outcomes,
                       const LedgerReading& readLedger, const Comparison* comparison,
                       const NoteTitles* noteTitles) {
    std::string page;
    std::string error;
    const bool made = WritePage(
        document, outcomes, comparison, readLedger,
        [&](std::string_view piece) {
            page.append(piece);
            return true;
        },
        &error, noteTitles);
    return made ? page : std::string();
}

}  // namespace kcview

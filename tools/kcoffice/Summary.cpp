#include "tools/kcoffice/Summary.h"

#include <algorithm>
#include <sstream>
#include <tuple>

#include "tools/kcview/EraDates.h"
#include "tools/kcview/Page.h"

namespace office {
namespace {

// The review page's look, wider for the columns of a row.
const char kStyle[] = R"(
body{max-width:1280px}
.tally{display:flex;gap:10px;margin:12px 0}
.tally span{border:2px solid var(--rule);border-radius:6px;padding:4px 12px}
.tally .ng{border-color:var(--ng);color:var(--ng)}
.tally .wn{border-color:var(--warn);color:var(--warn)}
.tally .ok{border-color:var(--ok);color:var(--ok)}
table{border-collapse:collapse;width:100%;font-size:13px}
th{background:var(--soft);text-align:left;font-weight:normal;white-space:nowrap;padding:3px 6px;
border-bottom:1px solid var(--rule)}
td{padding:3px 6px;border-bottom:1px solid var(--soft);vertical-align:top}
td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
td .prev{display:block;color:#777;font-size:12px}
tr.ng td:first-child{border-left:4px solid var(--ng)}
tr.wn td:first-child{border-left:4px solid var(--warn)}
tr.ok td:first-child{border-left:4px solid var(--ok)}
.state{font-size:12px;border:1px solid currentColor;border-radius:3px;padding:0 3px;white-space:nowrap}
.state.ng{color:var(--ng)} .state.wn{color:var(--warn)} .state.ok{color:var(--ok)}
.why{display:block;color:var(--ng);font-size:12px;max-width:24em}
td.name{min-width:11em}
.nw{white-space:nowrap}
.same{color:#777;font-size:12px}
td.links a{margin-right:8px;white-space:nowrap}
footer{margin-top:24px;color:#888;font-size:11px}
@media print{body{max-width:none;padding:0;font-size:8.5pt}table{font-size:8pt}
a{color:inherit;text-decoration:none}tr{break-inside:avoid}
@page{size:A4 landscape;margin:12mm}}
)";

int Rank(const Row& row) {
    if (!row.exported) return 0;
    if (row.failed > 0) return 1;
    if (row.warned > 0) return 2;
    return 3;
}

const char* RowClass(const Row& row) {
    switch (Rank(row)) {
        case 0:
        case 1:
            return "ng";
        case 2:
            return "wn";
        default:
            return "ok";
    }
}

std::string Yen(const std::optional<std::int64_t>& amount) {
    return amount ? kcview::FormatYen(*amount) : "";
}

// A link to a file of the client's folder: its name escaped for the address and the page.
std::string Link(const std::string& client, const std::string& file, const char* label) {
    std::string address;
    for (const unsigned char c : client + "/" + file) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '/' ||
                           c == '~';
        if (plain) {
            address.push_back(static_cast<char>(c));
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            address += '%';
            address += kHex[c >> 4];
            address += kHex[c & 15];
        }
    }
    return "<a href=\"" + address + "\">" + label + "</a>";
}

std::string Period(const Row& row) {
    if (row.periodFrom.empty() || row.periodTo.empty()) return "";
    return "<span class=nw>" + kcview::EscapedHtml(kcview::EraDate(row.periodFrom)) +
           "～</span><br><span class=nw>" + kcview::EscapedHtml(kcview::EraDate(row.periodTo)) +
           "</span>";
}

std::string Checks(const Row& row) {
    if (!row.exported) return "";
    std::ostringstream cell;
    cell << "<span class=nw>";
    if (row.failed > 0) cell << "<span class=\"state ng\">不一致 " << row.failed << "</span> ";
    if (row.warned > 0) cell << "<span class=\"state wn\">注意 " << row.warned << "</span> ";
    const std::size_t held = row.checks - row.failed - row.warned - row.notApplicable;
    cell << "一致 " << held << " / " << row.checks << "</span>";
    return cell.str();
}

std::string Figures(const std::optional<std::int64_t>& current,
                    const std::optional<std::int64_t>& previous, bool hasPrevious) {
    std::string cell = Yen(current);
    if (hasPrevious) cell += "<span class=prev>前期 " + Yen(previous) + "</span>";
    return cell;
}

void RowHtml(std::ostringstream& html, const Row& row) {
    html << "<tr class=" << RowClass(row) << "><td class=name>" << kcview::EscapedHtml(row.name);
    if (row.name != row.client)
        html << "<span class=prev>" << kcview::EscapedHtml(row.client) << "</span>";
    html << "<td>" << Period(row) << "<td>";
    if (row.exported) {
        html << "<span class=\"state ok\">書き出し済み</span>";
        if (row.unchanged) html << " <span class=same>前回のまま</span>";
    } else {
        html << "<span class=\"state ng\">中止</span><span class=why>"
             << kcview::EscapedHtml(row.reason) << "</span>";
    }
    html << "<td>" << Checks(row) << "<td class=n>";
    if (row.exported) html << (row.hasPrevious ? std::to_string(row.flagged) + " 件" : "前年なし");
    html << "<td class=n>" << Figures(row.netIncome, row.previousNetIncome, row.hasPrevious)
         << "<td class=n>" << Figures(row.totalAssets, row.previousTotalAssets, row.hasPrevious)
         << "<td class=links>";
    if (row.exported) {
        html << Link(row.client, row.client + ".html", "確認ページ")
             << Link(row.client, row.client + ".xml", "決算書XML");
    }
    html << Link(row.client, row.client + ".log", "ログ") << "</tr>\n";
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Number(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "";
}

}  // namespace

void SortForReview(std::vector<Row>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return std::make_tuple(Rank(a), a.client) < std::make_tuple(Rank(b), b.client);
    });
}

std::string SummaryPage(const std::vector<Row>& rows, std::int32_t yyyymm) {
    std::size_t refused = 0;
    std::size_t failed = 0;
    std::size_t warned = 0;
    for (const Row& row : rows) {
        refused += row.exported ? 0 : 1;
        failed += row.exported && row.failed > 0 ? 1 : 0;
        warned += row.exported && row.failed == 0 && row.warned > 0 ? 1 : 0;
    }
    const std::string month =
        std::to_string(yyyymm / 100) + "年" + std::to_string(yyyymm % 100) + "月";
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=ja><head><meta charset=utf-8><title>" << month
         << "決算 顧問先一覧</title><style>" << kcview::BaseStyle() << kStyle
         << "</style></head><body>\n"
         << "<header><h1>" << month << "決算 顧問先一覧</h1><p>" << month
         << "に決算期末を迎える顧問先 " << rows.size() << " 件</p></header>\n"
         << "<div class=tally><span class=ng>中止 " << refused << " 件</span><span class=ng>不一致 "
         << failed << " 件</span><span class=wn>注意 " << warned
         << " 件</span><span class=ok>問題なし " << rows.size() - refused - failed - warned
         << " 件</span></div>\n"
         << "<table><thead><tr><th>顧問先<th>会計期間<th>結果<th>確認<th>前年比の変動"
            "<th>当期純利益<th>資産合計<th>書類</tr></thead><tbody>\n";
    for (const Row& row : rows) RowHtml(html, row);
    html << "</tbody></table>\n<footer><p>kcoffice: 前年比の変動は、前年の決算書と比べて大きく"
            "変わった行の数です（確認ページで ◆ の行）。</p></footer>\n</body></html>\n";
    return html.str();
}

std::string SummaryCsv(const std::vector<Row>& rows) {
    std::string csv = "\xEF\xBB\xBF";
    csv +=
        "顧問先,フォルダー,期首,期末,結果,理由,確認,不一致,注意,対象外,前年比の変動,"
        "当期純利益,前期純利益,資産合計,前期資産合計,確認ページ,決算書XML\r\n";
    for (const Row& row : rows) {
        const std::vector<std::string> fields = {
            row.name,
            row.client,
            row.periodFrom,
            row.periodTo,
            row.exported ? "書き出し済み" : "中止",
            row.reason,
            row.exported ? std::to_string(row.checks) : "",
            row.exported ? std::to_string(row.failed) : "",
            row.exported ? std::to_string(row.warned) : "",
            row.exported ? std::to_string(row.notApplicable) : "",
            row.exported && row.hasPrevious ? std::to_string(row.flagged) : "",
            Number(row.netIncome),
            Number(row.previousNetIncome),
            Number(row.totalAssets),
            Number(row.previousTotalAssets),
            row.exported ? row.client + "/" + row.client + ".html" : "",
            row.exported ? row.client + "/" + row.client + ".xml" : "",
        };
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) csv += ',';
            csv += CsvField(fields[i]);
        }
        csv += "\r\n";
    }
    return csv;
}

}  // namespace office

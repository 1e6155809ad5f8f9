#include "tools/kcview/ComparisonPage.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "tools/kcview/Page.h"

namespace kcview {

const char kComparisonStyle[] = R"(
.changes{border:2px solid #b7791f;border-radius:6px;padding:8px 14px;margin:14px 0}
.changes h2{border:0;margin:0 0 6px}
.changes p{margin:0 0 4px;color:#555}
.changes ul{margin:0;padding-left:1.4em}
.changes .fig{font-variant-numeric:tabular-nums;white-space:nowrap}
#bs .cmp,#pl .cmp,#cm .cmp,#ss .cmp{max-width:900px}
.cmp th{text-align:right;border-bottom:1px solid var(--rule);font-size:12px;font-weight:normal}
.cmp th:first-child{text-align:left}
.cmp td:nth-child(n+2){text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap;
width:8.5em}
.cmp td:nth-child(3){color:#555}
.cmp tr.mk td{background:#fdf0d5}
.cmp tr.mk td:first-child::before{content:"◆ ";color:#b7791f}
)";

namespace {

// The change, or nothing when it does not fit 64 bits; a missing figure is 0.
std::optional<std::int64_t> ChangeOf(std::optional<std::int64_t> current,
                                     std::optional<std::int64_t> previous) {
    const std::int64_t before = previous.value_or(0);
    if (before == std::numeric_limits<std::int64_t>::min()) return std::nullopt;
    return CheckedSum(current.value_or(0), -before);
}

std::string YenOrEmpty(std::optional<std::int64_t> amount) {
    return amount ? FormatYen(*amount) : std::string();
}

std::string ChangeText(const ComparedLine& line) {
    const std::optional<std::int64_t> change = ChangeOf(line.current, line.previous);
    return change ? FormatYen(*change) : "―";
}

// yyyymmdd as yyyy/mm/dd; any other text as it is.
std::string SlashDate(const std::string& date) {
    if (date.size() != 8) return EscapedHtml(date);
    return EscapedHtml(date.substr(0, 4) + "/" + date.substr(4, 2) + "/" + date.substr(6, 2));
}

std::string Number(double value) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

}  // namespace

std::string PercentChange(std::optional<std::int64_t> current,
                          std::optional<std::int64_t> previous) {
    if (previous.value_or(0) == 0) return "—";
    const long double before = static_cast<long double>(*previous);
    const long double change = static_cast<long double>(current.value_or(0)) - before;
    const long double tenths = std::round(change * 1000 / std::fabs(before));
    const long double magnitude = std::fabs(tenths);
    if (magnitude > 1e15L) return "―";
    const auto whole = static_cast<long long>(magnitude / 10);
    const auto fraction = static_cast<int>(std::fmod(magnitude, 10.0L));
    return std::string(tenths < 0 ? "△" : "") + std::to_string(whole) + "." +
           std::to_string(fraction) + "%";
}

std::string MarkedChangesHtml(const Comparison& comparison) {
    std::string marked;
    std::size_t count = 0;
    for (const ComparedStatement& statement : comparison.statements) {
        for (const ComparedLine& line : statement.lines) {
            if (!line.marked) continue;
            ++count;
            marked += "<li><a href=\"#" + line.anchor + "\">" + statement.title + "　" +
                      EscapedHtml(line.label) + "</a> <span class=fig>前期 " +
                      (line.previous ? FormatYen(*line.previous) : "なし") + " → 当期 " +
                      (line.current ? FormatYen(*line.current) : "なし") + "（増減 " +
                      ChangeText(line) + "、" + PercentChange(line.current, line.previous) +
                      "）</span></li>";
        }
    }
    std::string html = "<section class=changes id=changes><h2>前期からの大きな増減: ";
    html += count ? std::to_string(count) + "行" : std::string("ありません");
    html += "</h2><p>前期 " + SlashDate(comparison.previousFrom) + "～" +
            SlashDate(comparison.previousTo) + " のファイルと比べ、" +
            Number(comparison.threshold.percent) + "%以上かつ" +
            FormatYen(comparison.threshold.yen) + "円以上変わった行に ◆ を付けています。</p>";
    if (count) html += "<ul>" + marked + "</ul>";
    return html + "</section>\n";
}

std::string ComparedTableHtml(const ComparedStatement& statement) {
    std::string html =
        "<table class=\"st cmp\"><thead><tr><th>科目<th>当期<th>前期<th>増減<th>増減率</thead>\n";
    for (const ComparedLine& line : statement.lines) {
        const int depth = line.depth > 7 ? 7 : line.depth;
        std::string classes = line.kind == LineKind::Heading ? "h"
                              : line.kind == LineKind::Total ? "t"
                                                             : "";
        if (line.marked) classes += classes.empty() ? "mk" : " mk";
        html += "<tr";
        if (line.marked) html += " id=" + line.anchor;
        if (!classes.empty()) html += " class=\"" + classes + "\"";
        html += "><td class=d" + std::to_string(depth) + ">";
        if (line.kind == LineKind::Heading) {
            html += EscapedHtml(SectionHeading(line.label)) + "<td><td><td><td></tr>\n";
            continue;
        }
        html += EscapedHtml(line.label) + "<td>" + YenOrEmpty(line.current) + "<td>" +
                YenOrEmpty(line.previous) + "<td>" + ChangeText(line) + "<td>" +
                PercentChange(line.current, line.previous) + "</tr>\n";
    }
    return html + "</table>\n";
}

}  // namespace kcview

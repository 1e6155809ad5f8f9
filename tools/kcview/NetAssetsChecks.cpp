// The statement of changes in net assets as a reviewer reads it: each column's opening and
// changes make its closing, the closings are the balance sheet's, and every change has its
// reason. The file carries one reason, 当期純利益: any other change is one the tax application
// needs entered by hand, and the check says which.

#include <algorithm>

#include "tools/kcview/Page.h"
#include "tools/kcview/ReviewChecks.h"

namespace kcview {
namespace {

std::int64_t Figure(const XmlNode& column, const char* element) {
    const XmlNode* node = column.Child(element);
    return node ? ParseAmount(node->text).value_or(0) : 0;
}

int LineOf(const XmlNode& column, const char* element) {
    const XmlNode* node = column.Child(element);
    return node ? node->line : column.line;
}

// What the tax application asks to be entered for a change of the column the file gives no
// reason for.
std::string LikelyReasons(const std::string& column, std::int64_t change) {
    struct Reasons {
        const char* column;
        const char* up;
        const char* down;
    };
    static const Reasons kReasons[] = {
        {"資本金", "新株の発行", "減資"},
        {"資本準備金", "新株の発行", "準備金の取崩し"},
        {"その他資本剰余金", "減資・準備金の取崩し", "剰余金の配当"},
        {"利益準備金", "利益準備金の積立", "準備金の取崩し"},
        {"別途積立金", "別途積立金の積立", "別途積立金の取崩し"},
        {"任意積立金", "任意積立金の積立", "任意積立金の取崩し"},
        {"繰越利益剰余金", "積立金の取崩し", "剰余金の配当、利益準備金・積立金の積立"},
        {"自己株式", "自己株式の処分・消却", "自己株式の取得"},
    };
    for (const Reasons& reasons : kReasons) {
        if (column == reasons.column) return change > 0 ? reasons.up : reasons.down;
    }
    return "株主資本以外の項目の当期変動額（純額）";
}

}  // namespace

CheckResult ChangesAddUp(const ReviewInputs& inputs) {
    CheckResult result;
    const XmlNode* changes = inputs.current.Section("StatementChangesNetAssets");
    if (!changes) {
        result.notApplicable = "ファイルに株主資本等変動計算書がありません";
        return result;
    }
    const std::vector<StatementItem> sheet = ItemsOf(inputs.current, "BalanceSheet");
    for (const XmlNode& column : changes->children) {
        if (column.name != "ChangesNetAssetsItem") continue;
        const XmlNode* account = column.Child("AccountList");
        const std::string name = account ? account->text : std::string("?");
        const std::int64_t opening = Figure(column, "BalanceEndPreviousPeriod");
        const std::int64_t closing = Figure(column, "BalanceEndCurrentPeriod");
        const XmlNode* during = column.Child("ChangesItemsDuringPeriod");
        const std::int64_t total = during ? Figure(*during, "TotalChangesItemsDuringPeriod") : 0;
        const FigureSide closingSide{"株主資本等変動計算書の" + name + "当期末残高",
                                     closing,
                                     {LineOf(column, "BalanceEndCurrentPeriod")}};
        if (opening + total != closing) {
            // Each of the three figures is cut to whole yen on its own.
            Disagreement found{closingSide,
                               {name + "の当期首残高 + 当期変動額",
                                opening + total,
                                {LineOf(column, "BalanceEndPreviousPeriod")}}};
            const std::int64_t gap = closing - (opening + total);
            if (gap >= -1 && gap <= 1) {
                found.note = review::kCutFractions;
                result.warnings.push_back(std::move(found));
            } else {
                result.failures.push_back(std::move(found));
            }
        }
        std::int64_t explained = 0;
        for (const XmlNode& item : during ? during->children : std::vector<XmlNode>{}) {
            if (item.name == "ChangesItem") explained += Figure(item, "Amount");
        }
        if (total != explained) {
            result.warnings.push_back(
                {{name + "の当期変動額合計", total, {during ? during->line : column.line}},
                 {"理由の書かれた変動（当期純利益）", explained, {}},
                 "理由の書かれていない変動 " + FormatYen(total - explained) +
                     " 円があります。税務申告ソフトで「" + LikelyReasons(name, total - explained) +
                     "」などの理由を手で入力してください。"});
        }
        const auto onSheet =
            std::find_if(sheet.begin(), sheet.end(), [&](const StatementItem& item) {
                return item.part == "NetAssets" && item.label == name;
            });
        if (onSheet == sheet.end() ? closing != 0 : onSheet->amount != closing) {
            result.failures.push_back(
                {closingSide, onSheet == sheet.end()
                                  ? FigureSide{"貸借対照表に" + name + "の行なし", 0, {}}
                                  : review::ItemSide("貸借対照表", *onSheet)});
        }
    }
    return result;
}

}  // namespace kcview

#include "tools/kcview/SectionHeadings.h"

#include <map>

namespace kcview {

std::string SectionHeading(const std::string& element) {
    static const std::map<std::string, const char*> kHeadings = {
        {"Assets", "資産の部"},
        {"CurrentAssets", "流動資産"},
        {"NoncurrentAssets", "固定資産"},
        {"PropertyPlantAndEquipment", "有形固定資産"},
        {"IntangibleAssets", "無形固定資産"},
        {"InvestmentsAndOtherAssets", "投資その他の資産"},
        {"DeferredAssets", "繰延資産"},
        {"Liabilities", "負債の部"},
        {"CurrentLiabilities", "流動負債"},
        {"NoncurrentLiabilities", "固定負債"},
        {"NetAssets", "純資産の部"},
        // The groups of the net assets.
        {"ShareholdersEquity", "株主資本"},
        {"MembersEquity", "社員資本"},
        {"CapitalSurplus", "資本剰余金"},
        {"RetainedEarnings", "利益剰余金"},
        {"OtherRetainedEarnings", "その他利益剰余金"},
        {"ValuationAndTranslationAdjustments", "評価・換算差額等"},
        {"SubscriptionRightsToShares", "新株予約権"},
        {"NetSales", "売上高"},
        {"CostOfSales", "売上原価"},
        {"SellingGeneralAndAdministrativeExpenses", "販売費及び一般管理費"},
        {"NonOperatingIncome", "営業外収益"},
        {"NonOperatingExpenses", "営業外費用"},
        {"ExtraordinaryIncome", "特別利益"},
        {"ExtraordinaryLoss", "特別損失"},
        {"IncomeTaxes", "法人税等"},
        {"MaterialCost", "材料費"},
        {"LaborCost", "労務費"},
        {"SubcontractCost", "外注費"},
        {"OverheadExpenses", "製造経費"},
        {"WorkProcessBeginningInventories", "期首仕掛品棚卸高"},
        {"WorkProcessClosingInventories", "期末仕掛品棚卸高"},
    };
    const auto found = kHeadings.find(element);
    return found != kHeadings.end() ? found->second : element;
}

}  // namespace kcview

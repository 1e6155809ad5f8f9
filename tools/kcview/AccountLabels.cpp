#include "tools/kcview/AccountLabels.h"

namespace kcview {
namespace {

// The label without blanks (ASCII and ideographic) and without a closing remark in parentheses,
// full-width or not: 「未払消費税等 （税抜）」 is 「未払消費税等」.
std::string Normalized(std::string_view label) {
    static constexpr std::string_view kIdeographicSpace = "\u3000";
    static constexpr std::string_view kOpen[] = {"（", "("};
    std::string text;
    for (std::size_t i = 0; i < label.size();) {
        if (label[i] == ' ' || label[i] == '\t') {
            ++i;
        } else if (label.substr(i, kIdeographicSpace.size()) == kIdeographicSpace) {
            i += kIdeographicSpace.size();
        } else {
            text += label[i++];
        }
    }
    const bool closes = text.ends_with("）") || text.ends_with(")");
    if (closes) {
        for (std::string_view open : kOpen) {
            const std::size_t at = text.rfind(open);
            if (at != std::string::npos && at > 0) return text.substr(0, at);
        }
    }
    return text;
}

}  // namespace

const std::vector<RoleLabel>& RoleLabels() {
    using enum AccountRole;
    using enum LabelMatch;
    static const std::vector<RoleLabel> kLabels = {
        {kConsumptionTaxReceived, kExact, "仮受消費税"},
        {kConsumptionTaxReceived, kExact, "仮受消費税等"},
        {kConsumptionTaxPaid, kExact, "仮払消費税"},
        {kConsumptionTaxPaid, kExact, "仮払消費税等"},
        {kConsumptionTaxPayable, kExact, "未払消費税"},
        {kConsumptionTaxPayable, kExact, "未払消費税等"},
        {kCorporateTaxes, kExact, "法人税、住民税及び事業税"},
        {kCorporateTaxes, kExact, "法人税・住民税及び事業税"},
        {kCorporateTaxes, kExact, "法人税住民税及び事業税"},
        {kCorporateTaxes, kExact, "法人税等"},
        {kCorporateTaxPayable, kExact, "未払法人税等"},
        {kCorporateTaxPayable, kExact, "未払法人税"},
        {kCorporateTaxPayable, kExact, "未払法人税住民税及び事業税"},
        {kCorporateTaxPrepaid, kExact, "仮払法人税等"},
        {kCorporateTaxPrepaid, kExact, "仮払法人税"},
        {kCorporateTaxPrepaid, kExact, "仮払税金"},
        {kSuspense, kExact, "仮払金"},
        {kSuspense, kExact, "仮受金"},
        {kSuspense, kExact, "諸口"},
        {kSuspense, kExact, "未決算"},
        {kSuspense, kExact, "仮勘定"},
        {kCash, kExact, "現金"},
        {kCash, kExact, "小口現金"},
        {kCurrentAccount, kExact, "当座預金"},
        {kDeposit, kContains, "預金"},
        {kContra, kExact, "貸倒引当金"},
        {kContra, kExact, "減価償却累計額"},
        {kContra, kExact, "自己株式"},
        {kContra, kContains, "引当金"},
        {kContra, kContains, "累計額"},
        {kContra, kPrefix, "期末"},
        {kContra, kContains, "値引"},
        {kContra, kContains, "戻り"},
        {kContra, kContains, "割戻"},
        {kOfficerPay, kExact, "役員報酬"},
        {kOfficerPay, kExact, "役員給与"},
        {kOfficerPay, kExact, "役員給料"},
        {kDepreciation, kPrefix, "減価償却費"},
        {kAccumulatedDepreciation, kContains, "減価償却累計額"},
        {kEntertainment, kExact, "交際費"},
        {kEntertainment, kExact, "接待交際費"},
        {kEntertainment, kExact, "交際接待費"},
        {kCapital, kExact, "資本金"},
    };
    return kLabels;
}

bool HasRole(std::string_view label, AccountRole role) {
    const std::string text = Normalized(label);
    for (const RoleLabel& entry : RoleLabels()) {
        if (entry.role != role) continue;
        const std::string_view wanted = entry.text;
        switch (entry.match) {
            case LabelMatch::kExact:
                if (text == wanted) return true;
                break;
            case LabelMatch::kContains:
                if (text.find(wanted) != std::string::npos) return true;
                break;
            case LabelMatch::kPrefix:
                if (text.starts_with(wanted)) return true;
                break;
        }
    }
    return false;
}

const char* RoleName(AccountRole role) {
    switch (role) {
        case AccountRole::kConsumptionTaxReceived:
            return "仮受消費税";
        case AccountRole::kConsumptionTaxPaid:
            return "仮払消費税";
        case AccountRole::kConsumptionTaxPayable:
            return "未払消費税等";
        case AccountRole::kCorporateTaxes:
            return "法人税、住民税及び事業税";
        case AccountRole::kCorporateTaxPayable:
            return "未払法人税等";
        case AccountRole::kCorporateTaxPrepaid:
            return "仮払法人税等";
        case AccountRole::kSuspense:
            return "仮勘定";
        case AccountRole::kCash:
            return "現金";
        case AccountRole::kDeposit:
            return "預金";
        case AccountRole::kCurrentAccount:
            return "当座預金";
        case AccountRole::kContra:
            return "控除科目";
        case AccountRole::kOfficerPay:
            return "役員報酬";
        case AccountRole::kDepreciation:
            return "減価償却費";
        case AccountRole::kAccumulatedDepreciation:
            return "減価償却累計額";
        case AccountRole::kEntertainment:
            return "交際費";
        case AccountRole::kCapital:
            return "資本金";
    }
    return "";
}

}  // namespace kcview

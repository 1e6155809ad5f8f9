#include "host/posix/ConditionForm.h"

#include "dialog/ControlIds.h"

namespace form {

const char* const kTitle = "決算書 - 集計条件";
const char* const kHelp = "Tab:移動  Space:選択  Enter:決定  F12:実行  Esc:キャンセル";

// Laid out for an 80x24 terminal: the form is 78 columns by 21 rows.
namespace {

const Item kItems[] = {
    {ctl::kCompanyLabel, Kind::kLabel, "事業所名", 2, 3, 8, 1},
    {0, Kind::kLabel, "：", 2, 13, 2, 1},
    {ctl::kCompanyName, Kind::kLabel, "", 2, 16, 58, 1},
    {ctl::kPeriodLabel, Kind::kLabel, "会計期間", 3, 3, 8, 1},
    {0, Kind::kLabel, "：", 3, 13, 2, 1},
    {ctl::kPeriod, Kind::kLabel, "", 3, 16, 58, 1},
    {ctl::kSpanLabel, Kind::kLabel, "集計期間", 5, 3, 8, 1},
    {0, Kind::kLabel, "：", 5, 13, 2, 1},
    // A month field holds two digits and the caret after them.
    {ctl::kStartMonth, Kind::kEdit, "", 5, 16, 3, 1},
    {ctl::kStartMonthLabel, Kind::kLabel, "月度(&S)", 5, 22, 8, 1},
    {ctl::kWave, Kind::kLabel, "～", 5, 31, 2, 1},
    {ctl::kEndMonth, Kind::kEdit, "", 5, 34, 3, 1},
    {ctl::kEndMonthLabel, Kind::kLabel, "月度(&E)", 5, 40, 8, 1},
    {ctl::kEquityLabel1, Kind::kLabel, "株主／社員資本", 7, 3, 14, 1},
    {ctl::kEquityLabel2, Kind::kLabel, "等変動計算書の", 8, 3, 14, 1},
    {ctl::kEquityLabel3, Kind::kLabel, "選択", 9, 3, 14, 1},
    {ctl::kShareholdersEquity, Kind::kRadio, "株主資本等変動計算書の情報を出力する(&K)", 7, 20, 50,
     1},
    {ctl::kMembersEquity, Kind::kRadio, "社員資本等変動計算書の情報を出力する(&M)", 8, 20, 50, 1},
    {ctl::kOutputLedger, Kind::kCheck, "総勘定元帳の情報を出力する(&N)", 11, 3, 50, 1},
    {ctl::kOutputGroup, Kind::kGroup, "出力先(&O)", 13, 3, 72, 3},
    {ctl::kPath, Kind::kEdit, "", 14, 5, 50, 1},
    {ctl::kBrowse, Kind::kButton, "参照(&D)...", 14, 58, 14, 1},
    {ctl::kExecute, Kind::kButton, "実行(F12)", 17, 38, 13, 1},
    {ctl::kCancel, Kind::kButton, "キャンセル(Esc)", 17, 53, 19, 1},
};

const int kTabOrder[] = {ctl::kStartMonth,    ctl::kEndMonth,     ctl::kShareholdersEquity,
                         ctl::kMembersEquity, ctl::kOutputLedger, ctl::kPath,
                         ctl::kBrowse,        ctl::kExecute,      ctl::kCancel};

// The template puts each month's label after its edit, where the dialog manager would take its
// mnemonic to the control that follows; on the terminal a label leads to the field it names.
struct LabelTarget {
    int label;
    int field;
};
const LabelTarget kLabelTargets[] = {
    {ctl::kStartMonthLabel, ctl::kStartMonth},
    {ctl::kEndMonthLabel, ctl::kEndMonth},
    {ctl::kOutputGroup, ctl::kPath},
};

}  // namespace

std::span<const Item> Items() {
    return kItems;
}
std::span<const int> TabOrder() {
    return kTabOrder;
}

const Item* Find(int id) {
    if (id == 0) return nullptr;
    for (const Item& item : kItems) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

int LabelledControl(int id) {
    for (const LabelTarget& target : kLabelTargets) {
        if (target.label == id) return target.field;
    }
    return id;
}

}  // namespace form

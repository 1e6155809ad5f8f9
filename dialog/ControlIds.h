#pragma once

// Controls of the condition dialog (template 130) and of the progress window (template 131).
namespace ctl {
constexpr int kCompanyLabel = 1005;
constexpr int kCompanyName = 1006;
constexpr int kPeriodLabel = 1007;
constexpr int kPeriod = 1008;
constexpr int kSpanLabel = 1009;
constexpr int kEquityLabel1 = 1010;
constexpr int kStartMonth = 1016;
constexpr int kStartMonthLabel = 1011;
constexpr int kWave = 1012;
constexpr int kEndMonth = 1000;
constexpr int kEndMonthLabel = 1013;
constexpr int kEquityLabel2 = 1017;
constexpr int kEquityLabel3 = 1018;
constexpr int kShareholdersEquity = 1019;
constexpr int kMembersEquity = 1020;
constexpr int kOutputLedger = 1021;
constexpr int kOutputGroup = 1014;
constexpr int kPath = 1015;
constexpr int kBrowse = 1001;
constexpr int kExecute = 1002;
constexpr int kCancel = 1003;

constexpr int kConditionDialogTemplate = 130;
constexpr int kProgressTemplate = 131;
}  // namespace ctl

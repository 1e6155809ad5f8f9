#pragma once

#include "resources/ResourceIds.h"

// Controls of the condition dialog (template 130) and of the progress window (template 131).
namespace ctl {
constexpr int kCompanyLabel = IDC_COMPANY_LABEL;
constexpr int kCompanyName = IDC_COMPANY_NAME;
constexpr int kPeriodLabel = IDC_PERIOD_LABEL;
constexpr int kPeriod = IDC_PERIOD;
constexpr int kSpanLabel = IDC_SPAN_LABEL;
constexpr int kEquityLabel1 = IDC_EQUITY_LABEL1;
constexpr int kStartMonth = IDC_START_MONTH;
constexpr int kStartMonthLabel = IDC_START_MONTH_LABEL;
constexpr int kWave = IDC_WAVE;
constexpr int kEndMonth = IDC_END_MONTH;
constexpr int kEndMonthLabel = IDC_END_MONTH_LABEL;
constexpr int kEquityLabel2 = IDC_EQUITY_LABEL2;
constexpr int kEquityLabel3 = IDC_EQUITY_LABEL3;
constexpr int kShareholdersEquity = IDC_SHAREHOLDERS_EQUITY;
constexpr int kMembersEquity = IDC_MEMBERS_EQUITY;
constexpr int kOutputLedger = IDC_OUTPUT_LEDGER;
constexpr int kOutputGroup = IDC_OUTPUT_GROUP;
constexpr int kPath = IDC_PATH;
constexpr int kBrowse = IDC_BROWSE;
constexpr int kExecute = IDC_EXECUTE;
constexpr int kCancel = IDC_CANCEL;

constexpr int kConditionDialogTemplate = IDD_CONDITION;
constexpr int kProgressTemplate = IDD_PROGRESS;
}  // namespace ctl

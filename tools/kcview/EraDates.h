#pragma once

// The dates a Japanese statement is headed with, in the era calendar: the balance sheet as of its
// last day (令和8年3月31日現在), the other statements over the fiscal year (自 令和7年4月1日
// 至 令和8年3月31日). Dates come from BASIC as yyyymmdd.

#include <string>

namespace kcview {

// "令和8年3月31日" for "20260331", 元年 for an era's first year; a day before Meiji in the Western
// calendar ("1850年1月2日"); any other text as it is (the caller escapes it).
std::string EraDate(const std::string& yyyymmdd);

// "令和8年3月31日現在"
std::string AsOfDate(const std::string& yyyymmdd);

// "自 令和7年4月1日 至 令和8年3月31日"
std::string FiscalPeriod(const std::string& from, const std::string& to);

}  // namespace kcview

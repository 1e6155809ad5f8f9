#include "tools/kcview/EraDates.h"

#include <algorithm>
#include <chrono>

#include "common/JapaneseEras.h"

namespace kcview {
namespace {

// A real day written as eight digits.
bool IsDay(const std::string& text) {
    if (text.size() != 8 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int date = std::stoi(text);
    return std::chrono::year_month_day{std::chrono::year{date / 10000},
                                       std::chrono::month{static_cast<unsigned>(date / 100 % 100)},
                                       std::chrono::day{static_cast<unsigned>(date % 100)}}
        .ok();
}

}  // namespace

std::string EraDate(const std::string& yyyymmdd) {
    if (!IsDay(yyyymmdd)) return yyyymmdd;
    const int date = std::stoi(yyyymmdd);
    const std::string monthDay =
        std::to_string(date / 100 % 100) + "月" + std::to_string(date % 100) + "日";
    const auto inEra = japanese_eras::InEra(date);
    if (!inEra) return std::to_string(date / 10000) + "年" + monthDay;
    return std::string(inEra->era.name) +
           (inEra->year == 1 ? std::string("元") : std::to_string(inEra->year)) + "年" + monthDay;
}

std::string AsOfDate(const std::string& yyyymmdd) {
    return EraDate(yyyymmdd) + "現在";
}

std::string FiscalPeriod(const std::string& from, const std::string& to) {
    return "自 " + EraDate(from) + " 至 " + EraDate(to);
}

}  // namespace kcview

#pragma once

// Dates of the accounting data (yyyymmdd integers) as display texts, in the Japanese era
// calendar or the Western one. The era table is the accounting data's era set, read afresh for
// every era text; it is expected in ascending order of first days.

#include <cstdint>
#include <string>

#include "common/Types.h"
#include "ledger/Records.h"

class CmnProcHpr {
public:
    CmnProcHpr() = default;
    virtual ~CmnProcHpr() = default;

    // 0 and the era of `date` (and its era year when asked); -1 when there is none. The record
    // is zero-filled first in every case.
    int FindEra(std::int32_t date, StGENGOINFO* era, std::int32_t* eraYear = nullptr);

    // The date in one of the styles:
    //   0 era name, era year, month, day: "令和7年4月1日"
    //   1 short era label: "R.7/4/1" ("R.07/04/01" with leading zeros)
    //   2 "2025/4/1" ("2025/04/01"); 3 the same with the year zero-padded to two digits at least
    //   4 "2025年4月1日"; 5 as 0, with "元" for the first year of an era
    // Empty for another style, or when an era style finds no era.
    std::string FormatDate(std::int32_t date, std::int32_t style, std::int32_t leadingZeros);

private:
    WindowHandle owner_ = kNoWindow;  // owner of the message manager's messages; never set
};

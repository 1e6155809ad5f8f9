#include "aggregation/CmnProcHpr.h"

#include <cstdio>
#include <cstring>

#include "ledger/Services.h"

namespace {

constexpr const char* kSource = "CmnProcHpr";

// Location numbers the message manager records with an error.
constexpr int kLocationCursor = 312;
constexpr int kLocationReady = 319;
constexpr int kLocationWalk = 339;

}  // namespace

int CmnProcHpr::FindEra(std::int32_t date, StGENGOINFO* era, std::int32_t* eraYear) {
    if (era) *era = StGENGOINFO{};
    ClMsgMgr& messages = ClMsgMgr::Inst();
    ClSetMgr* sets = ClDataMgr::Inst().GetSetMgr();
    auto* eras = sets ? static_cast<ClSetGengo*>(sets->GetSetObject(setkind::kGengo, 0)) : nullptr;
    if (!eras) return -1;

    // A code the message manager calls fatal, or any code other than 0 at the first two steps,
    // is recorded; a 0 called fatal is recorded as no error at all.
    auto record = [&](std::int32_t code, int fatal, int location) {
        if (code == 0 && fatal) {
            messages.SetLastError(0, nullptr, 0);
        } else {
            messages.SetLastError(code, kSource, location);
        }
    };

    LedgerCursor cursor = 0;
    std::int32_t rc = eras->GetCursor(&cursor);
    int fatal = messages.CheckFatalErrorWithMsg(rc, 0, 1, owner_);
    if (rc != 0 || fatal) {
        record(rc, fatal, kLocationCursor);
        return -1;
    }
    rc = eras->Ready(cursor);
    fatal = messages.CheckFatalErrorWithMsg(rc, 0, 1, owner_);
    if (rc != 0 || fatal) {
        eras->ReleaseCursor(cursor);
        record(rc, fatal, kLocationReady);
        return -1;
    }
    StGENGOINFO previous{};
    std::int32_t count = 0;
    while (true) {
        StGENGOINFO current{};
        rc = eras->Walk(&current, cursor);
        fatal = messages.CheckFatalErrorWithMsg(rc, 0, 1, owner_);
        if (fatal) {
            eras->ReleaseCursor(cursor);
            record(rc, fatal, kLocationWalk);
            return -1;
        }
        if (rc != 0) break;
        if (count == 0) {
            if (current.firstDay > date) {
                eras->ReleaseCursor(cursor);
                return -1;  // before every era: no error
            }
        } else if (previous.firstDay <= date && date <= current.firstDay - 1) {
            break;
        }
        previous = current;
        ++count;
    }
    eras->ReleaseCursor(cursor);
    if (count == 0 || date > 99991231) return -1;
    if (era) *era = previous;
    if (eraYear) *eraYear = date / 10000 - previous.firstDay / 10000 + 1;
    return 0;
}

std::string CmnProcHpr::FormatDate(std::int32_t date, std::int32_t style,
                                   std::int32_t leadingZeros) {
    const long year = date / 10000;
    const long month = date % 10000 / 100;
    const long day = date % 100;
    const bool zeros = leadingZeros != 0;
    char text[64] = {};
    StGENGOINFO era{};
    std::int32_t eraYear = 0;
    auto needEra = [&]() { return FindEra(date, &era, &eraYear) == 0; };
    switch (style) {
        case 0:
            if (!needEra()) return "";
            std::snprintf(text, sizeof(text), "%s%ld年%ld月%ld日", era.name,
                          static_cast<long>(eraYear), month, day);
            break;
        case 1:
            if (!needEra()) return "";
            std::snprintf(text, sizeof(text), zeros ? "%s.%02ld/%02ld/%02ld" : "%s.%ld/%ld/%ld",
                          era.shortLabel, static_cast<long>(eraYear), month, day);
            break;
        case 2:
            std::snprintf(text, sizeof(text), zeros ? "%ld/%02ld/%02ld" : "%ld/%ld/%ld", year,
                          month, day);
            break;
        case 3:
            std::snprintf(text, sizeof(text), zeros ? "%02ld/%02ld/%02ld" : "%02ld/%ld/%ld", year,
                          month, day);
            break;
        case 4:
            std::snprintf(text, sizeof(text), "%ld年%ld月%ld日", year, month, day);
            break;
        case 5:
            if (!needEra()) return "";
            if (eraYear == 1) {
                std::snprintf(text, sizeof(text), "%s%s年%ld月%ld日", era.name, "元", month, day);
            } else {
                std::snprintf(text, sizeof(text), "%s%ld年%ld月%ld日", era.name,
                              static_cast<long>(eraYear), month, day);
            }
            break;
        default:
            return "";
    }
    return text;
}

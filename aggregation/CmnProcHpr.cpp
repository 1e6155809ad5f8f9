#include "aggregation/CmnProcHpr.h"

#include <span>

#include "common/EraDate.h"
#include "common/Sjis.h"
#include "ledger/Services.h"

namespace {

constexpr const char* kSource = "CmnProcHpr";

// Location numbers the message manager records with an error.
constexpr int kLocationCursor = 312;
constexpr int kLocationReady = 319;
constexpr int kLocationWalk = 339;

// An era record as the date texts read it.
era_date::Era EraView(const StGENGOINFO& era) {
    return {era.firstDay, sjis::FieldText(era.name, sizeof(era.name)),
            sjis::FieldText(era.shortLabel, sizeof(era.shortLabel))};
}

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
    // The walk stops at the first era that begins after the date: the last one before it is
    // the date's era, if any.
    StGENGOINFO last{};
    bool begun = false;
    while (true) {
        StGENGOINFO current{};
        rc = eras->Walk(&current, cursor);
        fatal = messages.CheckFatalErrorWithMsg(rc, 0, 1, owner_);
        if (fatal) {
            eras->ReleaseCursor(cursor);
            record(rc, fatal, kLocationWalk);
            return -1;
        }
        if (rc != 0 || current.firstDay > date) break;
        last = current;
        begun = true;
    }
    eras->ReleaseCursor(cursor);
    const era_date::Era view = EraView(last);
    const era_date::Era* found =
        era_date::EraOf(begun ? std::span(&view, 1) : std::span<const era_date::Era>(), date);
    if (!found) return -1;
    if (era) *era = last;
    if (eraYear) *eraYear = era_date::EraYear(*found, date);
    return 0;
}

std::string CmnProcHpr::FormatDate(std::int32_t date, std::int32_t style,
                                   std::int32_t leadingZeros) {
    const bool eraStyle = style == 0 || style == 1 || style == 5;
    StGENGOINFO era{};
    if (eraStyle && FindEra(date, &era) != 0) return "";
    const era_date::Era view = EraView(era);
    return era_date::FormatDate(date, style, leadingZeros, eraStyle ? &view : nullptr);
}

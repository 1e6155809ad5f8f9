#pragma once

// The books as the importer holds them in memory: Shift_JIS texts, amounts in ten-thousandths.

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/Sjis.h"
#include "ledger/Records.h"

namespace books {

constexpr std::uint32_t kInputTaxNature = 0x80880810;
constexpr std::uint32_t kOutputTaxNature = 0x80484010;
constexpr std::int32_t kSubAccountRadix = 10000;
// Amounts are held in ten-thousandths of a yen.
constexpr std::int64_t kAmountUnitsPerYen = 10000;

// Month positions of settlement periods and the slots they go to.
constexpr int kPositionInterim = 15;
// The longest texts the books hold, in Shift_JIS bytes.
constexpr std::size_t kAccountNameBytes = 56;
constexpr std::size_t kDescriptionBytes = 60;
constexpr std::size_t kDataIdBytes = 15;
constexpr std::size_t kCompanyNameBytes = 259;
constexpr std::size_t kLabelBytes = 30;
constexpr std::size_t kUserIdBytes = 64;
constexpr int kPositionYearEnd = 18;

// Both sets of debit and credit arrays of an account summary, in record order: debit without
// tax, debit with tax, credit without tax, credit with tax.
using SummarySlots = std::array<std::int64_t, 4 * kSlotCount>;
enum SummaryArray { kDebitNet = 0, kDebitGross = 1, kCreditNet = 2, kCreditGross = 3 };
inline std::int64_t& Slot(SummarySlots& slots, SummaryArray array, int slot) {
    return slots[static_cast<std::size_t>(array * kSlotCount + slot)];
}

// a + b into `result`; false, leaving `result` as it was, when the sum leaves the 64-bit range.
inline bool AddChecked(std::int64_t a, std::int64_t b, std::int64_t* result) {
    if ((b > 0 && a > std::numeric_limits<std::int64_t>::max() - b) ||
        (b < 0 && a < std::numeric_limits<std::int64_t>::min() - b)) {
        return false;
    }
    *result = a + b;
    return true;
}

struct Account {
    std::int32_t code = 0;
    std::string name;
    std::string label;
    std::uint32_t nature = 0;
    std::uint8_t side = 0;  // 1 debit, 2 credit
    std::uint8_t flag = 0;
    std::uint8_t noLedger = 0;
    std::vector<std::uint32_t> sumOf;
    long sourceLine = 0;
    bool IsSubAccount() const { return code % kSubAccountRadix != 0; }
    bool IsTotal() const { return flag == 2 || flag == 3; }
};

struct JournalLine {
    std::int32_t entry = 0;
    std::int32_t line = 0;
    std::int32_t voucher = 0;
    std::int32_t date = 0;
    std::int16_t position = 0;
    std::int16_t kind = -1;  // -1: not given, taken from the entry's size
    std::int32_t debitCode = 0;
    std::int64_t debitAmount = 0;
    std::int64_t debitTax = 0;
    std::int32_t creditCode = 0;
    std::int64_t creditAmount = 0;
    std::int64_t creditTax = 0;
    std::string description;
    long sourceLine = 0;
};

struct Company {
    std::string dataId;
    std::int32_t dataNo = 0;
    std::string name;
    std::int32_t periodFrom = 0;
    std::int32_t periodTo = 0;
    std::int32_t interimClosing = 0;
    std::int32_t introPosition = 0;
    std::int32_t companiesAct = 1;
    std::int32_t manufacturing = 0;
    std::int32_t taxInclusive = 0;
};

// A row of openings.csv: the balance brought in on an account or sub-account.
struct Opening {
    std::int32_t code = 0;
    std::int64_t debit = 0;
    std::int64_t credit = 0;
};

struct DataSet {
    Company company;
    std::vector<Account> accounts;  // chart order
    std::unordered_map<std::int32_t, std::size_t> byCode;
    std::int32_t inputTaxAccount = 0;                          // account code, 0 when none
    std::int32_t outputTaxAccount = 0;                         // account code, 0 when none
    std::unordered_map<std::int32_t, SummarySlots> summaries;  // by account code
    std::vector<Opening> openings;                             // openings.csv's order
    std::array<std::string, 3> notes;                          // kinds 0, 100, 1000
    std::array<bool, 3> hasNote = {false, false, false};
};

struct User {
    std::string userId;
    std::int32_t selectionNo = 1;
    std::int32_t dataNo = 0;
};

struct Era {
    std::int32_t firstDay = 0;
    std::string name;
    std::string shortLabel;
};

// Fiscal month position (1-12) of a date inside the period: months close at the month's end.
inline int FiscalPosition(std::int32_t periodFrom, std::int32_t date) {
    int fromMonths = (periodFrom / 10000) * 12 + (periodFrom % 10000) / 100;
    int dateMonths = (date / 10000) * 12 + (date % 10000) / 100;
    return dateMonths - fromMonths + 1;
}

// The days of a month (1-12) of the Gregorian calendar.
inline int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
}

// Whether yyyymmdd is a day of the Gregorian calendar from the year 1000 on.
inline bool IsValidDate(std::int64_t date) {
    if (date < 10000101 || date > 99991231) return false;
    int year = static_cast<int>(date / 10000);
    int month = static_cast<int>(date / 100 % 100);
    int day = static_cast<int>(date % 100);
    if (month < 1 || month > 12 || day < 1) return false;
    return day <= DaysInMonth(year, month);
}

// Month positions a journal line may stand at: a fiscal month, the interim or the year-end
// settlement.
inline bool IsValidPosition(std::int64_t position) {
    return (position >= 1 && position <= 12) || position == kPositionInterim ||
           position == kPositionYearEnd;
}

// Whether a Shift_JIS data ID may name a data set. The ID names folders (the notes of the
// import) and keys of the saved settings, so it holds no path separator ("/", "\", ":") and
// no control character, and is not "." or "..". A trail byte 0x5C of a double-byte character
// is not a backslash: Japanese IDs such as "表示" stay valid.
inline bool IsUsableDataId(std::string_view id) {
    if (id.empty() || id == "." || id == "..") return false;
    for (std::size_t pos = 0; pos < id.size(); ++pos) {
        unsigned char c = static_cast<unsigned char>(id[pos]);
        if (sjis::IsLeadByte(c)) {
            unsigned char trail = pos + 1 < id.size() ? static_cast<unsigned char>(id[pos + 1]) : 0;
            if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;  // a lone lead byte
            ++pos;
        } else if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') {
            return false;
        }
    }
    return true;
}

inline int SlotOfPosition(int position) {
    if (position == kPositionYearEnd) return kSlotYearEnd;
    if (position == kPositionInterim) return kSlotInterim;
    return position;
}

}  // namespace books

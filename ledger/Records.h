#pragma once

// Records exchanged with the ledger services, byte for byte. Every struct is packed and every
// offset that the system reads is checked at compile time; bytes that nobody names are
// reserved and stay zero. Texts are Shift_JIS and NUL-terminated inside their fields.

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// One company data set (the selected record is read whole into 1,506 bytes: 1,504 and a
// 16-bit trailer).
struct StDATAINFO {
    char dataId[16];             // 0: data ID text
    std::int32_t dataNo;         // 16: data number
    std::uint8_t reserved20[4];  // 20
    char companyName[260];       // 24: company name
    std::int32_t periodFrom;     // 284: first day of the fiscal period, yyyymmdd
    std::int32_t periodTo;       // 288: last day of the fiscal period, yyyymmdd
    std::uint8_t reserved292[8];
    std::int32_t
        manufacturing;  // 300: non-zero when a statement of cost of goods manufactured is kept
    std::int32_t interimClosing;  // 304: 1 when an interim period closes after fiscal month 6
    std::uint8_t reserved308[18];
    std::int16_t introPosition;  // 326: introduction month position 0-12, 99 for past-results data
    std::uint8_t reserved328[548];
    std::uint8_t companiesAct;  // 876: 1 when the data set is in the Companies-Act form
    std::uint8_t reserved877[627];
    std::uint16_t trailer;  // 1504
};

// Consumption-tax settings of a data set.
struct StSHOHIZEIINFO {
    std::uint8_t reserved0[5];
    std::uint8_t taxInclusive;  // 5: non-zero when the books hold amounts including tax
    std::uint8_t reserved6[14];
};

// One entry of a search: "item compared with value", linked to the next entry.
struct StFINDINFO {
    std::int32_t item;        // 0: item code (2 account code, 6 entry key, 17 month position)
    std::int16_t reserved4;   // 4
    std::int16_t comparison;  // 6: 1 equal, 2 not equal, 4 not less than, 6 not greater than
    std::int16_t reserved8;   // 8
    std::int16_t valueType;   // 10: 2 = 16-bit value, 3 = 32-bit value at offset 18
    std::uint8_t reserved12[6];
    union {  // 18
        std::int16_t value16;
        std::int32_t value32;
    };
    std::uint8_t reserved22[8];
    std::int16_t link;  // 30: 1 and, 2 or, 0 last entry
    std::int16_t reserved32;
};

// One sort key of an order record.
struct StORDERKEY {
    std::uint8_t last;       // 0: 1 on the last key
    std::uint8_t reserved1;  // 1
    std::int32_t item;       // 2: item code
    std::uint16_t reserved6;
};

// A line order: sort keys up to the one marked last.
struct StORDERINFO {
    static constexpr int kMaxKeys = 16;
    StORDERKEY keys[kMaxKeys];
};

// Department selection of an account summary; the books have no departments.
struct StBUMONINFO {
    std::int32_t code;
};

// Journal display options of the journal cursor; the books take none.
struct StSWKDISPINFO {
    std::int32_t reserved;
};

// Slots of the amount arrays: 0 opening, 1-12 fiscal months, 13 year-end settlement,
// 14 interim settlement.
constexpr int kSlotCount = 15;
constexpr int kSlotYearEnd = 13;
constexpr int kSlotInterim = 14;

// One account's summary, sub-accounts folded into the account.
struct StKAMOKUSUMINFO {
    std::uint8_t reserved0[32];
    std::int32_t code;  // 32: account number x 10000
    std::uint8_t reserved36[2];
    char name[57];                   // 38: formal name
    char label[31];                  // 95: statement label
    std::uint8_t noLedger1;          // 126: 1 = no ledger
    std::uint8_t noLedger2;          // 127: 1 = no ledger
    std::uint8_t exclusion;          // 128: 0 posting, 1 not listed, 2 total, 3 item without ledger
    std::uint8_t reserved129;        // 129
    std::uint8_t side;               // 130: 1 debit-side account, else credit-side
    std::uint8_t reserved131[5];     // 131
    std::uint32_t nature;            // 136: account nature code
    std::uint8_t reserved140[12];    // 140
    std::int64_t debit[kSlotCount];  // 152: without tax
    std::int64_t debitTax[kSlotCount];   // 272: with tax
    std::int64_t credit[kSlotCount];     // 392: without tax
    std::int64_t creditTax[kSlotCount];  // 512: with tax
    std::uint8_t reserved632[4];
};

// One line of an account's ledger. The credit block starts at 133: its amounts are unaligned.
struct StMOTOCHOINFO {
    std::uint8_t reserved0[4];
    std::int32_t entry;     // 4: entry key
    std::int32_t voucher;   // 8: voucher number
    std::int32_t line;      // 12: line number within the entry, 1 first
    std::int32_t date;      // 16: yyyymmdd
    std::int16_t position;  // 20: month position 1-12, 15 or 18
    std::uint8_t reserved22[64];
    std::uint8_t kind;  // 86: entry kind
    std::uint8_t reserved87;
    std::int32_t debitCode;  // 88
    std::uint8_t reserved92[4];
    std::int64_t debitAmount;  // 96
    std::int64_t debitTax;     // 104
    std::uint8_t reserved112[21];
    std::int32_t creditCode;  // 133
    std::uint8_t reserved137[4];
    std::int64_t creditAmount;  // 141
    std::int64_t creditTax;     // 149
    std::uint8_t reserved157[21];
    char description[61];  // 178
    std::uint8_t reserved239[381];
    std::uint8_t side;  // 620: 1 credit side only, 2 debit side only, 3 both, 0 through tax only
    std::uint8_t reserved621[7];
};

// One line of a journal entry; the fields read share the ledger line's offsets.
struct StSWKTINFO {
    std::uint8_t reserved0[4];
    std::int32_t entry;     // 4
    std::int32_t voucher;   // 8
    std::int32_t line;      // 12
    std::int32_t date;      // 16
    std::int16_t position;  // 20
    std::uint8_t reserved22[64];
    std::uint8_t kind;  // 86
    std::uint8_t reserved87;
    std::int32_t debitCode;  // 88
    std::uint8_t reserved92[4];
    std::int64_t debitAmount;  // 96
    std::int64_t debitTax;     // 104
    std::uint8_t reserved112[21];
    std::int32_t creditCode;  // 133
    std::uint8_t reserved137[4];
    std::int64_t creditAmount;  // 141
    std::int64_t creditTax;     // 149
    std::uint8_t reserved157[21];
    char description[61];  // 178
    std::uint8_t reserved239[365];
};

// One row of the chart of accounts (an account or a sub-account).
struct StKAMOKUINFO {
    std::int32_t code;       // 0: account number x 10000 + sub-account number
    std::uint8_t side;       // 4: 1 debit-side account
    std::uint8_t exclusion;  // 5
    std::uint8_t reserved6[16];
    char name[57];  // 22: formal name
    std::uint8_t reserved79[65];
    std::uint32_t nature;  // 144: account nature code
    std::uint8_t reserved148[73];
};

// One era of the era set.
struct StGENGOINFO {
    std::int32_t id;        // 0: order of the era in the set
    std::int32_t firstDay;  // 4: yyyymmdd
    char name[7];           // 8: era name
    char shortLabel[9];     // 15: short label
};

// The view of an account's ledger.
struct StMOTOCHOHYOJIINFO {
    std::int32_t code;  // 0: account code
    std::uint8_t reserved4[44];
    std::int32_t interimEnd;  // 48: 1 when the end month position is 15
    std::int32_t firstDay;    // 52: first day of the start month position
    std::int32_t lastDay;     // 56: last day of the end month position
    std::uint8_t reserved60[8];
    std::uint32_t workArea;  // 68: a token for the caller's work area (32 bits in the original)
    std::uint8_t reserved72[8];
};

#pragma pack(pop)

static_assert(sizeof(StDATAINFO) == 1506);
static_assert(offsetof(StDATAINFO, dataNo) == 16);
static_assert(offsetof(StDATAINFO, companyName) == 24);
static_assert(offsetof(StDATAINFO, periodFrom) == 284);
static_assert(offsetof(StDATAINFO, periodTo) == 288);
static_assert(offsetof(StDATAINFO, manufacturing) == 300);
static_assert(offsetof(StDATAINFO, interimClosing) == 304);
static_assert(offsetof(StDATAINFO, introPosition) == 326);
static_assert(offsetof(StDATAINFO, companiesAct) == 876);
static_assert(offsetof(StDATAINFO, trailer) == 1504);

static_assert(sizeof(StSHOHIZEIINFO) == 20);
static_assert(offsetof(StSHOHIZEIINFO, taxInclusive) == 5);

static_assert(sizeof(StFINDINFO) == 34);
static_assert(offsetof(StFINDINFO, comparison) == 6);
static_assert(offsetof(StFINDINFO, valueType) == 10);
static_assert(offsetof(StFINDINFO, value16) == 18);
static_assert(offsetof(StFINDINFO, value32) == 18);
static_assert(offsetof(StFINDINFO, link) == 30);

static_assert(sizeof(StORDERKEY) == 8);
static_assert(offsetof(StORDERKEY, item) == 2);

static_assert(sizeof(StKAMOKUSUMINFO) == 636);
static_assert(offsetof(StKAMOKUSUMINFO, code) == 32);
static_assert(offsetof(StKAMOKUSUMINFO, name) == 38);
static_assert(offsetof(StKAMOKUSUMINFO, label) == 95);
static_assert(offsetof(StKAMOKUSUMINFO, noLedger1) == 126);
static_assert(offsetof(StKAMOKUSUMINFO, noLedger2) == 127);
static_assert(offsetof(StKAMOKUSUMINFO, exclusion) == 128);
static_assert(offsetof(StKAMOKUSUMINFO, side) == 130);
static_assert(offsetof(StKAMOKUSUMINFO, nature) == 136);
static_assert(offsetof(StKAMOKUSUMINFO, debit) == 152);
static_assert(offsetof(StKAMOKUSUMINFO, debitTax) == 272);
static_assert(offsetof(StKAMOKUSUMINFO, credit) == 392);
static_assert(offsetof(StKAMOKUSUMINFO, creditTax) == 512);

static_assert(sizeof(StMOTOCHOINFO) == 628);
static_assert(offsetof(StMOTOCHOINFO, entry) == 4);
static_assert(offsetof(StMOTOCHOINFO, voucher) == 8);
static_assert(offsetof(StMOTOCHOINFO, line) == 12);
static_assert(offsetof(StMOTOCHOINFO, date) == 16);
static_assert(offsetof(StMOTOCHOINFO, kind) == 86);
static_assert(offsetof(StMOTOCHOINFO, debitCode) == 88);
static_assert(offsetof(StMOTOCHOINFO, debitAmount) == 96);
static_assert(offsetof(StMOTOCHOINFO, debitTax) == 104);
static_assert(offsetof(StMOTOCHOINFO, creditCode) == 133);
static_assert(offsetof(StMOTOCHOINFO, creditAmount) == 141);
static_assert(offsetof(StMOTOCHOINFO, creditTax) == 149);
static_assert(offsetof(StMOTOCHOINFO, description) == 178);
static_assert(offsetof(StMOTOCHOINFO, side) == 620);

static_assert(sizeof(StSWKTINFO) == 604);
static_assert(offsetof(StSWKTINFO, line) == 12);
static_assert(offsetof(StSWKTINFO, kind) == 86);
static_assert(offsetof(StSWKTINFO, debitCode) == 88);
static_assert(offsetof(StSWKTINFO, debitAmount) == 96);
static_assert(offsetof(StSWKTINFO, debitTax) == 104);
static_assert(offsetof(StSWKTINFO, creditCode) == 133);
static_assert(offsetof(StSWKTINFO, creditAmount) == 141);
static_assert(offsetof(StSWKTINFO, creditTax) == 149);
static_assert(offsetof(StSWKTINFO, description) == 178);

static_assert(sizeof(StKAMOKUINFO) == 221);
static_assert(offsetof(StKAMOKUINFO, name) == 22);
static_assert(offsetof(StKAMOKUINFO, nature) == 144);

static_assert(sizeof(StGENGOINFO) == 24);
static_assert(offsetof(StGENGOINFO, firstDay) == 4);
static_assert(offsetof(StGENGOINFO, name) == 8);
static_assert(offsetof(StGENGOINFO, shortLabel) == 15);

static_assert(sizeof(StMOTOCHOHYOJIINFO) == 80);
static_assert(offsetof(StMOTOCHOHYOJIINFO, interimEnd) == 48);
static_assert(offsetof(StMOTOCHOHYOJIINFO, firstDay) == 52);
static_assert(offsetof(StMOTOCHOHYOJIINFO, lastDay) == 56);
static_assert(offsetof(StMOTOCHOHYOJIINFO, workArea) == 68);

// Search vocabulary of the cursors.
namespace finditem {
constexpr std::int32_t kAccountCode = 2;
constexpr std::int32_t kEntryKey = 6;
constexpr std::int32_t kMonthPosition = 17;
}  // namespace finditem

namespace findcmp {
constexpr std::int16_t kEqual = 1;
constexpr std::int16_t kNotEqual = 2;
constexpr std::int16_t kNotLess = 4;
constexpr std::int16_t kNotGreater = 6;
}  // namespace findcmp

namespace findlink {
constexpr std::int16_t kLast = 0;
constexpr std::int16_t kAnd = 1;
constexpr std::int16_t kOr = 2;
}  // namespace findlink

namespace findtype {
constexpr std::int16_t kValue16 = 2;
constexpr std::int16_t kValue32 = 3;
}  // namespace findtype

// Order items of the ledger's line order.
namespace orderitem {
constexpr std::int32_t kDate = 9;
constexpr std::int32_t kMonthPosition = 17;
constexpr std::int32_t kVoucher = 41;
constexpr std::int32_t kDepartment = 8;  // the books have no departments: one value for all lines
constexpr std::int32_t kEntryKey = 6;
constexpr std::int32_t kLine = 64;
}  // namespace orderitem

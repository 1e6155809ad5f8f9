// The ledger services over the books store.

#include "ledger/Services.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "books/Books.h"
#include "books/Model.h"
#include "books/Session.h"
#include "common/Messages.h"
#include "common/Sjis.h"

using books::Session;

namespace {

// Cursor kinds of the sets.
constexpr int kDataCursor = 1;
constexpr int kEraCursor = 2;
constexpr int kAccountCursor = 3;

constexpr OptLink kOptLink = 1;

std::int32_t DataNoOf(const char* dataId) {
    const StDATAINFO* set = Session::Get().DataSetOf(dataId);
    return set ? set->dataNo : 0;
}

}  // namespace

void CoTaskMemFree(void* block) {
    std::free(block);
}

namespace books {
void ConfigureBooks(const BooksConfig& config) {
    Session::Get().Configure(config);
}
}  // namespace books

// --- login ----------------------------------------------------------------------------------

ClAccConnect& ClAccConnect::Inst() {
    static ClAccConnect connect;
    return connect;
}

void ClAccConnect::SetAppType(int appType) {
    appType_ = appType;
}
void ClAccConnect::SetUseDataType(int useDataType) {
    useDataType_ = useDataType;
}
std::int32_t ClAccConnect::Initiate() {
    if (auto fault = Session::Get().InjectedFault("ClAccConnect::Initiate")) return *fault;
    return kLedgerOk;
}
std::int32_t ClAccConnect::ExpSysLink() {
    if (auto fault = Session::Get().InjectedFault("ClAccConnect::ExpSysLink")) return *fault;
    return Session::Get().Login();
}

namespace {

// The link components write the tax package's name as a token and leave it to the message service
// to name the package; the books name it neutrally. The token is looked for at character
// boundaries only: its letters could be trail bytes of double-byte characters.
std::string WithPackageName(std::string_view text) {
    static constexpr std::string_view kToken = "ES_APRPACKAGENAME";
    static constexpr std::string_view kPackageName = "法人税申告ソフト";
    std::string shown;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.substr(pos, kToken.size()) == kToken) {
            shown += kPackageName;
            pos += kToken.size();
            continue;
        }
        const bool pair =
            sjis::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size();
        const std::size_t width = pair ? 2 : 1;
        shown += text.substr(pos, width);
        pos += width;
    }
    return shown;
}

}  // namespace

int ClAccConnect::DispMsg(WindowHandle owner, const char* text, const char* caption,
                          unsigned flags) {
    return Session::Get().Show(owner, WithPackageName(text ? text : ""), caption ? caption : "",
                               flags);
}

std::int32_t ClAccConnect::LogOut() {
    Session::Get().Logout();
    return kLedgerOk;
}
std::int32_t ClAccConnect::Terminate() {
    return kLedgerOk;
}
std::int32_t ClAccConnect::Release() {
    return kLedgerOk;
}

// --- managers -------------------------------------------------------------------------------

ClDataMgr& ClDataMgr::Inst() {
    static ClDataMgr manager;
    return manager;
}

ClSetMgr* ClDataMgr::GetSetMgr() {
    return &Session::Get().setMgr;
}
ClSetBase* ClDataMgr::GetSetObject(int kind, int instance) {
    return Session::Get().setMgr.GetSetObject(kind, instance);
}
ClSysUser* ClDataMgr::GetSysUserObject() {
    return &Session::Get().sysUser;
}

ClSetBase* ClSetMgr::GetSetObject(int kind, int /*instance*/) {
    Session& session = Session::Get();
    switch (kind) {
        case setkind::kKamoku:
            return &session.kamoku;
        case setkind::kShohizei:
            return &session.shohizei;
        case setkind::kData:
            return &session.data;
        case setkind::kGengo:
            return &session.gengo;
        default:
            return nullptr;
    }
}

ClUtyDBHpr& ClUtyDBHpr::Inst() {
    static ClUtyDBHpr helper;
    return helper;
}

std::int32_t ClUtyDBHpr::MakeIDStr(const StDATAINFO* record, char* idText) {
    if (!record || !idText) return books::kErrBadRequest;
    sjis::CopyBounded(idText, 16, sjis::FieldText(record->dataId, sizeof(record->dataId)), 15);
    return kLedgerOk;
}

ClLinkMgr& ClLinkMgr::Inst() {
    static ClLinkMgr manager;
    return manager;
}
OptLink ClLinkMgr::GetOptLink() {
    return kOptLink;
}

ClFileMgr& ClFileMgr::Inst() {
    static ClFileMgr manager;
    return manager;
}

std::int32_t ClFileMgr::GetAppFolderPath(int folderType, char* path) {
    if (!path) return books::kErrBadRequest;
    const books::BooksConfig& config = Session::Get().Config();
    if (folderType != 0 && folderType != 1) {
        path[0] = '\0';
        return books::kErrBadRequest;
    }
    // A folder is handed out ending in a backslash: callers append file names directly.
    std::string folder = folderType == 0 ? config.outputFolder : config.settingsFolder;
    if (!folder.empty() && !sjis::EndsWithBackslash(folder)) folder += '\\';
    sjis::CopyBounded(path, 261, folder, 260);
    return kLedgerOk;
}

ClMsgMgr& ClMsgMgr::Inst() {
    static ClMsgMgr manager;
    return manager;
}

int ClMsgMgr::CheckFatalErrorWithMsg(std::int32_t code, int /*reserved*/, int show,
                                     WindowHandle owner) {
    if (code == kLedgerOk || code == kLedgerEnd) return 0;
    if (show) {
        std::string text =
            "会計データの読み込みでエラーが発生しました。（コード " + std::to_string(code) + "）";
        Session::Get().Show(owner, text, messages::kCaption, mb::kIconWarning);
    }
    return 1;
}

void ClMsgMgr::SetLastError(std::int32_t code, const char* /*source*/, int location) {
    lastCode_ = code;
    lastLocation_ = location;
}

// --- sets -----------------------------------------------------------------------------------

std::int32_t ClSetBase::AttachSetMgr(ClSetMgr* setMgr) {
    setMgr_ = setMgr;
    return kLedgerOk;
}

std::int32_t ClSetBase::SetCurDataID(const char* dataId) {
    std::memset(dataId_, 0, sizeof(dataId_));
    if (dataId) sjis::CopyBounded(dataId_, sizeof(dataId_), sjis::FieldText(dataId, 16), 15);
    return kLedgerOk;
}

std::int32_t ClSetData::GetDatCursor(LedgerCursor* cursor) {
    if (!cursor) return books::kErrBadRequest;
    if (!Session::Get().LoggedIn()) return books::kErrNotLoggedIn;
    *cursor = Session::Get().OpenCursor(kDataCursor);
    return kLedgerOk;
}

std::int32_t ClSetData::ReadyDat(LedgerCursor cursor, int /*mode*/) {
    std::size_t* position = Session::Get().CursorPosition(cursor, kDataCursor);
    if (!position) return books::kErrBadCursor;
    *position = 0;
    return kLedgerOk;
}

std::int32_t ClSetData::WalkDat(StDATAINFO* record, LedgerCursor cursor) {
    if (auto fault = Session::Get().InjectedFault("ClSetData::WalkDat")) return *fault;
    Session& session = Session::Get();
    std::size_t* position = session.CursorPosition(cursor, kDataCursor);
    if (!position || !record) return books::kErrBadCursor;
    if (*position >= session.DataSets().size()) return kLedgerEnd;
    *record = session.DataSets()[(*position)++];
    return kLedgerOk;
}

std::int32_t ClSetData::ReleaseDatCursor(LedgerCursor cursor) {
    return Session::Get().CloseCursor(cursor, kDataCursor) ? kLedgerOk : books::kErrBadCursor;
}

const StDATAINFO* ClSetData::GetSelectedInfo() {
    Session& session = Session::Get();
    return session.LoggedIn() ? &session.Selected() : nullptr;
}

ClAccPeriod* ClSetData::GetAccPeriod() {
    Session& session = Session::Get();
    return session.LoggedIn() ? &session.selectedPeriod : nullptr;
}

std::int32_t ClSetShohizei::Get(StSHOHIZEIINFO* record) {
    if (auto fault = Session::Get().InjectedFault("ClSetShohizei::Get")) return *fault;
    if (!record) return books::kErrBadRequest;
    std::int32_t dataNo = DataNoOf(dataId_);
    if (dataNo == 0)
        return Session::Get().LoggedIn() ? books::kErrNotFound : books::kErrNotLoggedIn;
    *record = StSHOHIZEIINFO{};
    record->taxInclusive = Session::Get().TaxInclusive(dataNo) ? 1 : 0;
    return kLedgerOk;
}

std::int32_t ClSetGengo::GetCursor(LedgerCursor* cursor) {
    if (auto fault = Session::Get().InjectedFault("ClSetGengo::GetCursor")) return *fault;
    if (!cursor) return books::kErrBadRequest;
    if (!Session::Get().LoggedIn()) return books::kErrNotLoggedIn;
    *cursor = Session::Get().OpenCursor(kEraCursor);
    return kLedgerOk;
}

std::int32_t ClSetGengo::Ready(LedgerCursor cursor) {
    if (auto fault = Session::Get().InjectedFault("ClSetGengo::Ready")) return *fault;
    std::size_t* position = Session::Get().CursorPosition(cursor, kEraCursor);
    if (!position) return books::kErrBadCursor;
    *position = 0;
    return kLedgerOk;
}

std::int32_t ClSetGengo::Walk(StGENGOINFO* record, LedgerCursor cursor) {
    if (auto fault = Session::Get().InjectedFault("ClSetGengo::Walk")) return *fault;
    Session& session = Session::Get();
    std::size_t* position = session.CursorPosition(cursor, kEraCursor);
    if (!position || !record) return books::kErrBadCursor;
    if (*position >= session.Eras().size()) return kLedgerEnd;
    *record = session.Eras()[(*position)++];
    return kLedgerOk;
}

std::int32_t ClSetGengo::ReleaseCursor(LedgerCursor cursor) {
    return Session::Get().CloseCursor(cursor, kEraCursor) ? kLedgerOk : books::kErrBadCursor;
}

std::int32_t ClSetKamoku::GetCursor(LedgerCursor* cursor) {
    if (!cursor) return books::kErrBadRequest;
    if (!Session::Get().LoggedIn()) return books::kErrNotLoggedIn;
    *cursor = Session::Get().OpenCursor(kAccountCursor);
    return kLedgerOk;
}

std::int32_t ClSetKamoku::ReadyCursor(LedgerCursor cursor) {
    std::size_t* position = Session::Get().CursorPosition(cursor, kAccountCursor);
    if (!position) return books::kErrBadCursor;
    *position = 0;
    return kLedgerOk;
}

std::int32_t ClSetKamoku::WalkFind(const StFINDINFO* find, StKAMOKUINFO* record,
                                   LedgerCursor cursor) {
    if (auto fault = Session::Get().InjectedFault("ClSetKamoku::WalkFind")) return *fault;
    Session& session = Session::Get();
    std::size_t* position = session.CursorPosition(cursor, kAccountCursor);
    if (!position || !record) return books::kErrBadCursor;
    auto filter = books::FindFilter::Parse(find);
    if (!filter || !filter->UsesOnly({finditem::kAccountCode})) return books::kErrBadRequest;
    const Session::Chart* chart = session.ChartOf(DataNoOf(dataId_));
    if (!chart) return books::kErrStore;
    // The usual search is one exact code: answer it from the index.
    const auto& groups = filter->Groups();
    if (groups.size() == 1 && groups[0].size() == 1 && groups[0][0].comparison == findcmp::kEqual) {
        auto it = chart->byCode.find(static_cast<std::int32_t>(groups[0][0].value));
        if (groups[0][0].value != static_cast<std::int32_t>(groups[0][0].value) ||
            it == chart->byCode.end() || it->second < *position) {
            *position = chart->rows.size();
            return kLedgerEnd;
        }
        *record = chart->rows[it->second];
        *position = it->second + 1;
        return kLedgerOk;
    }
    for (; *position < chart->rows.size(); ++*position) {
        const StKAMOKUINFO& row = chart->rows[*position];
        if (filter->Matches([&](std::int32_t) -> std::int64_t { return row.code; })) {
            *record = row;
            ++*position;
            return kLedgerOk;
        }
    }
    return kLedgerEnd;
}

std::int32_t ClSetKamoku::ReleaseCursor(LedgerCursor cursor) {
    return Session::Get().CloseCursor(cursor, kAccountCursor) ? kLedgerOk : books::kErrBadCursor;
}

std::int32_t ClSysUser::GetCurUserID(char* userId) {
    if (!userId) return books::kErrBadRequest;
    Session& session = Session::Get();
    sjis::CopyBounded(userId, 65, session.UserId(), 64);
    return session.LoggedIn() ? kLedgerOk : books::kErrNotLoggedIn;
}

std::int32_t ClSysUser::GetSelectedNo(const char* userId, std::int32_t* selectionNo,
                                      std::int32_t* dataNo) {
    Session& session = Session::Get();
    if (!session.LoggedIn()) return books::kErrNotLoggedIn;
    if (userId && session.UserId() == userId) {
        // The logged-in user: the data set selected at login.
        if (selectionNo) *selectionNo = session.SelectionNo();
        if (dataNo) *dataNo = session.Selected().dataNo;
        return kLedgerOk;
    }
    return session.LookUpUser(userId, selectionNo, dataNo);
}

// --- rules ----------------------------------------------------------------------------------

ClRuleBase::~ClRuleBase() = default;

std::int32_t ClRuleBase::AttachSetMgr(ClSetMgr* setMgr) {
    setMgr_ = setMgr;
    return kLedgerOk;
}

std::int32_t ClRuleBase::SetCurDataID(const char* dataId) {
    std::memset(dataId_, 0, sizeof(dataId_));
    if (dataId) sjis::CopyBounded(dataId_, sizeof(dataId_), sjis::FieldText(dataId, 16), 15);
    return kLedgerOk;
}

std::int32_t ClRuleBase::AttachOptLink(OptLink link) {
    optLink_ = link;
    return kLedgerOk;
}

// Account summaries: every account of the chart (sub-accounts folded in) with all slots; the
// caller picks the slots of its period.
struct ClRuleKamoku::Impl {
    bool ready = false;
    std::vector<StKAMOKUSUMINFO> rows;
    std::size_t position = 0;
};

ClRuleKamoku::ClRuleKamoku() : impl_(std::make_unique<Impl>()) {}
ClRuleKamoku::~ClRuleKamoku() = default;

std::int32_t ClRuleKamoku::MoveReady(_RuleKamokuSumType_Base /*base*/, _RuleKamokuSumType_Bmn bmn,
                                     _RuleKamokuSumType_Disptype /*dispType*/,
                                     const StFINDINFO* find, const StBUMONINFO* bumon,
                                     _RuleKamokuSumType_Past past) {
    impl_->ready = false;
    impl_->rows.clear();
    impl_->position = 0;
    Session& session = Session::Get();
    if (!session.LoggedIn()) return books::kErrNotLoggedIn;
    auto filter = books::FindFilter::Parse(find);
    // The books keep no departments and no past results.
    if (!filter || !filter->UsesOnly({finditem::kMonthPosition}) || bmn != 0 || bumon ||
        past != 0) {
        return books::kErrBadRequest;
    }
    std::int32_t dataNo = DataNoOf(dataId_);
    if (dataNo == 0) return books::kErrNotFound;
    // The chart's rows are checked once, as the chart is read; a damaged chart is no summary.
    if (!session.ChartOf(dataNo)) return books::kErrStore;
    books::Statement& query = session.Cached(
        "SELECT code, name, label, nature, side, flag, no_ledger, slots FROM accounts "
        "WHERE data_no=? AND code % 10000 = 0 ORDER BY ord");
    if (!query.Ok()) return books::kErrStore;
    query.Reset();
    query.Bind(1, dataNo);
    int rc = query.Step();
    for (; rc == SQLITE_ROW; rc = query.Step()) {
        StKAMOKUSUMINFO row{};
        row.code = static_cast<std::int32_t>(query.Int(0));
        sjis::CopyBounded(row.name, sizeof(row.name), query.Blob(1), sizeof(row.name) - 1);
        sjis::CopyBounded(row.label, sizeof(row.label), query.Blob(2), sizeof(row.label) - 1);
        row.nature = static_cast<std::uint32_t>(query.Int(3));
        row.side = static_cast<std::uint8_t>(query.Int(4));
        row.exclusion = static_cast<std::uint8_t>(query.Int(5));
        row.noLedger1 = row.noLedger2 = static_cast<std::uint8_t>(query.Int(6));
        std::string_view slots = query.Blob(7);
        books::SummarySlots values;
        if (slots.size() != sizeof(values)) {
            rc = SQLITE_CORRUPT;
            break;
        }
        std::memcpy(values.data(), slots.data(), sizeof(values));
        // Every amount has a negation: the smallest 64-bit value is no amount of the books.
        if (std::find(values.begin(), values.end(), std::numeric_limits<std::int64_t>::min()) !=
            values.end()) {
            rc = SQLITE_CORRUPT;
            break;
        }
        constexpr std::size_t kArray = sizeof(row.debit);
        std::memcpy(row.debit, values.data(), kArray);
        std::memcpy(row.debitTax, values.data() + kSlotCount, kArray);
        std::memcpy(row.credit, values.data() + 2 * kSlotCount, kArray);
        std::memcpy(row.creditTax, values.data() + 3 * kSlotCount, kArray);
        impl_->rows.push_back(row);
    }
    query.Reset();
    if (rc != SQLITE_DONE) {
        impl_->rows.clear();
        return books::kErrStore;
    }
    impl_->ready = true;
    return kLedgerOk;
}

std::int32_t ClRuleKamoku::GetSumCount(std::uint32_t* count) {
    if (auto fault = Session::Get().InjectedFault("ClRuleKamoku::GetSumCount")) return *fault;
    if (!impl_->ready || !count) return books::kErrBadCursor;
    *count = static_cast<std::uint32_t>(impl_->rows.size());
    return kLedgerOk;
}

std::int32_t ClRuleKamoku::SetMovePos(std::uint32_t position) {
    if (auto fault = Session::Get().InjectedFault("ClRuleKamoku::SetMovePos")) return *fault;
    if (!impl_->ready || position > impl_->rows.size()) return books::kErrBadCursor;
    impl_->position = position;
    return kLedgerOk;
}

std::int32_t ClRuleKamoku::MoveNext(StKAMOKUSUMINFO* record) {
    if (auto fault = Session::Get().InjectedFault("ClRuleKamoku::MoveNext")) return *fault;
    if (!impl_->ready || !record) return books::kErrBadCursor;
    if (impl_->position >= impl_->rows.size()) return kLedgerEnd;
    *record = impl_->rows[impl_->position++];
    return kLedgerOk;
}

std::int32_t ClRuleKamoku::MoveFinish() {
    impl_->ready = false;
    impl_->rows.clear();
    impl_->rows.shrink_to_fit();
    return kLedgerOk;
}

namespace {

// The longest description a line carries (StMOTOCHOINFO and StSWKTINFO hold 60 bytes).
constexpr std::size_t kDescriptionBytes = 60;

// Journal and ledger lines as a cursor holds them between its reads.
struct LineRow {
    std::int32_t entry, voucher, line, date;
    std::int16_t position;
    std::uint8_t kind, side;
    std::int32_t debitCode, creditCode;
    std::int64_t debitAmount, debitTax, creditAmount, creditTax;
    std::uint32_t descriptionOffset;
    std::uint8_t descriptionLength;
};

struct LineRows {
    std::vector<LineRow> rows;
    std::string descriptions;

    // Reads rows of the columns selected by kLineColumns (plus the side when `withSide`). A
    // row the import would have refused ends the read as a damaged store.
    int Read(books::Statement& query, bool withSide) {
        constexpr std::int64_t kMaxKey = std::numeric_limits<std::int32_t>::max();
        constexpr std::int64_t kNoAmount = std::numeric_limits<std::int64_t>::min();
        int rc = query.Step();
        for (; rc == SQLITE_ROW; rc = query.Step()) {
            const std::int64_t date = query.Int(0), position = query.Int(1), voucher = query.Int(2),
                               entry = query.Int(3), line = query.Int(4), kind = query.Int(5),
                               debitCode = query.Int(6), debitAmount = query.Int(7),
                               debitTax = query.Int(8), creditCode = query.Int(9),
                               creditAmount = query.Int(10), creditTax = query.Int(11),
                               side = withSide ? query.Int(13) : 0;
            std::string_view description = query.Blob(12);
            auto within = [](std::int64_t value, std::int64_t min, std::int64_t max) {
                return value >= min && value <= max;
            };
            if (!books::IsValidDate(date) || !books::IsValidPosition(position) ||
                !within(voucher, 0, kMaxKey) || !within(entry, 1, kMaxKey) ||
                !within(line, 1, kMaxKey) || !within(kind, 0, 255) ||
                !within(debitCode, 0, kMaxKey) || !within(creditCode, 0, kMaxKey) ||
                debitAmount == kNoAmount || debitTax == kNoAmount || creditAmount == kNoAmount ||
                creditTax == kNoAmount || description.size() > kDescriptionBytes ||
                !within(side, 0, 3)) {
                rc = SQLITE_CORRUPT;
                break;
            }
            LineRow r{};
            r.date = static_cast<std::int32_t>(date);
            r.position = static_cast<std::int16_t>(position);
            r.voucher = static_cast<std::int32_t>(voucher);
            r.entry = static_cast<std::int32_t>(entry);
            r.line = static_cast<std::int32_t>(line);
            r.kind = static_cast<std::uint8_t>(kind);
            r.debitCode = static_cast<std::int32_t>(debitCode);
            r.debitAmount = debitAmount;
            r.debitTax = debitTax;
            r.creditCode = static_cast<std::int32_t>(creditCode);
            r.creditAmount = creditAmount;
            r.creditTax = creditTax;
            r.side = static_cast<std::uint8_t>(side);
            r.descriptionOffset = static_cast<std::uint32_t>(descriptions.size());
            r.descriptionLength = static_cast<std::uint8_t>(description.size());
            descriptions.append(description);
            rows.push_back(r);
        }
        query.Reset();
        return rc;
    }

    template <typename Record>
    void Fill(std::size_t index, Record* record) const {
        const LineRow& r = rows[index];
        std::memset(record, 0, sizeof(*record));
        record->entry = r.entry;
        record->voucher = r.voucher;
        record->line = r.line;
        record->date = r.date;
        record->position = r.position;
        record->kind = r.kind;
        record->debitCode = r.debitCode;
        record->debitAmount = r.debitAmount;
        record->debitTax = r.debitTax;
        record->creditCode = r.creditCode;
        record->creditAmount = r.creditAmount;
        record->creditTax = r.creditTax;
        std::memcpy(record->description, descriptions.data() + r.descriptionOffset,
                    r.descriptionLength);
    }

    void Clear() {
        rows.clear();
        descriptions.clear();
    }
};

constexpr const char* kLineColumns =
    "date, position, voucher, entry, line, kind, debit_code, debit_amount, debit_tax, "
    "credit_code, credit_amount, credit_tax, description";

const std::map<std::int32_t, const char*> kLineItems = {{finditem::kMonthPosition, "position"},
                                                        {finditem::kEntryKey, "entry"}};

// Runs a line query with a search's condition appended; binds the data number first.
int QueryLines(const std::string& head, const books::FindFilter& filter, const std::string& tail,
               std::vector<std::int64_t> binds, bool withSide, LineRows* out) {
    std::vector<std::int64_t> filterBinds;
    std::string sql = head + " AND " + filter.Sql(kLineItems, &filterBinds) + tail;
    binds.insert(binds.end(), filterBinds.begin(), filterBinds.end());
    books::Statement& query = Session::Get().Cached(sql);
    if (!query.Ok()) return SQLITE_ERROR;
    query.Reset();
    for (std::size_t i = 0; i < binds.size(); ++i) query.Bind(static_cast<int>(i + 1), binds[i]);
    return out->Read(query, withSide);
}

}  // namespace

// One account's ledger lines of a date range in the line order.
struct ClRuleMotocho::Impl {
    bool ready = false;
    StMOTOCHOHYOJIINFO view{};
    LineRows lines;
    std::size_t position = 0;
};

ClRuleMotocho::ClRuleMotocho() : impl_(std::make_unique<Impl>()) {}
ClRuleMotocho::~ClRuleMotocho() = default;

std::int32_t ClRuleMotocho::MoveReady(const StFINDINFO* find, const StORDERINFO* order,
                                      const StMOTOCHOHYOJIINFO* view) {
    impl_->ready = false;
    impl_->lines.Clear();
    impl_->position = 0;
    Session& session = Session::Get();
    if (!session.LoggedIn()) return books::kErrNotLoggedIn;
    auto filter = books::FindFilter::Parse(find);
    // Ledgers are kept per account: a view of a single sub-account is not one the books keep.
    if (!filter || !filter->UsesOnly({finditem::kMonthPosition, finditem::kEntryKey}) ||
        !books::IsStandardOrder(order) || !view || view->code <= 0 ||
        view->code % books::kSubAccountRadix != 0) {
        return books::kErrBadRequest;
    }
    std::int32_t dataNo = DataNoOf(dataId_);
    if (dataNo == 0) return books::kErrNotFound;
    std::string head = std::string("SELECT ") + kLineColumns +
                       ", side FROM ledger WHERE data_no=? AND account=? AND date BETWEEN ? AND ?";
    int rc = QueryLines(head, *filter, " ORDER BY date, position, voucher, entry, line",
                        {dataNo, view->code, view->firstDay, view->lastDay}, true, &impl_->lines);
    if (rc != SQLITE_DONE) {
        impl_->lines.Clear();
        return books::kErrStore;
    }
    impl_->view = *view;
    impl_->ready = true;
    return kLedgerOk;
}

std::int32_t ClRuleMotocho::GetCount(const StFINDINFO* find, const StMOTOCHOHYOJIINFO* view,
                                     std::uint32_t* count) {
    if (auto fault = Session::Get().InjectedFault("ClRuleMotocho::GetCount")) return *fault;
    if (!impl_->ready || !count || !view) return books::kErrBadCursor;
    auto filter = books::FindFilter::Parse(find);
    if (!filter || !filter->UsesOnly({finditem::kMonthPosition, finditem::kEntryKey})) {
        return books::kErrBadRequest;
    }
    if (view->code != impl_->view.code || view->firstDay != impl_->view.firstDay ||
        view->lastDay != impl_->view.lastDay) {
        return books::kErrBadRequest;
    }
    std::uint32_t n = 0;
    for (const LineRow& r : impl_->lines.rows) {
        n += filter->Matches([&](std::int32_t item) -> std::int64_t {
            return item == finditem::kMonthPosition ? r.position : r.entry;
        });
    }
    *count = n;
    return kLedgerOk;
}

std::int32_t ClRuleMotocho::SetMovePos(std::uint32_t position) {
    if (auto fault = Session::Get().InjectedFault("ClRuleMotocho::SetMovePos")) return *fault;
    if (!impl_->ready || position > impl_->lines.rows.size()) return books::kErrBadCursor;
    impl_->position = position;
    return kLedgerOk;
}

std::int32_t ClRuleMotocho::MoveFirst(StMOTOCHOINFO* record) {
    if (!impl_->ready || !record) return books::kErrBadCursor;
    impl_->position = 0;
    return MoveNext(record);
}

std::int32_t ClRuleMotocho::MoveNext(StMOTOCHOINFO* record) {
    if (auto fault = Session::Get().InjectedFault("ClRuleMotocho::MoveNext")) return *fault;
    if (!impl_->ready || !record) return books::kErrBadCursor;
    if (impl_->position >= impl_->lines.rows.size()) return kLedgerEnd;
    impl_->lines.Fill(impl_->position, record);
    record->side = impl_->lines.rows[impl_->position].side;
    ++impl_->position;
    return kLedgerOk;
}

std::int32_t ClRuleMotocho::MoveFinish() {
    impl_->ready = false;
    impl_->lines.Clear();
    return kLedgerOk;
}

// The lines of journal entries in line order.
struct ClRuleShiwake::Impl {
    bool ready = false;
    LineRows lines;
    std::size_t position = 0;
};

ClRuleShiwake::ClRuleShiwake() : impl_(std::make_unique<Impl>()) {}
ClRuleShiwake::~ClRuleShiwake() = default;

std::int32_t ClRuleShiwake::MoveReady(const StFINDINFO* find, const StORDERINFO* order,
                                      const StSWKDISPINFO* display, _ECursorType type) {
    impl_->ready = false;
    impl_->lines.Clear();
    impl_->position = 0;
    if (auto fault = Session::Get().InjectedFault("ClRuleShiwake::MoveReady")) return *fault;
    Session& session = Session::Get();
    if (!session.LoggedIn()) return books::kErrNotLoggedIn;
    auto filter = books::FindFilter::Parse(find);
    if (!filter || !filter->UsesOnly({finditem::kMonthPosition, finditem::kEntryKey}) ||
        !books::IsStandardOrder(order) || display || type != _ECursorType_Entry) {
        return books::kErrBadRequest;
    }
    std::int32_t dataNo = DataNoOf(dataId_);
    if (dataNo == 0) return books::kErrNotFound;
    std::string head = std::string("SELECT ") + kLineColumns + " FROM journal WHERE data_no=?";
    int rc = QueryLines(head, *filter, "", {dataNo}, false, &impl_->lines);
    if (rc != SQLITE_DONE) {
        impl_->lines.Clear();
        return books::kErrStore;
    }
    auto& rows = impl_->lines.rows;
    auto key = [](const LineRow& r) {
        return std::tie(r.date, r.position, r.voucher, r.entry, r.line);
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const LineRow& a, const LineRow& b) { return key(a) < key(b); });
    impl_->ready = true;
    return kLedgerOk;
}

std::int32_t ClRuleShiwake::GetSwkCount(const StFINDINFO* find, const StSWKDISPINFO* /*display*/,
                                        std::uint32_t* count) {
    if (!impl_->ready || !count) return books::kErrBadCursor;
    auto filter = books::FindFilter::Parse(find);
    if (!filter || !filter->UsesOnly({finditem::kMonthPosition, finditem::kEntryKey})) {
        return books::kErrBadRequest;
    }
    std::uint32_t n = 0;
    for (const LineRow& r : impl_->lines.rows) {
        n += filter->Matches([&](std::int32_t item) -> std::int64_t {
            return item == finditem::kMonthPosition ? r.position : r.entry;
        });
    }
    *count = n;
    return kLedgerOk;
}

std::int32_t ClRuleShiwake::MoveFirst(StSWKTINFO* record) {
    if (!impl_->ready || !record) return books::kErrBadCursor;
    impl_->position = 0;
    return MoveNext(record);
}

std::int32_t ClRuleShiwake::MoveNext(StSWKTINFO* record) {
    if (!impl_->ready || !record) return books::kErrBadCursor;
    if (impl_->position >= impl_->lines.rows.size()) return kLedgerEnd;
    impl_->lines.Fill(impl_->position++, record);
    return kLedgerOk;
}

// --- statement settings ---------------------------------------------------------------------

std::int32_t ClSaveBase::AttachSetMgr(ClSetMgr* setMgr) {
    setMgr_ = setMgr;
    return kLedgerOk;
}

std::int32_t ClSaveBase::SetCurDataID(const char* dataId) {
    std::memset(dataId_, 0, sizeof(dataId_));
    if (dataId) sjis::CopyBounded(dataId_, sizeof(dataId_), sjis::FieldText(dataId, 16), 15);
    return kLedgerOk;
}

std::int32_t ClSaveBase::AttachOptLink(OptLink link) {
    optLink_ = link;
    return kLedgerOk;
}

std::int32_t ClSaveKessansho::GetDataType02(std::int16_t kind, char** text, std::int32_t* length) {
    if (auto fault = Session::Get().InjectedFault("ClSaveKessansho::GetDataType02")) return *fault;
    if (!text) return books::kErrBadRequest;
    *text = nullptr;
    if (length) *length = 0;
    Session& session = Session::Get();
    if (!session.LoggedIn()) return books::kErrNotLoggedIn;
    if (kind != 0 && kind != 100 && kind != 1000) return books::kErrBadRequest;
    std::int32_t dataNo = DataNoOf(dataId_);
    if (dataNo == 0) return books::kErrNotFound;
    books::Statement& query = session.Cached("SELECT text FROM notes WHERE data_no=? AND kind=?");
    if (!query.Ok()) return books::kErrStore;
    query.Reset();
    query.Bind(1, dataNo);
    query.Bind(2, kind);
    int rc = query.Step();
    if (rc != SQLITE_ROW) {
        query.Reset();
        // No text of this kind is kept: the end of the (empty) set, as a cursor answers it.
        return rc == SQLITE_DONE ? kLedgerEnd : books::kErrStore;
    }
    std::string_view content = query.Blob(0);
    if (content.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1)) {
        query.Reset();
        return books::kErrStore;
    }
    char* buffer = static_cast<char*>(std::malloc(content.size() + 1));
    if (!buffer) {
        query.Reset();
        return books::kErrStore;
    }
    // An empty text is stored as an empty blob, which SQLite hands over as a null pointer.
    if (!content.empty()) std::memcpy(buffer, content.data(), content.size());
    buffer[content.size()] = '\0';
    query.Reset();
    *text = buffer;
    if (length) *length = static_cast<std::int32_t>(content.size());
    return kLedgerOk;
}

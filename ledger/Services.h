#pragma once

// The ledger services: login, the sets (master tables) of the logged-in company data, the
// rules (cursors over the bookings), the statement-settings store, period arithmetic,
// folders and the message manager. The system calls these declarations only; the books
// (books/) implement them over the store, and the tests link doubles in their place.
//
// Results are 0 on success; cursors answer kLedgerEnd when no further record exists.
// Every class keeps its implementation behind a pointer so that either implementation can
// stand behind the same declarations.

#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "ledger/Records.h"

constexpr std::int32_t kLedgerOk = 0;
constexpr std::int32_t kLedgerEnd = 5000;

// Cursor handles are unsigned 32-bit values released by the matching operation.
using LedgerCursor = std::uint32_t;
// The option link of the connection, passed unchanged to rule and save objects.
using OptLink = std::uint32_t;

// Set kinds of ClDataMgr::GetSetObject and ClSetMgr::GetSetObject.
namespace setkind {
constexpr int kKamoku = 1;
constexpr int kShohizei = 4;
constexpr int kData = 5;
constexpr int kGengo = 13;
}  // namespace setkind

// Account-summary options of ClRuleKamoku::MoveReady.
enum _RuleKamokuSumType_Base { _RuleKamokuSumType_Base_Off = 0, _RuleKamokuSumType_Base_On = 1 };
enum _RuleKamokuSumType_Bmn { _RuleKamokuSumType_Bmn_Off = 0 };
enum _RuleKamokuSumType_Disptype { _RuleKamokuSumType_Disptype_Off = 0 };
enum _RuleKamokuSumType_Past { _RuleKamokuSumType_Past_Off = 0 };

// Journal cursor types of ClRuleShiwake::MoveReady.
enum _ECursorType { _ECursorType_Entry = 2 };

class ClAccPeriod;
class ClSetMgr;

// Frees a buffer that the ledger services allocated for the caller.
void CoTaskMemFree(void* block);

class ClAccConnect {
public:
    static ClAccConnect& Inst();

    // Written directly by the program; nothing is read back.
    char Title[64] = {};
    WindowHandle OwnerWindow = kNoWindow;

    void SetAppType(int appType);
    void SetUseDataType(int useDataType);
    std::int32_t Initiate();
    // 0 logged in, 1 the user declined, any other value a failure (already reported).
    std::int32_t ExpSysLink();
    // Shows a message box; returns the button pressed (IDOK 1, IDYES 6, IDNO 7).
    int DispMsg(WindowHandle owner, const char* text, const char* caption, unsigned flags);
    std::int32_t LogOut();
    std::int32_t Terminate();
    std::int32_t Release();

    int AppType() const { return appType_; }
    int UseDataType() const { return useDataType_; }

private:
    ClAccConnect() = default;
    int appType_ = 0;
    int useDataType_ = 0;
};

class ClSetBase {
public:
    virtual ~ClSetBase() = default;
    std::int32_t AttachSetMgr(ClSetMgr* setMgr);
    std::int32_t SetCurDataID(const char* dataId);

protected:
    ClSetMgr* setMgr_ = nullptr;
    char dataId_[16] = {};
};

class ClSetData : public ClSetBase {
public:
    std::int32_t GetDatCursor(LedgerCursor* cursor);
    std::int32_t ReadyDat(LedgerCursor cursor, int mode);
    std::int32_t WalkDat(StDATAINFO* record, LedgerCursor cursor);
    std::int32_t ReleaseDatCursor(LedgerCursor cursor);
    // The selected company-data record, or null when nobody is logged in.
    const StDATAINFO* GetSelectedInfo();
    // The fiscal period of the selected data set; owned by the set.
    ClAccPeriod* GetAccPeriod();
};

class ClSetShohizei : public ClSetBase {
public:
    std::int32_t Get(StSHOHIZEIINFO* record);
};

class ClSetGengo : public ClSetBase {
public:
    std::int32_t GetCursor(LedgerCursor* cursor);
    std::int32_t Ready(LedgerCursor cursor);
    std::int32_t Walk(StGENGOINFO* record, LedgerCursor cursor);
    std::int32_t ReleaseCursor(LedgerCursor cursor);
};

class ClSetKamoku : public ClSetBase {
public:
    std::int32_t GetCursor(LedgerCursor* cursor);
    std::int32_t ReadyCursor(LedgerCursor cursor);
    // 0 and the record of the first account that matches the search.
    std::int32_t WalkFind(const StFINDINFO* find, StKAMOKUINFO* record, LedgerCursor cursor);
    std::int32_t ReleaseCursor(LedgerCursor cursor);
};

class ClSetMgr {
public:
    ClSetBase* GetSetObject(int kind, int instance);
};

class ClSysUser {
public:
    // The current user's ID into a buffer of at least 65 bytes.
    std::int32_t GetCurUserID(char* userId);
    // The user's selection number and selected data number.
    std::int32_t GetSelectedNo(const char* userId, std::int32_t* selectionNo, std::int32_t* dataNo);
};

class ClDataMgr {
public:
    static ClDataMgr& Inst();
    ClSetMgr* GetSetMgr();
    ClSetBase* GetSetObject(int kind, int instance);
    ClSysUser* GetSysUserObject();

private:
    ClDataMgr() = default;
};

class ClUtyDBHpr {
public:
    static ClUtyDBHpr& Inst();
    // The identifier text of a company record into a buffer of at least 64 bytes.
    std::int32_t MakeIDStr(const StDATAINFO* record, char* idText);

private:
    ClUtyDBHpr() = default;
};

class ClLinkMgr {
public:
    static ClLinkMgr& Inst();
    OptLink GetOptLink();

private:
    ClLinkMgr() = default;
};

class ClFileMgr {
public:
    static ClFileMgr& Inst();
    // Folder type 0: default output folder; 1: the settings folder. Into a 261-byte buffer;
    // may be empty.
    std::int32_t GetAppFolderPath(int folderType, char* path);

private:
    ClFileMgr() = default;
};

class ClMsgMgr {
public:
    static ClMsgMgr& Inst();
    // Non-zero when `code` is a fatal error; shows the product's message for it.
    int CheckFatalErrorWithMsg(std::int32_t code, int reserved, int show, WindowHandle owner);
    void SetLastError(std::int32_t code, const char* source, int location);

    std::int32_t LastErrorCode() const { return lastCode_; }
    int LastErrorLocation() const { return lastLocation_; }

private:
    ClMsgMgr() = default;
    std::int32_t lastCode_ = 0;
    int lastLocation_ = 0;
};

class ClRuleBase {
public:
    virtual ~ClRuleBase();
    std::int32_t AttachSetMgr(ClSetMgr* setMgr);
    std::int32_t SetCurDataID(const char* dataId);
    std::int32_t AttachOptLink(OptLink link);

protected:
    ClSetMgr* setMgr_ = nullptr;
    char dataId_[16] = {};
    OptLink optLink_ = 0;
};

class ClRuleKamoku : public ClRuleBase {
public:
    ClRuleKamoku();
    ~ClRuleKamoku() override;
    std::int32_t MoveReady(_RuleKamokuSumType_Base base, _RuleKamokuSumType_Bmn bmn,
                           _RuleKamokuSumType_Disptype dispType, const StFINDINFO* find,
                           const StBUMONINFO* bumon, _RuleKamokuSumType_Past past);
    std::int32_t GetSumCount(std::uint32_t* count);
    std::int32_t SetMovePos(std::uint32_t position);
    std::int32_t MoveNext(StKAMOKUSUMINFO* record);
    std::int32_t MoveFinish();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

class ClRuleMotocho : public ClRuleBase {
public:
    ClRuleMotocho();
    ~ClRuleMotocho() override;
    std::int32_t MoveReady(const StFINDINFO* find, const StORDERINFO* order,
                           const StMOTOCHOHYOJIINFO* view);
    std::int32_t GetCount(const StFINDINFO* find, const StMOTOCHOHYOJIINFO* view,
                          std::uint32_t* count);
    std::int32_t SetMovePos(std::uint32_t position);
    std::int32_t MoveFirst(StMOTOCHOINFO* record);
    std::int32_t MoveNext(StMOTOCHOINFO* record);
    std::int32_t MoveFinish();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

class ClRuleShiwake : public ClRuleBase {
public:
    ClRuleShiwake();
    ~ClRuleShiwake() override;
    std::int32_t MoveReady(const StFINDINFO* find, const StORDERINFO* order,
                           const StSWKDISPINFO* display, _ECursorType type);
    std::int32_t GetSwkCount(const StFINDINFO* find, const StSWKDISPINFO* display,
                             std::uint32_t* count);
    std::int32_t MoveFirst(StSWKTINFO* record);
    std::int32_t MoveNext(StSWKTINFO* record);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

class ClSaveBase {
public:
    virtual ~ClSaveBase() = default;
    std::int32_t AttachSetMgr(ClSetMgr* setMgr);
    std::int32_t SetCurDataID(const char* dataId);
    std::int32_t AttachOptLink(OptLink link);

protected:
    ClSetMgr* setMgr_ = nullptr;
    char dataId_[16] = {};
    OptLink optLink_ = 0;
};

class ClSaveKessansho : public ClSaveBase {
public:
    // Kind 0 the switch text, 100 the layout text, 1000 the notes body. On success `*text` is a
    // NUL-terminated buffer that the caller frees with CoTaskMemFree. kLedgerEnd when the books
    // hold no text of that kind; any other code is a store that cannot be read.
    std::int32_t GetDataType02(std::int16_t kind, char** text, std::int32_t* length);
};

class ClAccPeriod {
public:
    ClAccPeriod();
    virtual ~ClAccPeriod();
    std::int32_t SetPeriod(std::int32_t firstDay, std::int32_t lastDay);
    std::int32_t GetClosingDayByEndDate(std::int32_t lastDay, int mode, std::int32_t* closingDay);
    std::int32_t SetClosingDay(std::int32_t closingDay);
    // The calendar month of the fiscal month that holds `date`.
    std::int32_t GetAMonthByDate(std::int32_t date, std::int32_t* month, int mode);
    // First and last day of a fiscal month position (1-12; 15 the interim settlement at month
    // 6, 18 the year-end settlement at the last month).
    std::int32_t GetPeriodByMonthKind(int position, std::int32_t* firstDay, std::int32_t* lastDay,
                                      int mode);

private:
    std::int32_t firstDay_ = 0;
    std::int32_t lastDay_ = 0;
    std::int32_t closingDay_ = 0;
};

#include "app/LinkApp.h"

#include <cstring>

#include "common/Decimal.h"
#include "common/MessageBoxFlags.h"
#include "common/Sjis.h"

namespace {

constexpr const char* kCaption = "決算書";

}  // namespace

LinkApp::LinkApp(Platform& platform, const Edition& edition, std::string commandLine)
    : platform_(platform), edition_(edition), commandLine_(std::move(commandLine)) {}

bool LinkApp::InitInstance() {
    ClAccConnect& connect = ClAccConnect::Inst();
    sjis::CopyBounded(connect.Title, sizeof(connect.Title), kCaption, sizeof(connect.Title) - 1);
    connect.SetAppType(edition_.appType);
    connect.SetUseDataType(1);
    if (connect.Initiate() != 0) return false;  // silent: nobody to tell yet

    if (ParseCommandLine(commandLine_.c_str())) {
        launchedByCaller_ = 1;
        callerWindowObject_ = caller_.window;
        platform_.windows.Enable(caller_.window, false);
        connect.OwnerWindow = caller_.window;
    }

    // The program's own folder is the working directory: the definition file and SUPPORT.INF
    // are looked for there.
    std::string executable = platform_.files.ExecutablePath();
    std::size_t slash = sjis::LastBackslash(executable);
    if (slash != std::string::npos) {
        platform_.files.SetCurrentDirectory(executable.substr(0, slash + 1).c_str());
    }

    if (!CheckEnvironment(1)) {
        runResult_ = kFailed;
        return false;
    }
    std::int32_t login = connect.ExpSysLink();
    if (login != 0) {
        runResult_ = login == 1 ? kCancelled : kFailed;
        return false;
    }
    // Neither read is tested: the run goes on with zero-filled records.
    company_ = StDATAINFO{};
    ReadSelectedCompany(&company_);
    taxSettings_ = StSHOHIZEIINFO{};
    ReadConsumptionTaxSettings(&taxSettings_, company_);
    return true;
}

int LinkApp::ExitInstance() {
    figures_.clear();
    ledgerLines_.clear();
    ClAccConnect& connect = ClAccConnect::Inst();
    connect.LogOut();
    connect.Terminate();
    connect.Release();
    if (launchedByCaller_) {
        // The caller's window is usable again before the result reaches it.
        platform_.windows.SetForeground(caller_.window);
        platform_.windows.Enable(caller_.window, true);
        platform_.windows.Post(caller_.window, caller_.message, caller_.wParam, runResult_);
        platform_.windows.Enable(caller_.window, true);
    }
    return 0;
}

int LinkApp::ParseCommandLine(const char* text) {
    if (!text || text[0] == '\0') return 0;
    // A line that does not fit the buffer is not taken at all: cutting it would cut the output
    // path, and the program would write a file the caller never named. It runs on its own.
    std::size_t length = std::strlen(text);
    if (length >= kCommandLineBuffer) return 0;
    char buffer[kCommandLineBuffer] = {};
    std::memcpy(buffer, text, length);

    char* field = buffer;
    char* comma = std::strchr(field, ',');
    if (!comma) return 0;
    *comma = '\0';
    caller_.window = ParseDecimal(field);

    field = comma + 1;
    comma = std::strchr(field, ',');
    if (!comma) return 0;
    *comma = '\0';
    caller_.message = ParseDecimal(field);

    field = comma + 1;
    comma = std::strchr(field, ',');
    if (!comma) return 0;
    *comma = '\0';
    caller_.wParam =
        static_cast<std::int16_t>(static_cast<std::uint16_t>(ParseDecimal(field) & 0xFFFF));

    field = comma + 1;
    if (*field != '\0') caller_.text = field;
    return 1;
}

int LinkApp::CheckEnvironment(int showMessages) {
    struct Message {
        int code;
        const char* text;
    };
    static const Message kMessages[] = {
        {kEnvironmentInvalid,
         "動作環境が不正です。\nES_"
         "APRPACKAGENAMEが正しくインストールされているか確認してください。"},
        {kTaxApplicationOlder,
         "ご利用の連動コンポーネントは、インストールされているES_"
         "APRPACKAGENAMEでは使用できません。\n"
         "ES_APRPACKAGENAMEの最新版を入手してインストールしてからご利用ください。"},
        {kTaxApplicationNewer,
         "ご利用の連動コンポーネントは、インストールされているES_"
         "APRPACKAGENAMEでは使用できません。\n"
         "連動コンポーネントの最新版を入手してインストールしてからご利用ください。"},
    };

    char directory[261] = {};
    if (!platform_.files.GetCurrentDirectory(directory, sizeof(directory))) directory[0] = '\0';
    char path[517] = {};
    std::memcpy(path, directory, std::strlen(directory));
    std::size_t length = std::strlen(path);
    // A trail byte 0x5C of a double-byte character is not a separator.
    if (length > 0 && !sjis::EndsWithBackslash(std::string_view(path, length)) && length < 516) {
        path[length++] = '\\';
    }
    static constexpr char kDefinitionFile[] = "ZezavareDef.ini";
    std::memcpy(path + length, kDefinitionFile, sizeof(kDefinitionFile));

    int result = kEnvironmentUsable;
    if (platform_.files.FileExists(path) != 1) {
        result = kEnvironmentInvalid;
    } else {
        char value[16] = {};
        platform_.files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value, sizeof(value),
                                                path);
        if (value[0] == '\0') {
            result = kEnvironmentInvalid;
        } else {
            std::int32_t level = ParseDecimal(value);
            result = level == kRequiredLevel  ? kEnvironmentUsable
                     : level < kRequiredLevel ? kTaxApplicationOlder
                                              : kTaxApplicationNewer;
        }
    }
    for (const Message& message : kMessages) {
        if (message.code != result) continue;
        if (showMessages) {
            ClAccConnect::Inst().DispMsg(caller_.window, message.text, kCaption,
                                         mb::kIconWarning | mb::kOk);
        }
        return 0;
    }
    return 1;
}

int LinkApp::ReadSelectedCompany(StDATAINFO* company) {
    if (!companySet_) {
        companySet_ = static_cast<ClSetData*>(ClDataMgr::Inst().GetSetObject(setkind::kData, 1));
    }
    char userId[65] = {};
    std::int32_t selectionNo = 0;
    std::int32_t dataNo = 0;
    ClSysUser* user = ClDataMgr::Inst().GetSysUserObject();
    if (user) {
        user->GetCurUserID(userId);
        user->GetSelectedNo(userId, &selectionNo, &dataNo);
    }
    std::memset(static_cast<void*>(company), 0, sizeof(*company));
    if (!companySet_) return 0;
    LedgerCursor cursor = 0;
    companySet_->GetDatCursor(&cursor);
    companySet_->ReadyDat(cursor, 0);
    int found = 0;
    StDATAINFO record{};
    while (companySet_->WalkDat(&record, cursor) == 0) {
        if (record.dataNo == dataNo) {
            *company = record;
            found = 1;
            break;
        }
    }
    companySet_->ReleaseDatCursor(cursor);
    return found;
}

int LinkApp::ReadConsumptionTaxSettings(StSHOHIZEIINFO* settings, const StDATAINFO& company) {
    auto* taxSet =
        static_cast<ClSetShohizei*>(ClDataMgr::Inst().GetSetObject(setkind::kShohizei, 1));
    if (!taxSet) return 0;
    taxSet->AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
    taxSet->SetCurDataID(company.dataId);
    StSHOHIZEIINFO record{};
    if (taxSet->Get(&record) != 0) return 0;
    *settings = record;
    return 1;
}

#pragma once

// What the host tells the books before the system logs in: where the store is, who logs in,
// the folders of the folder types, and how to show a message. The system itself never calls
// this; it only sees the ledger services.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/MessageBoxFlags.h"
#include "common/Types.h"

namespace books {

// Shows a message box for the ledger services; texts are Shift_JIS, flags and the button
// returned as in mb::.
class LedgerPrompt {
public:
    virtual ~LedgerPrompt() = default;
    virtual int Show(WindowHandle owner, std::string_view text, std::string_view caption,
                     unsigned flags) = 0;
    // Who logs in when the store holds several users and the host named none: the index of
    // the chosen user (IDs in Shift_JIS), or none when the user declined. By default each user
    // is asked in turn with a Yes/No box; a host with windows shows a list instead.
    virtual std::optional<std::size_t> ChooseUser(WindowHandle owner,
                                                  const std::vector<std::string>& users);
};

// A fault the tests inject into a service operation, named "Class::Operation": the call fails
// with `code` once `skip` calls have succeeded (every later call fails too).
struct Fault {
    std::int32_t code = 0;
    int skip = 0;
};

struct BooksConfig {
    std::string storePath;           // the SQLite store (a path of this platform)
    std::string userId;              // Shift_JIS; empty: the store's only user, or ask
    std::int32_t dataNo = 0;         // 0: the user's selected data number
    std::string outputFolder;        // folder type 0, Windows form, Shift_JIS
    std::string settingsFolder;      // folder type 1, Windows form, Shift_JIS
    LedgerPrompt* prompt = nullptr;  // not owned; none: messages are not shown
    std::map<std::string, Fault> faults;
    // The settings file a person keeps (kcbooks.ini, a path of this platform, UTF-8) and which
    // values came from it: a refusal of such a value names the file and the key to correct.
    std::string settingsFile;
    bool storeFromSettings = false;
    bool userFromSettings = false;
    bool dataFromSettings = false;
};

void ConfigureBooks(const BooksConfig& config);

// Login result codes of ClAccConnect::ExpSysLink beyond 0 (logged in) and 1 (declined).
constexpr std::int32_t kLoginNoStore = 2;
constexpr std::int32_t kLoginStoreMissing = 3;
constexpr std::int32_t kLoginNotAStore = 4;
constexpr std::int32_t kLoginUnknownUser = 5;
constexpr std::int32_t kLoginUnknownDataSet = 6;
constexpr std::int32_t kLoginNoUsers = 7;
constexpr std::int32_t kLoginBadRecord = 8;  // a record of the store the export cannot take

// Result codes of the services beyond kLedgerOk and kLedgerEnd.
constexpr std::int32_t kErrNotLoggedIn = 5101;
constexpr std::int32_t kErrBadRequest = 5102;  // a search, order or view the books do not take
constexpr std::int32_t kErrBadCursor = 5103;
constexpr std::int32_t kErrStore = 5104;
constexpr std::int32_t kErrNotFound = 5105;

}  // namespace books

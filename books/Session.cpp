#include "books/Session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "books/Model.h"
#include "common/Encoding.h"
#include "common/Messages.h"
#include "common/Sjis.h"

namespace books {

// --- searches and orders --------------------------------------------------------------------

std::optional<FindFilter> FindFilter::Parse(const StFINDINFO* find) {
    // Searches of the system are at most four entries long; a chain that does not end within
    // a few more is not a search the books understand.
    constexpr int kMaxEntries = 8;
    FindFilter filter;
    if (!find) return filter;
    std::vector<FindCondition> group;
    for (int i = 0;; ++i) {
        if (i == kMaxEntries) return std::nullopt;
        const StFINDINFO& entry = find[i];
        FindCondition c{entry.item, entry.comparison, 0};
        if (entry.valueType == findtype::kValue16) {
            c.value = entry.value16;
        } else if (entry.valueType == findtype::kValue32) {
            c.value = entry.value32;
        } else {
            return std::nullopt;
        }
        if (c.comparison != findcmp::kEqual && c.comparison != findcmp::kNotEqual &&
            c.comparison != findcmp::kNotLess && c.comparison != findcmp::kNotGreater) {
            return std::nullopt;
        }
        group.push_back(c);
        if (entry.link == findlink::kLast) break;
        if (entry.link == findlink::kOr) {
            filter.groups_.push_back(std::move(group));
            group.clear();
        } else if (entry.link != findlink::kAnd) {
            return std::nullopt;
        }
    }
    filter.groups_.push_back(std::move(group));
    return filter;
}

bool FindFilter::UsesOnly(std::initializer_list<std::int32_t> items) const {
    for (const auto& group : groups_) {
        for (const FindCondition& c : group) {
            if (std::find(items.begin(), items.end(), c.item) == items.end()) return false;
        }
    }
    return true;
}

bool FindFilter::Holds(std::int64_t actual, std::int16_t comparison, std::int64_t value) {
    switch (comparison) {
        case findcmp::kEqual:
            return actual == value;
        case findcmp::kNotEqual:
            return actual != value;
        case findcmp::kNotLess:
            return actual >= value;
        case findcmp::kNotGreater:
            return actual <= value;
        default:
            return false;
    }
}

std::string FindFilter::Sql(const std::map<std::int32_t, const char*>& columns,
                            std::vector<std::int64_t>* binds) const {
    if (groups_.empty()) return "1";
    std::string sql = "(";
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        if (g) sql += " OR ";
        sql += "(";
        for (std::size_t i = 0; i < groups_[g].size(); ++i) {
            const FindCondition& c = groups_[g][i];
            if (i) sql += " AND ";
            sql += columns.at(c.item);
            switch (c.comparison) {
                case findcmp::kEqual:
                    sql += "=?";
                    break;
                case findcmp::kNotEqual:
                    sql += "<>?";
                    break;
                case findcmp::kNotLess:
                    sql += ">=?";
                    break;
                default:
                    sql += "<=?";
                    break;
            }
            binds->push_back(c.value);
        }
        sql += ")";
    }
    return sql + ")";
}

bool IsStandardOrder(const StORDERINFO* order) {
    static constexpr std::int32_t kItems[] = {orderitem::kDate,     orderitem::kMonthPosition,
                                              orderitem::kVoucher,  orderitem::kDepartment,
                                              orderitem::kEntryKey, orderitem::kLine};
    if (!order) return false;
    constexpr std::size_t kCount = sizeof(kItems) / sizeof(kItems[0]);
    for (std::size_t i = 0; i < kCount; ++i) {
        const StORDERKEY& key = order->keys[i];
        if (key.item != kItems[i] || key.last != (i + 1 == kCount ? 1 : 0)) return false;
    }
    return true;
}

// --- the session ----------------------------------------------------------------------------

Session& Session::Get() {
    static Session session;
    return session;
}

std::optional<std::int32_t> Session::LookUpFault(const char* operation) {
    auto it = config_.faults.find(operation);
    if (it == config_.faults.end()) return std::nullopt;
    int& calls = faultCalls_[operation];
    if (calls < it->second.skip) {
        ++calls;
        return std::nullopt;
    }
    return it->second.code;
}

int Session::Show(WindowHandle owner, std::string_view text, std::string_view caption,
                  unsigned flags) {
    if (!config_.prompt) return (flags & mb::kButtonMask) == mb::kYesNo ? mb::kIdNo : mb::kIdOk;
    return config_.prompt->Show(owner, text, caption, flags);
}

std::int32_t Session::Refuse(std::int32_t code, const std::string& text) {
    Show(ClAccConnect::Inst().OwnerWindow, text, messages::kCaption, mb::kIconWarning);
    Logout();
    return code;
}

std::optional<std::size_t> LedgerPrompt::ChooseUser(WindowHandle owner,
                                                    const std::vector<std::string>& users) {
    for (std::size_t i = 0; i < users.size(); ++i) {
        std::string question = "利用者「" + users[i] + "」でログインしますか？";
        if (Show(owner, question, messages::kCaption, mb::kYesNo | mb::kIconQuestion) ==
            mb::kIdYes) {
            return i;
        }
    }
    return std::nullopt;
}

static std::string PathText(const std::string& path) {
    std::string text;
    return sjis::Utf8ToSjis(path, &text) ? text : std::string("?");
}

// A store text for a message: a byte that is not a printable Shift_JIS character becomes "?".
static std::string Printable(std::string_view text) {
    std::string shown;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        unsigned char trail = pos + 1 < text.size() ? static_cast<unsigned char>(text[pos + 1]) : 0;
        if (sjis::IsLeadByte(c) && trail >= 0x40 && trail <= 0xFC && trail != 0x7F) {
            shown.append(text.substr(pos, 2));
            ++pos;
        } else {
            shown.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
        }
    }
    return shown;
}

// Every table and column the services read: a store that lacks one is not a books store the
// export can use, and is refused at login rather than half way through an export.
static bool HasEveryTable(Database& db) {
    static const char* const kQueries[] = {
        "SELECT key, value FROM meta",
        "SELECT data_no, data_id, name, period_from, period_to, interim_closing, intro_position, "
        "companies_act, manufacturing, tax_inclusive FROM company",
        "SELECT ord, user_id, selection_no, data_no FROM users",
        "SELECT data_no, ord, code, name, label, nature, side, flag, no_ledger, slots FROM "
        "accounts",
        "SELECT data_no, entry, line, voucher, date, position, kind, debit_code, debit_amount, "
        "debit_tax, credit_code, credit_amount, credit_tax, description FROM journal",
        "SELECT data_no, account, date, position, voucher, entry, line, side, kind, debit_code, "
        "debit_amount, debit_tax, credit_code, credit_amount, credit_tax, description FROM ledger",
        "SELECT first_day, name, short FROM eras",
        "SELECT data_no, kind, text FROM notes",
    };
    for (const char* sql : kQueries) {
        Statement query(db, sql);
        if (!query.Ok()) return false;
    }
    return true;
}

std::int32_t Session::RefuseUnreadable() {
    return Refuse(kLoginNotAStore, "会計データとして読み込めません。\n" +
                                       PathText(config_.storePath) +
                                       "\n\n帳簿ファイルでないか、壊れています。"
                                       "正しい帳簿ファイルを指定してください。");
}

std::int32_t Session::RefuseBadRecord(const std::string& what) {
    return Refuse(kLoginBadRecord, "会計データに使用できない値が含まれています。\n" +
                                       PathText(config_.storePath) + "\n" + what +
                                       "\n\n帳簿を確認して、取り込みなおしてください。");
}

// Where a person corrects a value that came from the settings file: nothing for a value given
// otherwise (an option, the environment).
std::string Session::SettingToCorrect(bool fromSettings, const char* key) const {
    if (!fromSettings || config_.settingsFile.empty()) return "";
    return "\n\n" + PathText(config_.settingsFile) + " の " + key + "= を確認してください。";
}

std::int32_t Session::Login() {
    Logout();
    if (config_.storePath.empty()) {
        return Refuse(kLoginNoStore, "会計データ（帳簿ファイル）が指定されていません。" +
                                         SettingToCorrect(config_.storeFromSettings, "Store"));
    }
    if (!db_.OpenReadOnly(config_.storePath)) {
        return Refuse(kLoginStoreMissing, "会計データを開けません。\n" +
                                              PathText(config_.storePath) +
                                              SettingToCorrect(config_.storeFromSettings, "Store"));
    }
    if (!db_.IsStore() || !HasEveryTable(db_)) return RefuseUnreadable();
    // Who logs in: the user the host names, else the only user, else the user who says yes.
    std::vector<std::string> users;
    {
        Statement query(db_, "SELECT user_id, selection_no, data_no FROM users ORDER BY ord");
        int rc = query.Ok() ? query.Step() : SQLITE_ERROR;
        for (; rc == SQLITE_ROW; rc = query.Step()) {
            std::string_view id = query.Blob(0);
            if (id.empty() || id.size() > 64 || id.find('\0') != std::string_view::npos ||
                query.Int(1) < 0 || query.Int(1) > INT32_MAX || query.Int(2) < 1 ||
                query.Int(2) > INT32_MAX) {
                return RefuseBadRecord("利用者「" + Printable(id) + "」の登録内容");
            }
            users.emplace_back(id);
        }
        if (rc != SQLITE_DONE) return RefuseUnreadable();
    }
    if (users.empty()) {
        return Refuse(kLoginNoUsers, "会計データに利用者が登録されていません。\n" +
                                         PathText(config_.storePath) +
                                         "\n\n利用者を登録して帳簿を取り込みなおしてください。");
    }
    std::string chosen;
    if (!config_.userId.empty()) {
        chosen = config_.userId;
    } else if (users.size() == 1) {
        chosen = users.front();
    } else {
        std::optional<std::size_t> index;
        if (config_.prompt)
            index = config_.prompt->ChooseUser(ClAccConnect::Inst().OwnerWindow, users);
        if (index && *index < users.size()) chosen = users[*index];
        if (chosen.empty()) {
            Logout();
            return 1;
        }
    }
    std::int32_t dataNo = 0;
    std::int32_t found = LookUpUser(chosen.c_str(), &selectionNo_, &dataNo);
    if (found == kErrNotFound) {
        return Refuse(kLoginUnknownUser, "利用者「" + chosen + "」は登録されていません。" +
                                             SettingToCorrect(config_.userFromSettings, "User"));
    }
    if (found != kLedgerOk) return RefuseUnreadable();
    if (config_.dataNo != 0) dataNo = config_.dataNo;
    std::string bad;
    if (!LoadDataSets(&bad) || !LoadEras(&bad)) return RefuseUnreadable();
    if (!bad.empty()) return RefuseBadRecord(bad);
    const StDATAINFO* selected = nullptr;
    for (const StDATAINFO& set : dataSets_) {
        if (set.dataNo == dataNo) selected = &set;
    }
    if (!selected) {
        return Refuse(kLoginUnknownDataSet, "データ番号 " + std::to_string(dataNo) +
                                                " の会計データがありません。" +
                                                SettingToCorrect(config_.dataFromSettings, "Data"));
    }
    selected_ = *selected;
    selectedPeriod.SetPeriod(selected_.periodFrom, selected_.periodTo);
    userId_ = chosen;
    loggedIn_ = true;
    return kLedgerOk;
}

void Session::Logout() {
    loggedIn_ = false;
    statements_.clear();
    cursors_.clear();
    charts_.clear();
    dataSets_.clear();
    taxInclusive_.clear();
    eras_.clear();
    userId_.clear();
    selectionNo_ = 0;
    selected_ = StDATAINFO{};
    db_.Close();
}

Statement& Session::Cached(const std::string& sql) {
    auto& slot = statements_[sql];
    if (!slot) slot = std::make_unique<Statement>(db_, sql.c_str());
    return *slot;
}

bool Session::LoadDataSets(std::string* bad) {
    Statement query(db_,
                    "SELECT data_no, data_id, name, period_from, period_to, interim_closing, "
                    "intro_position, companies_act, manufacturing, tax_inclusive FROM company "
                    "ORDER BY data_no");
    std::set<std::string, std::less<>> ids;
    int rc = query.Ok() ? query.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = query.Step()) {
        std::int64_t dataNo = query.Int(0);
        std::string_view id = query.Blob(1);
        std::string_view name = query.Blob(2);
        std::int64_t from = query.Int(3);
        std::int64_t to = query.Int(4);
        std::int64_t intro = query.Int(6);
        // The records the export reads whole: a value that does not fit its field, or that
        // the import would have refused, is not cut or guessed at.
        if (!IsUsableDataId(id) || id.size() >= sizeof(StDATAINFO::dataId)) {
            if (bad->empty()) {
                *bad =
                    "データID「" + Printable(id) +
                    "」（データIDには「/」「\\」「:」や制御文字を使えず、「.」「..」も使えません）";
            }
            continue;
        }
        bool valid =
            dataNo >= 1 && dataNo <= INT32_MAX && !name.empty() &&
            name.size() < sizeof(StDATAINFO::companyName) &&
            name.find('\0') == std::string_view::npos && IsValidDate(from) && IsValidDate(to) &&
            from <= to &&
            FiscalPosition(static_cast<std::int32_t>(from), static_cast<std::int32_t>(to)) <= 12 &&
            (query.Int(5) == 0 || query.Int(5) == 1) &&
            ((intro >= 0 && intro <= 12) || intro == 99) && query.Int(7) >= 0 &&
            query.Int(7) <= 255 && (query.Int(8) == 0 || query.Int(8) == 1) &&
            (query.Int(9) == 0 || query.Int(9) == 1) &&
            (dataSets_.empty() || dataSets_.back().dataNo != dataNo);
        if (valid) valid = ids.emplace(id).second;
        if (!valid) {
            if (bad->empty()) *bad = "データ番号 " + std::to_string(dataNo) + " の会社の登録内容";
            continue;
        }
        StDATAINFO record{};
        record.dataNo = static_cast<std::int32_t>(dataNo);
        // Both fit their fields (checked above): nothing is cut.
        sjis::CopyBounded(record.dataId, sizeof(record.dataId), id, id.size());
        sjis::CopyBounded(record.companyName, sizeof(record.companyName), name, name.size());
        record.periodFrom = static_cast<std::int32_t>(from);
        record.periodTo = static_cast<std::int32_t>(to);
        record.interimClosing = static_cast<std::int32_t>(query.Int(5));
        record.introPosition = static_cast<std::int16_t>(intro);
        record.companiesAct = static_cast<std::uint8_t>(query.Int(7));
        record.manufacturing = static_cast<std::int32_t>(query.Int(8));
        dataSets_.push_back(record);
        taxInclusive_.push_back(static_cast<std::int32_t>(query.Int(9)));
    }
    return rc == SQLITE_DONE;
}

bool Session::LoadEras(std::string* bad) {
    Statement query(db_, "SELECT first_day, name, short FROM eras ORDER BY first_day");
    int rc = query.Ok() ? query.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = query.Step()) {
        std::string_view name = query.Blob(1);
        std::string_view shortLabel = query.Blob(2);
        StGENGOINFO era{};
        if (!IsValidDate(query.Int(0)) || name.size() >= sizeof(era.name) ||
            shortLabel.size() >= sizeof(era.shortLabel) ||
            name.find('\0') != std::string_view::npos ||
            shortLabel.find('\0') != std::string_view::npos) {
            if (bad->empty()) *bad = "元号「" + Printable(name) + "」の登録内容";
            continue;
        }
        era.id = static_cast<std::int32_t>(eras_.size() + 1);
        era.firstDay = static_cast<std::int32_t>(query.Int(0));
        sjis::CopyBounded(era.name, sizeof(era.name), name, name.size());
        sjis::CopyBounded(era.shortLabel, sizeof(era.shortLabel), shortLabel, shortLabel.size());
        eras_.push_back(era);
    }
    return rc == SQLITE_DONE;
}

const StDATAINFO* Session::DataSetOf(const char* dataId) const {
    if (!loggedIn_) return nullptr;
    std::string_view id = dataId ? sjis::FieldText(dataId, 16) : std::string_view();
    if (id.empty()) return &selected_;
    for (const StDATAINFO& set : dataSets_) {
        if (sjis::FieldText(set.dataId, sizeof(set.dataId)) == id) return &set;
    }
    return nullptr;
}

std::int32_t Session::TaxInclusive(std::int32_t dataNo) const {
    for (std::size_t i = 0; i < dataSets_.size(); ++i) {
        if (dataSets_[i].dataNo == dataNo) return taxInclusive_[i];
    }
    return 0;
}

std::int32_t Session::LookUpUser(const char* userId, std::int32_t* selectionNo,
                                 std::int32_t* dataNo) {
    if (!userId || !db_.Handle()) return kErrNotLoggedIn;
    Statement query(db_, "SELECT selection_no, data_no FROM users WHERE user_id=?");
    if (!query.Ok()) return kErrStore;
    std::string_view id(userId, std::strlen(userId));
    query.BindBlob(1, id.data(), static_cast<int>(id.size()));
    int rc = query.Step();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrNotFound : kErrStore;
    if (selectionNo) *selectionNo = static_cast<std::int32_t>(query.Int(0));
    if (dataNo) *dataNo = static_cast<std::int32_t>(query.Int(1));
    return kLedgerOk;
}

// Whether a store text fits a record field of `size` bytes whole, without a NUL inside.
static bool FitsField(std::string_view text, std::size_t size) {
    return text.size() < size && text.find('\0') == std::string_view::npos;
}

const Session::Chart* Session::ChartOf(std::int32_t dataNo) {
    auto found = charts_.find(dataNo);
    if (found != charts_.end()) return &found->second;
    Statement query(db_,
                    "SELECT code, name, nature, side, flag, label, no_ledger, length(slots) "
                    "FROM accounts WHERE data_no=? ORDER BY ord");
    if (!query.Ok()) return nullptr;
    query.Bind(1, dataNo);
    Chart chart;
    bool inputTax = false;
    bool outputTax = false;
    int rc = query.Step();
    for (; rc == SQLITE_ROW; rc = query.Step()) {
        // Every row the export relies on is checked as the import checks it: a chart the
        // import would have refused is a damaged store, not books to guess at.
        const std::int64_t code = query.Int(0);
        const std::int64_t nature = query.Int(2);
        const bool subAccount = code % kSubAccountRadix != 0;
        bool valid = code >= 1 && code <= INT32_MAX && !query.Blob(1).empty() &&
                     FitsField(query.Blob(1), sizeof(StKAMOKUINFO::name)) &&
                     FitsField(query.Blob(5), sizeof(StKAMOKUSUMINFO::label)) && nature >= 0 &&
                     nature <= 0xFFFFFFFFLL && (query.Int(3) == 1 || query.Int(3) == 2) &&
                     query.Int(4) >= 0 && query.Int(4) <= 3 &&
                     (query.Int(6) == 0 || query.Int(6) == 1) &&
                     query.Int(7) == (subAccount ? 0 : std::int64_t{sizeof(SummarySlots)}) &&
                     !chart.byCode.count(static_cast<std::int32_t>(code));
        if (valid && subAccount) {
            valid = chart.byCode.count(static_cast<std::int32_t>(code - code % kSubAccountRadix));
        } else if (valid && (nature == kInputTaxNature || nature == kOutputTaxNature)) {
            bool& seen = nature == kInputTaxNature ? inputTax : outputTax;
            valid = !seen;
            seen = true;
        }
        if (!valid) {
            rc = SQLITE_CORRUPT;
            break;
        }
        StKAMOKUINFO row{};
        row.code = static_cast<std::int32_t>(code);
        sjis::CopyBounded(row.name, sizeof(row.name), query.Blob(1), sizeof(row.name) - 1);
        row.nature = static_cast<std::uint32_t>(nature);
        row.side = static_cast<std::uint8_t>(query.Int(3));
        row.exclusion = static_cast<std::uint8_t>(query.Int(4));
        chart.byCode[row.code] = chart.rows.size();
        chart.rows.push_back(row);
    }
    if (rc != SQLITE_DONE) return nullptr;
    return &charts_.emplace(dataNo, std::move(chart)).first->second;
}

LedgerCursor Session::OpenCursor(int kind) {
    LedgerCursor cursor = nextCursor_++;
    if (nextCursor_ == 0) nextCursor_ = 1;
    cursors_[cursor] = {kind, 0};
    return cursor;
}

std::size_t* Session::CursorPosition(LedgerCursor cursor, int kind) {
    auto it = cursors_.find(cursor);
    if (it == cursors_.end() || it->second.kind != kind) return nullptr;
    return &it->second.position;
}

bool Session::CloseCursor(LedgerCursor cursor, int kind) {
    auto it = cursors_.find(cursor);
    if (it == cursors_.end() || it->second.kind != kind) return false;
    cursors_.erase(it);
    return true;
}

}  // namespace books

#include "books/Session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "books/Encoding.h"
#include "books/Model.h"
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
    Show(ClAccConnect::Inst().OwnerWindow, text, "決算書", mb::kIconWarning);
    Logout();
    return code;
}

std::optional<std::size_t> LedgerPrompt::ChooseUser(WindowHandle owner,
                                                    const std::vector<std::string>& users) {
    for (std::size_t i = 0; i < users.size(); ++i) {
        std::string question = "利用者「" + users[i] + "」でログインしますか？";
        if (Show(owner, question, "決算書", mb::kYesNo | mb::kIconQuestion) == mb::kIdYes) {
            return i;
        }
    }
    return std::nullopt;
}

static std::string PathText(const std::string& path) {
    std::string sjis;
    return Utf8ToSjis(path, &sjis) ? sjis : std::string("?");
}

std::int32_t Session::Login() {
    Logout();
    if (config_.storePath.empty()) {
        return Refuse(kLoginNoStore, "会計データ（帳簿ファイル）が指定されていません。");
    }
    if (!db_.OpenReadOnly(config_.storePath)) {
        return Refuse(kLoginStoreMissing,
                      "会計データを開けません。\n" + PathText(config_.storePath));
    }
    if (!db_.IsStore()) {
        return Refuse(kLoginNotAStore,
                      "会計データとして読み込めません。\n" + PathText(config_.storePath));
    }
    // Who logs in: the user the host names, else the only user, else the user who says yes.
    std::vector<std::pair<std::string, std::int32_t>> users;
    {
        Statement query(db_, "SELECT user_id, selection_no, data_no FROM users ORDER BY ord");
        int rc = query.Ok() ? query.Step() : SQLITE_ERROR;
        for (; rc == SQLITE_ROW; rc = query.Step()) users.emplace_back(query.Blob(0), 0);
        if (rc != SQLITE_DONE) {
            return Refuse(kLoginNotAStore,
                          "会計データとして読み込めません。\n" + PathText(config_.storePath));
        }
    }
    std::string chosen;
    if (!config_.userId.empty()) {
        chosen = config_.userId;
    } else if (users.size() == 1) {
        chosen = users.front().first;
    } else {
        std::vector<std::string> ids;
        for (const auto& user : users) ids.push_back(user.first);
        std::optional<std::size_t> index;
        if (config_.prompt)
            index = config_.prompt->ChooseUser(ClAccConnect::Inst().OwnerWindow, ids);
        if (index && *index < ids.size()) chosen = ids[*index];
        if (chosen.empty()) {
            Logout();
            return 1;
        }
    }
    std::int32_t dataNo = 0;
    if (LookUpUser(chosen.c_str(), &selectionNo_, &dataNo) != kLedgerOk) {
        return Refuse(kLoginUnknownUser, "利用者「" + chosen + "」は登録されていません。");
    }
    if (config_.dataNo != 0) dataNo = config_.dataNo;
    if (!LoadDataSets() || !LoadEras()) {
        return Refuse(kLoginNotAStore,
                      "会計データとして読み込めません。\n" + PathText(config_.storePath));
    }
    const StDATAINFO* selected = nullptr;
    for (const StDATAINFO& set : dataSets_) {
        if (set.dataNo == dataNo) selected = &set;
    }
    if (!selected) {
        return Refuse(kLoginUnknownDataSet,
                      "データ番号 " + std::to_string(dataNo) + " の会計データがありません。");
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

bool Session::LoadDataSets() {
    Statement query(db_,
                    "SELECT data_no, data_id, name, period_from, period_to, interim_closing, "
                    "intro_position, companies_act, manufacturing, tax_inclusive FROM company "
                    "ORDER BY data_no");
    int rc = query.Ok() ? query.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = query.Step()) {
        StDATAINFO record{};
        record.dataNo = static_cast<std::int32_t>(query.Int(0));
        sjis::CopyBounded(record.dataId, sizeof(record.dataId), query.Blob(1),
                          sizeof(record.dataId) - 1);
        sjis::CopyBounded(record.companyName, sizeof(record.companyName), query.Blob(2),
                          sizeof(record.companyName) - 1);
        record.periodFrom = static_cast<std::int32_t>(query.Int(3));
        record.periodTo = static_cast<std::int32_t>(query.Int(4));
        record.interimClosing = static_cast<std::int32_t>(query.Int(5));
        record.introPosition = static_cast<std::int16_t>(query.Int(6));
        record.companiesAct = static_cast<std::uint8_t>(query.Int(7));
        record.manufacturing = static_cast<std::int32_t>(query.Int(8));
        dataSets_.push_back(record);
        taxInclusive_.push_back(static_cast<std::int32_t>(query.Int(9)));
    }
    return rc == SQLITE_DONE;
}

bool Session::LoadEras() {
    Statement query(db_, "SELECT first_day, name, short FROM eras ORDER BY first_day");
    int rc = query.Ok() ? query.Step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = query.Step()) {
        StGENGOINFO era{};
        era.id = static_cast<std::int32_t>(eras_.size() + 1);
        era.firstDay = static_cast<std::int32_t>(query.Int(0));
        sjis::CopyBounded(era.name, sizeof(era.name), query.Blob(1), sizeof(era.name) - 1);
        sjis::CopyBounded(era.shortLabel, sizeof(era.shortLabel), query.Blob(2),
                          sizeof(era.shortLabel) - 1);
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

const Session::Chart* Session::ChartOf(std::int32_t dataNo) {
    auto found = charts_.find(dataNo);
    if (found != charts_.end()) return &found->second;
    Statement query(
        db_, "SELECT code, name, nature, side, flag FROM accounts WHERE data_no=? ORDER BY ord");
    if (!query.Ok()) return nullptr;
    query.Bind(1, dataNo);
    Chart chart;
    int rc = query.Step();
    for (; rc == SQLITE_ROW; rc = query.Step()) {
        StKAMOKUINFO row{};
        row.code = static_cast<std::int32_t>(query.Int(0));
        sjis::CopyBounded(row.name, sizeof(row.name), query.Blob(1), sizeof(row.name) - 1);
        row.nature = static_cast<std::uint32_t>(query.Int(2));
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

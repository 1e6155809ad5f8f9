// The ledger services over an imported store, through their public operations.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "books/Books.h"
#include "ledger/Services.h"
#include "tests/books/BooksFixture.h"

namespace books::test {
namespace {

constexpr std::int64_t kYen = 10000;

// Records are packed: their 64-bit fields are read by value, never bound to a reference.
template <typename T>
T V(T value) {
    return value;
}

class Services : public BooksTest {
protected:
    void SetUp() override {
        BooksTest::SetUp();
        ImportResult result = Import(SampleFiles());
        ASSERT_TRUE(result.ok) << result.message;
    }

    std::vector<StKAMOKUSUMINFO> Summaries() {
        ClRuleKamoku rule;
        rule.AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
        rule.SetCurDataID(ClSetData().GetSelectedInfo()->dataId);
        rule.AttachOptLink(ClLinkMgr::Inst().GetOptLink());
        StFINDINFO period[4] = {};
        period[0] = Find(finditem::kMonthPosition, findcmp::kNotLess, findtype::kValue16, 1,
                         findlink::kAnd);
        period[1] = Find(finditem::kMonthPosition, findcmp::kNotGreater, findtype::kValue16, 12,
                         findlink::kLast);
        EXPECT_EQ(rule.MoveReady(_RuleKamokuSumType_Base_On, _RuleKamokuSumType_Bmn_Off,
                                 _RuleKamokuSumType_Disptype_Off, period, nullptr,
                                 _RuleKamokuSumType_Past_Off),
                  kLedgerOk);
        std::uint32_t n = 0;
        EXPECT_EQ(V(rule.GetSumCount(&n)), kLedgerOk);
        EXPECT_EQ(V(rule.SetMovePos(0)), kLedgerOk);
        std::vector<StKAMOKUSUMINFO> rows;
        StKAMOKUSUMINFO row{};
        while (rule.MoveNext(&row) == kLedgerOk) rows.push_back(row);
        EXPECT_EQ(rows.size(), n);
        EXPECT_EQ(V(rule.MoveNext(&row)), kLedgerEnd);
        rule.MoveFinish();
        return rows;
    }

    static StFINDINFO Find(std::int32_t item, std::int16_t cmp, std::int16_t type,
                           std::int32_t value, std::int16_t link) {
        StFINDINFO find{};
        find.item = item;
        find.comparison = cmp;
        find.valueType = type;
        if (type == findtype::kValue16) {
            find.value16 = static_cast<std::int16_t>(value);
        } else {
            find.value32 = value;
        }
        find.link = link;
        return find;
    }

    static StORDERINFO LineOrder() {
        StORDERINFO order{};
        const std::int32_t items[] = {9, 17, 41, 8, 6, 64};
        for (int i = 0; i < 6; ++i) {
            order.keys[i].item = items[i];
            order.keys[i].last = i == 5 ? 1 : 0;
        }
        return order;
    }

    // The ledger lines of one account between two dates, position 15 left out.
    std::vector<StMOTOCHOINFO> Ledger(std::int32_t code, std::int32_t from = 20250401,
                                      std::int32_t to = 20260331, std::int32_t* status = nullptr) {
        ClRuleMotocho rule;
        rule.AttachSetMgr(ClDataMgr::Inst().GetSetMgr());
        rule.SetCurDataID("D001");
        StFINDINFO find = Find(finditem::kMonthPosition, findcmp::kNotEqual, findtype::kValue32, 15,
                               findlink::kLast);
        StORDERINFO order = LineOrder();
        StMOTOCHOHYOJIINFO view{};
        view.code = code;
        view.firstDay = from;
        view.lastDay = to;
        std::int32_t ready = rule.MoveReady(&find, &order, &view);
        std::uint32_t n = 0;
        std::int32_t counted = rule.GetCount(&find, &view, &n);
        if (status) *status = ready != kLedgerOk ? ready : counted;
        std::vector<StMOTOCHOINFO> lines;
        if (counted != kLedgerOk) return lines;
        EXPECT_EQ(V(rule.SetMovePos(0)), kLedgerOk);
        StMOTOCHOINFO line{};
        for (std::int32_t rc = rule.MoveFirst(&line); rc == kLedgerOk; rc = rule.MoveNext(&line)) {
            lines.push_back(line);
        }
        EXPECT_EQ(lines.size(), n);
        rule.MoveFinish();
        return lines;
    }

    static const StKAMOKUSUMINFO& ByCode(const std::vector<StKAMOKUSUMINFO>& rows,
                                         std::int32_t code) {
        for (const auto& row : rows) {
            if (row.code == code) return row;
        }
        static StKAMOKUSUMINFO none{};
        ADD_FAILURE() << "no summary for " << code;
        return none;
    }
};

TEST_F(Services, LoginSelectsTheUsersDataSetAndWalksDataSetsInNumberOrder) {
    ASSERT_EQ(Login(), kLedgerOk);
    ClSetData* data = static_cast<ClSetData*>(ClDataMgr::Inst().GetSetObject(setkind::kData, 1));
    const StDATAINFO* selected = data->GetSelectedInfo();
    ASSERT_NE(selected, nullptr);
    EXPECT_STREQ(selected->dataId, "D001");
    EXPECT_STREQ(selected->companyName, "株式会社テスト, 本店");
    EXPECT_EQ(selected->periodFrom, 20250401);
    EXPECT_EQ(selected->periodTo, 20260331);
    EXPECT_EQ(selected->interimClosing, 1);
    EXPECT_EQ(selected->manufacturing, 1);
    EXPECT_EQ(selected->companiesAct, 1);

    LedgerCursor cursor = 0;
    ASSERT_EQ(data->GetDatCursor(&cursor), kLedgerOk);
    ASSERT_EQ(data->ReadyDat(cursor, 0), kLedgerOk);
    std::vector<std::int32_t> numbers;
    StDATAINFO record{};
    while (data->WalkDat(&record, cursor) == kLedgerOk) numbers.push_back(record.dataNo);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(data->ReleaseDatCursor(cursor), kLedgerOk);

    char user[65] = {};
    ClSysUser* sysUser = ClDataMgr::Inst().GetSysUserObject();
    ASSERT_EQ(sysUser->GetCurUserID(user), kLedgerOk);
    std::int32_t selection = 0, dataNo = 0;
    ASSERT_EQ(sysUser->GetSelectedNo(user, &selection, &dataNo), kLedgerOk);
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(dataNo, 1);
}

TEST_F(Services, LoginFailuresAreReportedWithAMessage) {
    EXPECT_EQ(Login("nobody"), kLoginUnknownUser);
    EXPECT_EQ(Login("u1", 7), kLoginUnknownDataSet);
    store_ = dir_ + "/missing.books";
    EXPECT_EQ(Login(), kLoginStoreMissing);
    store_ = dir_ + "/garbage.books";
    { std::ofstream(store_) << "this is not a database, only some text that is long enough"; }
    EXPECT_EQ(Login(), kLoginNotAStore);
    EXPECT_EQ(prompt_.texts.size(), 4u);
    EXPECT_EQ(V(ClSetData().GetSelectedInfo()), nullptr);
}

// A value the user wrote into kcbooks.ini is corrected there: its refusal names the file and key.
// A value given otherwise (an option) is not blamed on the file.
TEST_F(Services, ARefusedValueFromTheSettingsFileNamesTheFileAndItsKey) {
    const std::string settings = dir_ + "/kcbooks.ini";
    const struct {
        const char* what;
        std::string store;
        const char* user;
        std::int32_t dataNo;
        bool storeFromSettings, userFromSettings, dataFromSettings;
        std::int32_t code;
        const char* named;  // the key named, or none
    } cases[] = {
        {"no store", "", "u1", 0, true, false, false, kLoginNoStore, "Store"},
        {"a missing store", dir_ + "/none.books", "u1", 0, true, false, false, kLoginStoreMissing,
         "Store"},
        {"a missing store of an option", dir_ + "/none.books", "u1", 0, false, false, false,
         kLoginStoreMissing, nullptr},
        {"an unknown user", store_, "nobody", 0, false, true, false, kLoginUnknownUser, "User"},
        {"an unknown user of an option", store_, "nobody", 0, true, false, false, kLoginUnknownUser,
         nullptr},
        {"an unknown data number", store_, "u1", 7, true, true, true, kLoginUnknownDataSet, "Data"},
    };
    for (const auto& c : cases) {
        BooksConfig config;
        config.storePath = c.store;
        config.userId = c.user;
        config.dataNo = c.dataNo;
        config.prompt = &prompt_;
        config.settingsFile = settings;
        config.storeFromSettings = c.storeFromSettings;
        config.userFromSettings = c.userFromSettings;
        config.dataFromSettings = c.dataFromSettings;
        ConfigureBooks(config);
        prompt_.texts.clear();
        EXPECT_EQ(ClAccConnect::Inst().ExpSysLink(), c.code) << c.what;
        ASSERT_EQ(prompt_.texts.size(), 1u) << c.what;
        const std::string& said = prompt_.texts[0];  // Shift_JIS, as the literals here
        const std::string named = "kcbooks.ini の ";
        if (c.named) {
            EXPECT_NE(said.find(named + c.named + "= を確認してください。"), std::string::npos)
                << c.what << ": " << said;
        } else {
            EXPECT_EQ(said.find("kcbooks.ini"), std::string::npos) << c.what << ": " << said;
        }
    }
}

TEST_F(Services, TruncatedStoreFailsLoginWithAMessage) {
    std::string whole;
    {
        std::ifstream in(store_, std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (std::size_t size : {std::size_t{100}, whole.size() / 2, whole.size() - 1000}) {
        std::ofstream(store_, std::ios::binary | std::ios::trunc) << whole.substr(0, size);
        prompt_.texts.clear();
        EXPECT_EQ(Login(), kLoginNotAStore) << size;
        EXPECT_EQ(prompt_.texts.size(), 1u);
    }
}

TEST_F(Services, SeveralUsersWithoutANamedUserAskWhoLogsIn) {
    prompt_.answer = mb::kIdNo;
    EXPECT_EQ(Login(""), 1);
    EXPECT_EQ(prompt_.texts.size(), 2u);
    prompt_.answer = mb::kIdYes;
    EXPECT_EQ(Login(""), kLedgerOk);
}

TEST_F(Services, SummariesFoldSubAccountsAndRouteTaxInBothSets) {
    ASSERT_EQ(Login(), kLedgerOk);
    auto rows = Summaries();
    std::vector<std::int32_t> codes;
    for (const auto& row : rows) codes.push_back(row.code);
    // Chart order, sub-accounts folded into their account.
    EXPECT_EQ(codes, (std::vector<std::int32_t>{1000000, 1100000, 1500000, 3000000, 3500000,
                                                5000000, 6000000, 7000000, 9000000, 9100000}));

    const auto& cash = ByCode(rows, 1000000);
    EXPECT_STREQ(cash.name, "現金");
    EXPECT_EQ(V(cash.side), 1);
    EXPECT_EQ(V(cash.nature), 0x80880001u);
    EXPECT_EQ(V(cash.debit[0]), 1000 * kYen);     // opening
    EXPECT_EQ(V(cash.debitTax[0]), 1000 * kYen);  // opening, second set
    EXPECT_EQ(V(cash.debit[1]), 110 * kYen);      // April
    EXPECT_EQ(V(cash.debit[3]), 50 * kYen);       // June
    EXPECT_EQ(V(cash.debit[4]), 3 * kYen);        // July, both sides
    EXPECT_EQ(V(cash.credit[4]), 3 * kYen);
    EXPECT_EQ(V(cash.debit[12]), 15000);  // March, 1.5 yen
    EXPECT_EQ(V(cash.credit[kSlotYearEnd]), 5 * kYen);
    EXPECT_EQ(V(cash.debit[kSlotInterim]), 7 * kYen);

    const auto& sales = ByCode(rows, 6000000);
    EXPECT_EQ(V(sales.credit[1]), 100 * kYen);     // without tax
    EXPECT_EQ(V(sales.creditTax[1]), 110 * kYen);  // with tax
    const auto& outputTax = ByCode(rows, 3500000);
    EXPECT_EQ(V(outputTax.credit[1]), 10 * kYen);
    EXPECT_EQ(V(outputTax.creditTax[1]), 0);
    const auto& inputTax = ByCode(rows, 1500000);
    EXPECT_EQ(V(inputTax.debit[2]), 20 * kYen);
    EXPECT_EQ(V(inputTax.debitTax[2]), 0);
    const auto& purchases = ByCode(rows, 7000000);
    EXPECT_EQ(V(purchases.debit[2]), 200 * kYen);
    EXPECT_EQ(V(purchases.debitTax[2]), 220 * kYen);
    EXPECT_EQ(V(purchases.debit[kSlotYearEnd]), 5 * kYen);

    const auto& bank = ByCode(rows, 1100000);  // B銀行 folded in
    EXPECT_EQ(V(bank.credit[2]), 220 * kYen);
    EXPECT_EQ(V(bank.creditTax[2]), 220 * kYen);

    const auto& payables = ByCode(rows, 3000000);
    EXPECT_EQ(V(payables.noLedger1), 1);
    EXPECT_EQ(V(payables.noLedger2), 1);

    // A total carries the slot-wise sums of what it covers: cash, bank and input tax.
    const auto& current = ByCode(rows, 9000000);
    EXPECT_EQ(V(current.exclusion), 2);
    EXPECT_STREQ(current.label, "流動資産計");
    for (int s = 0; s < kSlotCount; ++s) {
        EXPECT_EQ(V(current.debit[s]), V(cash.debit[s]) + V(bank.debit[s]) + V(inputTax.debit[s]))
            << s;
        EXPECT_EQ(V(current.creditTax[s]),
                  V(cash.creditTax[s]) + V(bank.creditTax[s]) + V(inputTax.creditTax[s]))
            << s;
    }
    // Two masks covering the same accounts count each account once.
    const auto& assets = ByCode(rows, 9100000);
    EXPECT_EQ(V(assets.exclusion), 3);
    for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(V(assets.debit[s]), V(current.debit[s])) << s;
}

TEST_F(Services, LedgerLinesCarrySideOrderRangeAndLeaveOutTheInterimSettlement) {
    ASSERT_EQ(Login(), kLedgerOk);
    auto cash = Ledger(1000000);
    std::vector<std::int32_t> entries;
    for (const auto& line : cash) entries.push_back(line.entry);
    // Entry 5 is at position 15; on 20260331 month position 12 comes before the settlement 18.
    EXPECT_EQ(entries, (std::vector<std::int32_t>{1, 3, 6, 7, 4}));
    ASSERT_EQ(cash.size(), 5u);
    EXPECT_EQ(V(cash[0].side), 2);  // debit side only
    EXPECT_EQ(V(cash[0].debitAmount), 110 * kYen);
    EXPECT_EQ(V(cash[0].creditCode), 6000000);
    EXPECT_EQ(V(cash[0].creditTax), 10 * kYen);
    EXPECT_STREQ(cash[0].description, "売上　現金");
    EXPECT_EQ(V(cash[1].kind), 34);  // a line of a compound entry
    EXPECT_EQ(V(cash[1].line), 1);
    EXPECT_EQ(V(cash[2].side), 3);  // both sides
    EXPECT_EQ(V(cash[2].kind), 0);
    EXPECT_EQ(V(cash[3].voucher), 99);
    EXPECT_EQ(V(cash[4].side), 1);  // credit side only
    EXPECT_EQ(V(cash[4].position), 18);

    // Reached only through tax: side 0.
    auto inputTax = Ledger(1500000);
    ASSERT_EQ(inputTax.size(), 1u);
    EXPECT_EQ(V(inputTax[0].side), 0);
    EXPECT_EQ(V(inputTax[0].debitTax), 20 * kYen);
    auto outputTax = Ledger(3500000);
    ASSERT_EQ(outputTax.size(), 1u);
    EXPECT_EQ(V(outputTax[0].entry), 1);

    // A sub-account's postings stand in its account's ledger with the full code.
    auto bank = Ledger(1100000);
    ASSERT_EQ(bank.size(), 1u);
    EXPECT_EQ(V(bank[0].creditCode), 1100002);
    EXPECT_EQ(V(bank[0].side), 1);

    // The view's date range.
    auto june = Ledger(1000000, 20250601, 20250630);
    ASSERT_EQ(june.size(), 1u);
    EXPECT_EQ(V(june[0].entry), 3);
}

TEST_F(Services, LedgerRefusesWhatItDoesNotUnderstand) {
    ASSERT_EQ(Login(), kLedgerOk);
    std::int32_t status = 0;
    Ledger(1100001, 20250401, 20260331, &status);  // a sub-account's own ledger
    EXPECT_EQ(status, kErrBadRequest);

    ClRuleMotocho rule;
    rule.SetCurDataID("D001");
    StFINDINFO find =
        Find(finditem::kMonthPosition, 3, findtype::kValue32, 15, findlink::kLast);  // comparison 3
    StORDERINFO order = LineOrder();
    StMOTOCHOHYOJIINFO view{};
    view.code = 1000000;
    view.firstDay = 20250401;
    view.lastDay = 20260331;
    EXPECT_EQ(rule.MoveReady(&find, &order, &view), kErrBadRequest);
    std::uint32_t n = 99;
    EXPECT_NE(rule.GetCount(&find, &view, &n), kLedgerOk);
    find.comparison = findcmp::kNotEqual;
    order.keys[1].item = 41;  // another order
    EXPECT_EQ(rule.MoveReady(&find, &order, &view), kErrBadRequest);
    StFINDINFO unterminated[8];
    for (auto& entry : unterminated) {
        entry = Find(finditem::kMonthPosition, findcmp::kNotEqual, findtype::kValue32, 15,
                     findlink::kAnd);
    }
    order = LineOrder();
    EXPECT_EQ(rule.MoveReady(unterminated, &order, &view), kErrBadRequest);
}

TEST_F(Services, JournalCursorDeliversOneEntryInLineOrder) {
    ASSERT_EQ(Login(), kLedgerOk);
    ClRuleShiwake rule;
    rule.SetCurDataID("D001");
    StFINDINFO find =
        Find(finditem::kEntryKey, findcmp::kEqual, findtype::kValue32, 3, findlink::kLast);
    StORDERINFO order = LineOrder();
    ASSERT_EQ(rule.MoveReady(&find, &order, nullptr, _ECursorType_Entry), kLedgerOk);
    std::uint32_t n = 0;
    ASSERT_EQ(rule.GetSwkCount(&find, nullptr, &n), kLedgerOk);
    EXPECT_EQ(n, 2u);
    StSWKTINFO line{};
    ASSERT_EQ(rule.MoveFirst(&line), kLedgerOk);
    EXPECT_EQ(V(line.line), 1);
    EXPECT_EQ(V(line.debitAmount), 50 * kYen);
    ASSERT_EQ(rule.MoveNext(&line), kLedgerOk);
    EXPECT_EQ(V(line.line), 2);
    EXPECT_EQ(V(line.creditCode), 6000000);
    EXPECT_EQ(V(rule.MoveNext(&line)), kLedgerEnd);
}

TEST_F(Services, AccountsAreFoundByExactCode) {
    ASSERT_EQ(Login(), kLedgerOk);
    ClSetKamoku* accounts =
        static_cast<ClSetKamoku*>(ClDataMgr::Inst().GetSetObject(setkind::kKamoku, 1));
    LedgerCursor cursor = 0;
    ASSERT_EQ(accounts->GetCursor(&cursor), kLedgerOk);
    ASSERT_EQ(accounts->ReadyCursor(cursor), kLedgerOk);
    StFINDINFO find =
        Find(finditem::kAccountCode, findcmp::kEqual, findtype::kValue32, 1100002, findlink::kLast);
    StKAMOKUINFO account{};
    ASSERT_EQ(accounts->WalkFind(&find, &account, cursor), kLedgerOk);
    EXPECT_EQ(V(account.code), 1100002);
    EXPECT_STREQ(account.name, "B銀行");
    EXPECT_EQ(V(account.nature), 0x80880002u);  // inherited from its account
    ASSERT_EQ(accounts->ReadyCursor(cursor), kLedgerOk);
    find.value32 = 1100003;
    EXPECT_NE(accounts->WalkFind(&find, &account, cursor), kLedgerOk);
    EXPECT_EQ(accounts->ReleaseCursor(cursor), kLedgerOk);
    EXPECT_NE(accounts->ReleaseCursor(cursor), kLedgerOk);
}

TEST_F(Services, ErasComeInAscendingOrder) {
    ASSERT_EQ(Login(), kLedgerOk);
    auto* eras =
        static_cast<ClSetGengo*>(ClDataMgr::Inst().GetSetMgr()->GetSetObject(setkind::kGengo, 0));
    LedgerCursor cursor = 0;
    ASSERT_EQ(eras->GetCursor(&cursor), kLedgerOk);
    ASSERT_EQ(eras->Ready(cursor), kLedgerOk);
    std::vector<std::int32_t> firstDays;
    StGENGOINFO era{};
    std::string last;
    while (eras->Walk(&era, cursor) == kLedgerOk) {
        firstDays.push_back(era.firstDay);
        last = std::string(era.name) + "/" + era.shortLabel;
    }
    EXPECT_EQ(firstDays,
              (std::vector<std::int32_t>{18681023, 19120730, 19261225, 19890108, 20190501}));
    EXPECT_EQ(last, "令和/R");
    EXPECT_EQ(eras->ReleaseCursor(cursor), kLedgerOk);
}

TEST_F(Services, SettingsTextsFoldersTaxAndMessages) {
    ASSERT_EQ(Login("u2"), kLedgerOk);  // u2 selects the second data set
    ClSetShohizei* tax =
        static_cast<ClSetShohizei*>(ClDataMgr::Inst().GetSetObject(setkind::kShohizei, 1));
    tax->SetCurDataID("D002");
    StSHOHIZEIINFO settings{};
    ASSERT_EQ(tax->Get(&settings), kLedgerOk);
    EXPECT_EQ(V(settings.taxInclusive), 1);
    tax->SetCurDataID("D001");
    ASSERT_EQ(tax->Get(&settings), kLedgerOk);
    EXPECT_EQ(V(settings.taxInclusive), 0);

    ClSaveKessansho store;
    store.SetCurDataID("D001");
    char* text = nullptr;
    std::int32_t length = 0;
    ASSERT_EQ(store.GetDataType02(0, &text, &length), kLedgerOk);
    EXPECT_STREQ(text, "Note=1\r\n");
    EXPECT_EQ(length, 8);
    CoTaskMemFree(text);
    EXPECT_NE(store.GetDataType02(1000, &text, &length), kLedgerOk);  // no body
    EXPECT_EQ(text, nullptr);

    char folder[261] = {};
    ASSERT_EQ(ClFileMgr::Inst().GetAppFolderPath(1, folder), kLedgerOk);
    EXPECT_STREQ(folder, "Z:\\settings\\");  // handed out with its backslash

    EXPECT_EQ(ClMsgMgr::Inst().CheckFatalErrorWithMsg(kLedgerEnd, 0, 1, kNoWindow), 0);
    EXPECT_EQ(ClMsgMgr::Inst().CheckFatalErrorWithMsg(kErrStore, 0, 1, kNoWindow), 1);
    EXPECT_EQ(prompt_.texts.size(), 1u);
}

TEST_F(Services, StoreThatIsNotABooksStoreIsRefusedWithAMessageNamingTheFile) {
    auto refusedNamingTheFile = [&](const char* what) {
        prompt_.texts.clear();
        EXPECT_EQ(Login(), kLoginNotAStore) << what;
        ASSERT_EQ(prompt_.texts.size(), 1u) << what;
        EXPECT_NE(prompt_.texts[0].find("会計データとして読み込めません。"), std::string::npos);
        EXPECT_NE(prompt_.texts[0].find(store_), std::string::npos) << what;
        EXPECT_EQ(V(ClSetData().GetSelectedInfo()), nullptr) << what;
    };
    // A store that lacks a table the export reads is no books store either.
    for (const char* table : {"notes", "journal", "ledger", "eras"}) {
        ASSERT_TRUE(Import(SampleFiles()).ok);
        ExecuteOnStore(std::string("DROP TABLE ") + table);
        refusedNamingTheFile(table);
    }
    ASSERT_TRUE(Import(SampleFiles()).ok);
    ExecuteOnStore("ALTER TABLE notes DROP COLUMN text");
    refusedNamingTheFile("a missing column");
    std::filesystem::remove(store_);
    ExecuteOnStore("CREATE TABLE meta(key, value)");
    refusedNamingTheFile("a database of another program");
    std::filesystem::remove(store_);
    { std::ofstream(store_, std::ios::binary); }
    refusedNamingTheFile("an empty file");
}

TEST_F(Services, StoreWithoutUsersSaysThatNoUserIsRegistered) {
    ExecuteOnStore("DELETE FROM users");
    for (const char* user : {"", "u1"}) {
        prompt_.texts.clear();
        EXPECT_EQ(Login(user), kLoginNoUsers) << user;
        ASSERT_EQ(prompt_.texts.size(), 1u) << user;
        EXPECT_NE(prompt_.texts[0].find("会計データに利用者が登録されていません。"),
                  std::string::npos);
        EXPECT_NE(prompt_.texts[0].find(store_), std::string::npos);
    }
}

TEST_F(Services, DataIdThatCouldNameAPathIsRefusedAtLogin) {
    for (const char* id : {"../..", "..", ".", "a/b", "a\\b", "C:", "a\tb"}) {
        ASSERT_TRUE(Import(SampleFiles()).ok);
        ExecuteOnStore(std::string("UPDATE company SET data_id=CAST('") + id +
                       "' AS BLOB) WHERE data_no=2");
        prompt_.texts.clear();
        EXPECT_EQ(Login(), kLoginBadRecord) << id;
        ASSERT_EQ(prompt_.texts.size(), 1u) << id;
        EXPECT_NE(prompt_.texts[0].find("データID"), std::string::npos) << id;
    }
}

TEST_F(Services, MissingNotesTextIsTheEndOfTheSetAndADamagedOneAStoreError) {
    ASSERT_EQ(Login(), kLedgerOk);
    ClSaveKessansho store;
    store.SetCurDataID("D001");
    char* text = nullptr;
    std::int32_t length = 0;
    EXPECT_EQ(store.GetDataType02(1000, &text, &length), kLedgerEnd);  // no body kept
    EXPECT_EQ(text, nullptr);
    ClAccConnect::Inst().LogOut();

    CorruptTable("notes");
    ASSERT_EQ(Login(), kLedgerOk);
    EXPECT_EQ(store.GetDataType02(0, &text, &length), kErrStore);
    EXPECT_EQ(text, nullptr);
}

TEST_F(Services, EmptyNotesTextIsHandedOverAsAnEmptyText) {
    auto files = SampleFiles();
    files["notes/D001/body.txt"] = "";
    ASSERT_TRUE(Import(files).ok);
    ASSERT_EQ(Login(), kLedgerOk);
    ClSaveKessansho store;
    store.SetCurDataID("D001");
    char* text = nullptr;
    std::int32_t length = -1;
    ASSERT_EQ(store.GetDataType02(1000, &text, &length), kLedgerOk);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(length, 0);
    CoTaskMemFree(text);
}

// A record the import would have refused, written into the store by another program: the
// operation that reads it fails as on any store error, and nothing is cut or guessed at.
struct DamagedRecord {
    const char* name;
    const char* sql;
    enum Reader { kLogin, kSummaries, kLedger, kAccounts } reader;
};

void PrintTo(const DamagedRecord& damage, std::ostream* out) {
    *out << damage.name;
}

class DamagedRecords : public Services, public ::testing::WithParamInterface<DamagedRecord> {};

TEST_P(DamagedRecords, FailTheOperationThatReadsThemAsAStoreError) {
    const DamagedRecord& damage = GetParam();
    ExecuteOnStore(damage.sql);
    if (damage.reader == DamagedRecord::kLogin) {
        EXPECT_EQ(Login(), kLoginBadRecord);
        ASSERT_EQ(prompt_.texts.size(), 1u);
        EXPECT_NE(prompt_.texts[0].find(store_), std::string::npos);
        return;
    }
    ASSERT_EQ(Login(), kLedgerOk);
    if (damage.reader == DamagedRecord::kSummaries) {
        ClRuleKamoku rule;
        rule.SetCurDataID("D001");
        StFINDINFO period = Find(finditem::kMonthPosition, findcmp::kNotLess, findtype::kValue16, 1,
                                 findlink::kLast);
        EXPECT_EQ(rule.MoveReady(_RuleKamokuSumType_Base_On, _RuleKamokuSumType_Bmn_Off,
                                 _RuleKamokuSumType_Disptype_Off, &period, nullptr,
                                 _RuleKamokuSumType_Past_Off),
                  kErrStore);
        std::uint32_t n = 0;
        EXPECT_NE(rule.GetSumCount(&n), kLedgerOk);
    } else if (damage.reader == DamagedRecord::kLedger) {
        std::int32_t status = 0;
        EXPECT_TRUE(Ledger(1000000, 20250401, 20260331, &status).empty());
        EXPECT_EQ(status, kErrStore);
    } else {
        ClSetKamoku* accounts =
            static_cast<ClSetKamoku*>(ClDataMgr::Inst().GetSetObject(setkind::kKamoku, 1));
        accounts->SetCurDataID("D001");
        LedgerCursor cursor = 0;
        ASSERT_EQ(accounts->GetCursor(&cursor), kLedgerOk);
        ASSERT_EQ(accounts->ReadyCursor(cursor), kLedgerOk);
        StFINDINFO find = Find(finditem::kAccountCode, findcmp::kEqual, findtype::kValue32, 1000000,
                               findlink::kLast);
        StKAMOKUINFO account{};
        EXPECT_EQ(accounts->WalkFind(&find, &account, cursor), kErrStore);
        accounts->ReleaseCursor(cursor);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Store, DamagedRecords,
    ::testing::Values(
        DamagedRecord{"PeriodEndsBeforeItBegins",
                      "UPDATE company SET period_to=20250101 WHERE data_no=1",
                      DamagedRecord::kLogin},
        DamagedRecord{"NotADate", "UPDATE company SET period_from=20250230 WHERE data_no=1",
                      DamagedRecord::kLogin},
        DamagedRecord{"IntroductionPosition", "UPDATE company SET intro_position=13",
                      DamagedRecord::kLogin},
        DamagedRecord{"CompanyNameBeyondItsField",
                      "UPDATE company SET name=zeroblob(260) || 'x' WHERE data_no=2",
                      DamagedRecord::kLogin},
        DamagedRecord{"UserWithoutAnId",
                      "UPDATE users SET user_id=CAST('' AS BLOB) WHERE data_no=2",
                      DamagedRecord::kLogin},
        DamagedRecord{"EraNotADate", "UPDATE eras SET first_day=19890100 WHERE first_day=19890108",
                      DamagedRecord::kLogin},
        DamagedRecord{"DuplicateAccountCode", "UPDATE accounts SET code=1000000 WHERE code=5000000",
                      DamagedRecord::kSummaries},
        DamagedRecord{"SideOutOfRange", "UPDATE accounts SET side=7 WHERE code=6000000",
                      DamagedRecord::kSummaries},
        DamagedRecord{"FlagOutOfRange", "UPDATE accounts SET flag=4 WHERE code=6000000",
                      DamagedRecord::kSummaries},
        DamagedRecord{"NatureBeyond32Bits",
                      "UPDATE accounts SET nature=4294967296 WHERE code=6000000",
                      DamagedRecord::kSummaries},
        DamagedRecord{"SecondOutputTaxAccount",
                      "UPDATE accounts SET nature=2152218640 WHERE code=6000000",
                      DamagedRecord::kSummaries},
        DamagedRecord{"SummaryWithoutSlots", "UPDATE accounts SET slots=NULL WHERE code=6000000",
                      DamagedRecord::kSummaries},
        DamagedRecord{"SmallestAmountInASlot",
                      "UPDATE accounts SET slots=x'0000000000000080' || substr(slots, 9) "
                      "WHERE code=6000000",
                      DamagedRecord::kSummaries},
        DamagedRecord{"SubAccountWithoutItsAccount",
                      "UPDATE accounts SET code=1200001 WHERE code=1100001",
                      DamagedRecord::kAccounts},
        DamagedRecord{"PositionOutOfRange",
                      "UPDATE ledger SET position=13 WHERE account=1000000 AND entry=3",
                      DamagedRecord::kLedger},
        DamagedRecord{"LineNumberZero",
                      "UPDATE ledger SET line=0 WHERE account=1000000 AND entry=3",
                      DamagedRecord::kLedger},
        DamagedRecord{"SideBeyondThree",
                      "UPDATE ledger SET side=4 WHERE account=1000000 AND entry=3",
                      DamagedRecord::kLedger},
        DamagedRecord{"SmallestAmountOnALine",
                      "UPDATE ledger SET credit_amount=-9223372036854775807-1 "
                      "WHERE account=1000000 AND entry=3",
                      DamagedRecord::kLedger},
        DamagedRecord{"DescriptionBeyond60Bytes",
                      "UPDATE ledger SET description=zeroblob(61) WHERE account=1000000 AND "
                      "entry=3",
                      DamagedRecord::kLedger}),
    [](const ::testing::TestParamInfo<DamagedRecord>& info) {
        return std::string(info.param.name);
    });

TEST(AccPeriod, MonthPositionsOfAFiscalYear) {
    ClAccPeriod period;
    ASSERT_EQ(period.SetPeriod(20250411, 20260331), kLedgerOk);
    std::int32_t closing = 0;
    ASSERT_EQ(period.GetClosingDayByEndDate(20260331, 0, &closing), kLedgerOk);
    EXPECT_EQ(closing, 31);
    ASSERT_EQ(period.SetClosingDay(closing), kLedgerOk);
    std::int32_t month = 0;
    ASSERT_EQ(period.GetAMonthByDate(20250411, &month, 0), kLedgerOk);
    EXPECT_EQ(month, 4);
    std::int32_t first = 0, last = 0;
    ASSERT_EQ(period.GetPeriodByMonthKind(1, &first, &last, 0), kLedgerOk);
    EXPECT_EQ(first, 20250411);
    EXPECT_EQ(last, 20250430);
    ASSERT_EQ(period.GetPeriodByMonthKind(11, &first, &last, 0), kLedgerOk);
    EXPECT_EQ(first, 20260201);
    EXPECT_EQ(last, 20260228);
    ASSERT_EQ(period.GetPeriodByMonthKind(18, &first, &last, 0), kLedgerOk);
    EXPECT_EQ(last, 20260331);
    ASSERT_EQ(period.GetPeriodByMonthKind(15, &first, &last, 0), kLedgerOk);
    EXPECT_EQ(first, 20250901);
    EXPECT_NE(period.GetPeriodByMonthKind(0, &first, &last, 0), kLedgerOk);
}

}  // namespace
}  // namespace books::test

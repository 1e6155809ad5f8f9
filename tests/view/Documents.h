#pragma once

// Small exported documents written by hand, one element a line as the export writes them: a
// document whose every check holds, and the edit that breaks one figure of it.

#include <iconv.h>

#include <stdexcept>
#include <string>

namespace kcview::testing {

inline const char kTiedOut[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<REPORT>
<SYSTEM>
<CONNECTEDPROGRAMVER>22.03.00</CONNECTEDPROGRAMVER>
<PROGRAMNAME>記帳丸２２ さくら版</PROGRAMNAME>
<PROGRAMVER>22.03.01</PROGRAMVER>
</SYSTEM>
<BASIC>
<KOMONSAKINAME>株式会社テスト&amp;工業</KOMONSAKINAME>
<JIGYOUNENDOFROM>20250401</JIGYOUNENDOFROM>
<JIGYOUNENDOTO>20260331</JIGYOUNENDOTO>
</BASIC>
<DATA>
<BalanceSheet>
<Assets Label="資産合計" Amount="3000">
<CurrentAssets Label="流動資産合計" Amount="1000">
<Item Label="現金">400</Item>
<Item Label="売掛金">600</Item>
</CurrentAssets>
<NoncurrentAssets Label="固定資産合計" Amount="2000">
<PropertyPlantAndEquipment Label="有形固定資産合計" Amount="1500">
<Item Label="建物">1500</Item>
</PropertyPlantAndEquipment>
<IntangibleAssets Label="無形固定資産合計" Amount="500">
<Item Label="ソフトウェア">500</Item>
</IntangibleAssets>
</NoncurrentAssets>
</Assets>
<Liabilities Label="負債合計" Amount="1200">
<CurrentLiabilities Label="流動負債合計" Amount="1200">
<Item Label="買掛金">1200</Item>
</CurrentLiabilities>
</Liabilities>
<NetAssets Label="純資産合計" Amount="1800">
<Item Label="資本金">1000</Item>
<Item Label="繰越利益剰余金">800</Item>
</NetAssets>
</BalanceSheet>
<IncomeStatement>
<NetSales Label="売上高合計" Amount="5000">
<Item Label="製品売上高">5000</Item>
</NetSales>
<CostOfSales Label="売上原価" Amount="3000">
<Item Label="当期製品製造原価">3000</Item>
</CostOfSales>
<GrossProfit Label="売上総利益" Amount="2000"></GrossProfit>
<SellingGeneralAndAdministrativeExpenses Label="販売費及び一般管理費合計" Amount="1500">
<Item Label="給料手当">1500</Item>
</SellingGeneralAndAdministrativeExpenses>
<OperatingIncome Label="営業利益" Amount="500"></OperatingIncome>
<NonOperatingIncome Label="営業外収益合計" Amount="">
</NonOperatingIncome>
<OrdinaryIncome Label="経常利益" Amount="500"></OrdinaryIncome>
<IncomeBeforeIncomeTaxes Label="税引前当期純利益" Amount="500"></IncomeBeforeIncomeTaxes>
<IncomeTaxes>
<Item Label="法人税、住民税及び事業税">200</Item>
</IncomeTaxes>
<NetIncome Label="当期純利益" Amount="300"></NetIncome>
</IncomeStatement>
<ScheduleCostGoodsManufactured>
<MaterialCost Label="材料費合計" Amount="2000">
<Item Label="材料仕入高">2000</Item>
</MaterialCost>
<LaborCost Label="労務費合計" Amount="1000">
<Item Label="賃金">1000</Item>
</LaborCost>
<TotalProductionCostUtilized Label="当期総製造費用" Amount="3000"></TotalProductionCostUtilized>
<SubtotalScheduleCostGoodsManufactured Label="合計" Amount="3000"></SubtotalScheduleCostGoodsManufactured>
<CostFinishedGoods Label="当期製品製造原価" Amount="3000"></CostFinishedGoods>
</ScheduleCostGoodsManufactured>
<StatementChangesNetAssets>
<Select>1</Select>
<ChangesNetAssetsItem>
<AccountList>繰越利益剰余金</AccountList>
<BalanceEndPreviousPeriod>500</BalanceEndPreviousPeriod>
<ChangesItemsDuringPeriod>
<TotalChangesItemsDuringPeriod>300</TotalChangesItemsDuringPeriod>
<ChangesItem>
<Reason>当期純利益</Reason>
<Amount>300</Amount>
</ChangesItem>
</ChangesItemsDuringPeriod>
<BalanceEndCurrentPeriod>800</BalanceEndCurrentPeriod>
</ChangesNetAssetsItem>
</StatementChangesNetAssets>
<ListNotesNonConsolidated>
<NoteBalanceSheet>
<AmountGuaranties>
<Line>取引先の借入金に対する保証　4,000円</Line>
</AmountGuaranties>
</NoteBalanceSheet>
</ListNotesNonConsolidated>
<HJ00780S>
<HJ00780S01>
<HJ00780S0010>現金</HJ00780S0010>
<HJ00780S0020>流動資産</HJ00780S0020>
<HJ00780S0030>100</HJ00780S0030>
<HJ00780S0040>400</HJ00780S0040>
<HJ00780S02>
<HJ00780S0050>7</HJ00780S0050>
<HJ00780S0060>20250410</HJ00780S0060>
<HJ00780S0070></HJ00780S0070>
<HJ00780S0080>製品売上高</HJ00780S0080>
<HJ00780S0090></HJ00780S0090>
<HJ00780S0100>現金売上 &lt;店頭&gt;</HJ00780S0100>
<HJ00780S0110>300</HJ00780S0110>
<HJ00780S0120>400</HJ00780S0120>
</HJ00780S02>
</HJ00780S01>
</HJ00780S>
</DATA>
</REPORT>
)";

// The document with the first `from` replaced by `to`.
inline std::string Edited(const std::string& from, const std::string& to,
                          const std::string& document = kTiedOut) {
    const std::size_t at = document.find(from);
    if (at == std::string::npos) throw std::logic_error("not in the document: " + from);
    std::string edited = document;
    edited.replace(at, from.size(), to);
    return edited;
}

// kTiedOut's year before: its fiscal year ends the day before kTiedOut's starts, it closes cash at
// kTiedOut's ledger's opening, and 繰越利益剰余金 at `closing` (kTiedOut opens it at 500).
inline std::string YearBefore(const std::string& closing = "500") {
    std::string text = Edited("<JIGYOUNENDOFROM>20250401<", "<JIGYOUNENDOFROM>20240401<");
    text = Edited("<JIGYOUNENDOTO>20260331<", "<JIGYOUNENDOTO>20250331<", text);
    text = Edited("<BalanceEndPreviousPeriod>500<", "<BalanceEndPreviousPeriod>200<", text);
    // Its cash closes where this year's ledger opens it.
    text = Edited("<Item Label=\"現金\">400<", "<Item Label=\"現金\">100<", text);
    text = Edited("<Item Label=\"売掛金\">600<", "<Item Label=\"売掛金\">900<", text);
    return Edited("<BalanceEndCurrentPeriod>800<", "<BalanceEndCurrentPeriod>" + closing + "<",
                  text);
}

// The line of the document on which `text` first appears.
inline int LineOf(const std::string& text, const std::string& document = kTiedOut) {
    const std::size_t at = document.find(text);
    if (at == std::string::npos) throw std::logic_error("not in the document: " + text);
    int line = 1;
    for (std::size_t i = 0; i < at; ++i) line += document[i] == '\n' ? 1 : 0;
    return line;
}

// The document as the export writes it: in code page 932, declared as Shift_JIS.
inline std::string InCodePage932(std::string document) {
    document = Edited(R"(encoding="UTF-8")", R"(encoding="Shift_JIS")", document);
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 encoder");
    std::string converted(document.size() * 2, '\0');
    char* in = document.data();
    std::size_t inLeft = document.size();
    char* out = converted.data();
    std::size_t outLeft = converted.size();
    const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (done == static_cast<std::size_t>(-1)) throw std::runtime_error("not in code page 932");
    converted.resize(converted.size() - outLeft);
    return converted;
}

// kTiedOut with the characters of the vendors' extensions to Shift_JIS that code page 932 holds
// (㈱ and ① of NEC's, 髙 of IBM's) in the header, an item's label and the ledger, followed by a
// second account whose closing balance `closing` the statements' 売掛金 600 has to meet.
inline std::string WithVendorCharacters(const std::string& closing) {
    std::string text = Edited("株式会社テスト", "㈱テスト");
    text = Edited("現金売上 &lt;店頭&gt;", "①髙橋様 売上", text);
    text = Edited("<Item Label=\"建物\">", "<Item Label=\"建物①\">", text);
    return Edited("</HJ00780S01>\n</HJ00780S>",
                  "</HJ00780S01>\n<HJ00780S01>\n<HJ00780S0010>売掛金</HJ00780S0010>\n"
                  "<HJ00780S0020>流動資産</HJ00780S0020>\n<HJ00780S0030>" +
                      closing + "</HJ00780S0030>\n<HJ00780S0040>" + closing +
                      "</HJ00780S0040>\n</HJ00780S01>\n</HJ00780S>",
                  text);
}

}  // namespace kcview::testing

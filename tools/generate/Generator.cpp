#include "tools/generate/Generator.h"

#include <array>
#include <charconv>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "books/Csv.h"
#include "books/Model.h"
#include "native/Failure.h"
#include "native/TempFile.h"

namespace {

// The sources are compiled with a Shift_JIS execution character set, but the import format is
// UTF-8, so every Japanese text here is a u8 literal and goes out through this view.
std::string_view Utf8(std::u8string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

void Put(std::string& out, std::u8string_view text) {
    out += Utf8(text);
}

void PutNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// Bytes `text` (UTF-8) takes in Shift_JIS. Every character used here outside ASCII is a
// double-byte JIS X 0208 character (no half-width katakana), so a lead byte of UTF-8 stands
// for two bytes and an ASCII byte for one.
std::size_t SjisLength(std::string_view text) {
    std::size_t length = 0;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            length += 1;
        } else if ((byte & 0xC0) != 0x80) {
            length += 2;
        }
    }
    return length;
}

// Cuts `text` to at most `limit` Shift_JIS bytes at a character boundary. The templates are
// sized to stay within the limit; this keeps a longer combination from breaking an import.
void ClipToSjis(std::string& text, std::size_t limit) {
    if (SjisLength(text) <= limit) return;
    std::size_t length = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        unsigned char byte = static_cast<unsigned char>(text[pos]);
        std::size_t width = byte < 0x80 ? 1 : 2;
        std::size_t next = pos + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) {
            ++next;
        }
        if (length + width > limit) break;
        length += width;
        pos = next;
    }
    text.resize(pos);
}

// Byte limits of the import format, in Shift_JIS.
constexpr std::size_t kDescriptionLimit = 60;

// ---------------------------------------------------------------------------------------------
// Chart of accounts
//
// Natures are bit sets: an account belongs to a statement section when its nature contains the
// section's key. Headings and totals carry exactly their section's key; posting accounts add
// low bits of their own, drawn only from 0x1, 0x2, 0x4, 0x100 and 0x400, because the other low
// bits appear in keys of their own (0x8 gross profit, 0x10-0x80 the lines after tax and the
// tax accounts, 0x200 cost of finished goods, 0x800 input tax) and a posting account must
// never contain such a key by accident. The net-assets columns, the two consumption-tax accounts
// and the two accounts outside the aggregation have exact natures instead.
//
// Totals sum disjoint masks, so no posting account counts twice within one total. The
// manufacturing accounts (0x20000000) feed the cost of sales through the flag-3 cost of
// finished goods, hence every profit line from gross profit down adds 0x20000000. Net assets
// include the year's result (0x40000000 and 0x20000000), which is what makes assets equal
// liabilities plus net assets without a closing entry; 繰越利益剰余金 is the brought-forward
// account (flag 1, not listed itself) plus that result.

struct ChartRow {
    int number;
    int sub;  // 0 for an account, else a sub-account of `number`
    const char8_t* name;
    const char8_t* label;
    std::uint32_t nature;  // 0 on sub-accounts, which inherit their account's
    char side;             // ' ' on sub-accounts
    int flag;
    bool noLedger;
    const char* sumOf;
};

constexpr ChartRow kChart[] = {
    {1110, 0, u8"現金", u8"現金", 0x80880001, 'D', 0, false, ""},
    {1120, 0, u8"当座預金", u8"当座預金", 0x80880002, 'D', 0, false, ""},
    {1120, 1, u8"みどり銀行　本店", u8"", 0, ' ', 0, false, ""},
    {1120, 2, u8"あおば信用金庫　駅前支店", u8"", 0, ' ', 0, false, ""},
    {1130, 0, u8"普通預金", u8"普通預金", 0x80880003, 'D', 0, false, ""},
    {1130, 1, u8"みどり銀行　本店", u8"", 0, ' ', 0, false, ""},
    {1130, 2, u8"あおば信用金庫　駅前支店", u8"", 0, ' ', 0, false, ""},
    {1130, 3, u8"ひかり銀行　工業団地支店", u8"", 0, ' ', 0, false, ""},
    {1140, 0, u8"受取手形", u8"受取手形", 0x80880004, 'D', 0, false, ""},
    {1150, 0, u8"売掛金", u8"売掛金", 0x80880005, 'D', 0, false, ""},
    {1150, 1, u8"株式会社ひかり精密工業", u8"", 0, ' ', 0, false, ""},
    {1150, 2, u8"あさひ電機株式会社", u8"", 0, ' ', 0, false, ""},
    {1150, 3, u8"有限会社みなと商会", u8"", 0, ' ', 0, false, ""},
    {1150, 4, u8"株式会社北斗機械", u8"", 0, ' ', 0, false, ""},
    {1150, 5, u8"東都工業株式会社", u8"", 0, ' ', 0, false, ""},
    {1150, 6, u8"株式会社青空産業", u8"", 0, ' ', 0, false, ""},
    {1160, 0, u8"製品", u8"製品", 0x80880006, 'D', 0, false, ""},
    {1170, 0, u8"仕掛品", u8"仕掛品", 0x80880007, 'D', 0, false, ""},
    {1180, 0, u8"原材料", u8"原材料", 0x80880100, 'D', 0, false, ""},
    {1190, 0, u8"前払費用", u8"前払費用", 0x80880101, 'D', 0, false, ""},
    {1200, 0, u8"仮払消費税", u8"仮払消費税", 0x80880810, 'D', 0, false, ""},
    {1210, 0, u8"未収入金", u8"未収入金", 0x80880102, 'D', 0, false, ""},
    {1220, 0, u8"仮払金", u8"仮払金", 0x80880103, 'D', 0, false, ""},
    {1230, 0, u8"貸倒引当金", u8"貸倒引当金", 0x80880104, 'D', 0, false, ""},
    {1290, 0, u8"流動資産合計", u8"流動資産合計", 0x80880000, 'D', 2, false, "0x80880000"},
    {1310, 0, u8"建物", u8"建物", 0x80848001, 'D', 0, false, ""},
    {1320, 0, u8"機械装置", u8"機械装置", 0x80848002, 'D', 0, false, ""},
    {1330, 0, u8"車両運搬具", u8"車両運搬具", 0x80848003, 'D', 0, false, ""},
    {1340, 0, u8"工具器具備品", u8"工具器具備品", 0x80848004, 'D', 0, false, ""},
    {1350, 0, u8"土地", u8"土地", 0x80848005, 'D', 0, false, ""},
    {1360, 0, u8"減価償却累計額", u8"減価償却累計額", 0x80848006, 'D', 0, false, ""},
    {1390, 0, u8"有形固定資産合計", u8"有形固定資産合計", 0x80848000, 'D', 2, false, "0x80848000"},
    {1410, 0, u8"ソフトウェア", u8"ソフトウェア", 0x80844001, 'D', 0, false, ""},
    {1420, 0, u8"電話加入権", u8"電話加入権", 0x80844002, 'D', 0, false, ""},
    {1490, 0, u8"無形固定資産合計", u8"無形固定資産合計", 0x80844000, 'D', 2, false, "0x80844000"},
    {1510, 0, u8"投資有価証券", u8"投資有価証券", 0x80842001, 'D', 0, false, ""},
    {1520, 0, u8"差入保証金", u8"差入保証金", 0x80842002, 'D', 0, false, ""},
    {1530, 0, u8"長期前払費用", u8"長期前払費用", 0x80842003, 'D', 0, false, ""},
    {1540, 0, u8"繰延税金資産", u8"繰延税金資産", 0x80842004, 'D', 0, false, ""},
    {1590, 0, u8"投資その他の資産合計", u8"投資その他の資産合計", 0x80842000, 'D', 2, false,
     "0x80842000"},
    {1599, 0, u8"固定資産合計", u8"固定資産合計", 0x80840000, 'D', 2, false, "0x80840000"},
    {1610, 0, u8"創立費", u8"創立費", 0x80820001, 'D', 0, true, ""},
    {1690, 0, u8"繰延資産合計", u8"繰延資産合計", 0x80820000, 'D', 2, false, "0x80820000"},
    {1999, 0, u8"資産合計", u8"資産の部合計", 0x80800000, 'D', 2, false, "0x80800000"},
    {2110, 0, u8"支払手形", u8"支払手形", 0x80480001, 'C', 0, false, ""},
    {2120, 0, u8"買掛金", u8"買掛金", 0x80480002, 'C', 0, false, ""},
    {2120, 1, u8"山川金属株式会社", u8"", 0, ' ', 0, false, ""},
    {2120, 2, u8"株式会社緑川化成", u8"", 0, ' ', 0, false, ""},
    {2120, 3, u8"丸三鋼材株式会社", u8"", 0, ' ', 0, false, ""},
    {2120, 4, u8"有限会社こだま工業", u8"", 0, ' ', 0, false, ""},
    {2120, 5, u8"株式会社大和梱包", u8"", 0, ' ', 0, false, ""},
    {2130, 0, u8"短期借入金", u8"短期借入金", 0x80480003, 'C', 0, false, ""},
    {2140, 0, u8"未払金", u8"未払金", 0x80480004, 'C', 0, false, ""},
    {2150, 0, u8"未払費用", u8"未払費用", 0x80480005, 'C', 0, false, ""},
    {2160, 0, u8"未払法人税等", u8"未払法人税等", 0x80480006, 'C', 0, false, ""},
    {2170, 0, u8"未払消費税等", u8"未払消費税等", 0x80480007, 'C', 0, false, ""},
    {2180, 0, u8"預り金", u8"預り金", 0x80480100, 'C', 0, false, ""},
    {2190, 0, u8"仮受消費税", u8"仮受消費税", 0x80484010, 'C', 0, false, ""},
    {2200, 0, u8"賞与引当金", u8"賞与引当金", 0x80480101, 'C', 0, false, ""},
    {2290, 0, u8"流動負債合計", u8"流動負債合計", 0x80480000, 'C', 2, false, "0x80480000"},
    {2310, 0, u8"長期借入金", u8"長期借入金", 0x80440001, 'C', 0, false, ""},
    {2310, 1, u8"みどり銀行　本店", u8"", 0, ' ', 0, false, ""},
    {2310, 2, u8"地域振興公庫", u8"", 0, ' ', 0, false, ""},
    {2320, 0, u8"退職給付引当金", u8"退職給付引当金", 0x80440002, 'C', 0, false, ""},
    {2390, 0, u8"固定負債合計", u8"固定負債合計", 0x80440000, 'C', 2, false, "0x80440000"},
    {2999, 0, u8"負債合計", u8"負債の部合計", 0x80400000, 'C', 2, false, "0x80400000"},
    {3110, 0, u8"資本金", u8"資本金", 0x80288000, 'C', 0, false, ""},
    {3210, 0, u8"資本準備金", u8"資本準備金", 0x80282080, 'C', 0, false, ""},
    {3220, 0, u8"その他資本剰余金", u8"その他資本剰余金", 0x80282040, 'C', 0, false, ""},
    {3310, 0, u8"利益準備金", u8"利益準備金", 0x80281080, 'C', 0, false, ""},
    {3320, 0, u8"別途積立金", u8"別途積立金", 0x80281040, 'C', 0, false, ""},
    {3330, 0, u8"繰越利益", u8"繰越利益", 0x80202010, 'C', 1, false, ""},
    {3340, 0, u8"繰越利益剰余金", u8"繰越利益剰余金", 0x80281048, 'C', 3, false,
     "0x80202010 0x40000000 0x20000000"},
    {3410, 0, u8"自己株式", u8"自己株式", 0x80280800, 'C', 0, false, ""},
    {3510, 0, u8"その他有価証券評価差額金", u8"その他有価証券評価差額金", 0x80248000, 'C', 0, false,
     ""},
    {3610, 0, u8"新株予約権", u8"新株予約権", 0x80220000, 'C', 0, false, ""},
    {3999, 0, u8"純資産合計", u8"純資産の部合計", 0x80200000, 'C', 2, false,
     "0x80200000 0x40000000 0x20000000"},
    {4110, 0, u8"製品売上高", u8"製品売上高", 0x40888001, 'C', 0, false, ""},
    {4120, 0, u8"商品売上高", u8"商品売上高", 0x40888002, 'C', 0, false, ""},
    {4130, 0, u8"売上値引戻り高", u8"売上値引戻り高", 0x40888003, 'C', 0, false, ""},
    {4190, 0, u8"売上高合計", u8"売上高", 0x40888000, 'C', 2, false, "0x40888000"},
    {5110, 0, u8"期首製品棚卸高", u8"期首製品棚卸高", 0x40884001, 'D', 0, false, ""},
    {5120, 0, u8"商品仕入高", u8"商品仕入高", 0x40884002, 'D', 0, false, ""},
    {5130, 0, u8"当期製品製造原価", u8"当期製品製造原価", 0x40884200, 'D', 3, false, "0x20000000"},
    {5140, 0, u8"期末製品棚卸高", u8"期末製品棚卸高", 0x40884003, 'D', 0, false, ""},
    {5190, 0, u8"売上原価", u8"売上原価", 0x40884000, 'D', 2, false, "0x40884000 0x20000000"},
    {5199, 0, u8"売上総利益", u8"売上総利益", 0x40880008, 'C', 2, false,
     "0x40888000 0x40884000 0x20000000"},
    {6110, 0, u8"役員報酬", u8"役員報酬", 0x40882001, 'D', 0, false, ""},
    {6120, 0, u8"給料手当", u8"給料手当", 0x40882002, 'D', 0, false, ""},
    {6130, 0, u8"賞与", u8"賞与", 0x40882003, 'D', 0, false, ""},
    {6140, 0, u8"法定福利費", u8"法定福利費", 0x40882004, 'D', 0, false, ""},
    {6150, 0, u8"福利厚生費", u8"福利厚生費", 0x40882005, 'D', 0, false, ""},
    {6160, 0, u8"荷造運賃", u8"荷造運賃", 0x40882006, 'D', 0, false, ""},
    {6170, 0, u8"広告宣伝費", u8"広告宣伝費", 0x40882007, 'D', 0, false, ""},
    {6180, 0, u8"交際費", u8"交際費", 0x40882100, 'D', 0, false, ""},
    {6190, 0, u8"旅費交通費", u8"旅費交通費", 0x40882101, 'D', 0, false, ""},
    {6200, 0, u8"通信費", u8"通信費", 0x40882102, 'D', 0, false, ""},
    {6210, 0, u8"水道光熱費", u8"水道光熱費", 0x40882103, 'D', 0, false, ""},
    {6220, 0, u8"消耗品費", u8"消耗品費", 0x40882104, 'D', 0, false, ""},
    {6230, 0, u8"事務用品費", u8"事務用品費", 0x40882105, 'D', 0, false, ""},
    {6240, 0, u8"修繕費", u8"修繕費", 0x40882106, 'D', 0, false, ""},
    {6250, 0, u8"地代家賃", u8"地代家賃", 0x40882107, 'D', 0, false, ""},
    {6260, 0, u8"保険料", u8"保険料", 0x40882400, 'D', 0, false, ""},
    {6270, 0, u8"租税公課", u8"租税公課", 0x40882401, 'D', 0, false, ""},
    {6280, 0, u8"支払手数料", u8"支払手数料", 0x40882402, 'D', 0, false, ""},
    {6290, 0, u8"減価償却費", u8"減価償却費", 0x40882403, 'D', 0, false, ""},
    {6300, 0, u8"貸倒引当金繰入額", u8"貸倒引当金繰入額", 0x40882404, 'D', 0, false, ""},
    {6310, 0, u8"賞与引当金繰入額", u8"賞与引当金繰入額", 0x40882405, 'D', 0, false, ""},
    {6320, 0, u8"退職給付費用", u8"退職給付費用", 0x40882406, 'D', 0, false, ""},
    {6330, 0, u8"雑費", u8"雑費", 0x40882407, 'D', 0, false, ""},
    {6990, 0, u8"販売費及び一般管理費合計", u8"販売費及び一般管理費", 0x40882000, 'D', 2, false,
     "0x40882000"},
    {6999, 0, u8"営業利益", u8"営業利益", 0x40880000, 'C', 2, false, "0x40880000 0x20000000"},
    {7110, 0, u8"受取利息", u8"受取利息", 0x40848001, 'C', 0, false, ""},
    {7120, 0, u8"受取配当金", u8"受取配当金", 0x40848002, 'C', 0, false, ""},
    {7130, 0, u8"雑収入", u8"雑収入", 0x40848003, 'C', 0, false, ""},
    {7190, 0, u8"営業外収益合計", u8"営業外収益合計", 0x40848000, 'C', 2, false, "0x40848000"},
    {7210, 0, u8"支払利息", u8"支払利息", 0x40844001, 'D', 0, false, ""},
    {7220, 0, u8"雑損失", u8"雑損失", 0x40844002, 'D', 0, false, ""},
    {7290, 0, u8"営業外費用合計", u8"営業外費用合計", 0x40844000, 'D', 2, false, "0x40844000"},
    {7299, 0, u8"経常利益", u8"経常利益", 0x40800000, 'C', 2, false, "0x40800000 0x20000000"},
    {8110, 0, u8"固定資産売却益", u8"固定資産売却益", 0x40480001, 'C', 0, false, ""},
    {8190, 0, u8"特別利益合計", u8"特別利益合計", 0x40480000, 'C', 2, false, "0x40480000"},
    {8210, 0, u8"固定資産除却損", u8"固定資産除却損", 0x40440001, 'D', 0, false, ""},
    {8290, 0, u8"特別損失合計", u8"特別損失合計", 0x40440000, 'D', 2, false, "0x40440000"},
    {8299, 0, u8"税引前当期純利益", u8"税引前当期純利益", 0x40200080, 'C', 2, false,
     "0x40800000 0x40400000 0x20000000"},
    {8310, 0, u8"法人税、住民税及び事業税", u8"法人税、住民税及び事業税", 0x40200001, 'D', 0, false,
     ""},
    {8320, 0, u8"法人税等調整額", u8"法人税等調整額", 0x40200002, 'D', 0, false, ""},
    {8390, 0, u8"法人税等合計", u8"法人税等合計", 0x40200000, 'D', 2, false, "0x40200000"},
    {8399, 0, u8"当期純利益", u8"当期純利益", 0x40200040, 'C', 2, false,
     "0x40800000 0x40400000 0x40200000 0x20000000"},
    {8410, 0, u8"前期繰越利益", u8"前期繰越利益", 0x40200020, 'C', 2, false, "0x80202010"},
    {8420, 0, u8"当期未処分利益", u8"繰越利益剰余金期末残高", 0x40200010, 'C', 2, false,
     "0x80202010 0x40000000 0x20000000"},
    {9110, 0, u8"期首材料棚卸高", u8"期首材料棚卸高", 0x20800001, 'D', 0, false, ""},
    {9120, 0, u8"材料仕入高", u8"材料仕入高", 0x20800002, 'D', 0, false, ""},
    {9130, 0, u8"期末材料棚卸高", u8"期末材料棚卸高", 0x20800003, 'D', 0, false, ""},
    {9190, 0, u8"材料費合計", u8"材料費", 0x20800000, 'D', 2, false, "0x20800000"},
    {9210, 0, u8"賃金", u8"賃金", 0x20400001, 'D', 0, false, ""},
    {9220, 0, u8"賞与（製造）", u8"賞与（製造）", 0x20400002, 'D', 0, false, ""},
    {9230, 0, u8"法定福利費（製造）", u8"法定福利費（製造）", 0x20400003, 'D', 0, false, ""},
    {9290, 0, u8"労務費合計", u8"労務費", 0x20400000, 'D', 2, false, "0x20400000"},
    {9310, 0, u8"外注加工費", u8"外注加工費", 0x20040001, 'D', 0, false, ""},
    {9390, 0, u8"外注費合計", u8"外注費", 0x20040000, 'D', 2, false, "0x20040000"},
    {9410, 0, u8"電力料", u8"電力料", 0x20200001, 'D', 0, false, ""},
    {9420, 0, u8"水道料", u8"水道料", 0x20200002, 'D', 0, false, ""},
    {9430, 0, u8"減価償却費（製造）", u8"減価償却費（製造）", 0x20200003, 'D', 0, false, ""},
    {9440, 0, u8"修繕費（製造）", u8"修繕費（製造）", 0x20200004, 'D', 0, false, ""},
    {9450, 0, u8"消耗品費（製造）", u8"消耗品費（製造）", 0x20200005, 'D', 0, false, ""},
    {9460, 0, u8"保険料（製造）", u8"保険料（製造）", 0x20200006, 'D', 0, false, ""},
    {9470, 0, u8"工場雑費", u8"工場雑費", 0x20200007, 'D', 0, false, ""},
    {9490, 0, u8"製造経費合計", u8"製造経費", 0x20200000, 'D', 2, false, "0x20200000"},
    {9499, 0, u8"当期総製造費用", u8"当期総製造費用", 0x20080000, 'D', 2, false,
     "0x20800000 0x20400000 0x20040000 0x20200000"},
    {9510, 0, u8"期首仕掛品棚卸高", u8"期首仕掛品棚卸高", 0x20108001, 'D', 0, false, ""},
    {9519, 0, u8"期首仕掛品棚卸高計", u8"期首仕掛品棚卸高", 0x20108000, 'D', 2, false,
     "0x20108000"},
    {9599, 0, u8"製造費用小計", u8"合計", 0x20100008, 'D', 2, false,
     "0x20800000 0x20400000 0x20040000 0x20200000 0x20108000"},
    {9610, 0, u8"期末仕掛品棚卸高", u8"期末仕掛品棚卸高", 0x20102001, 'C', 0, false, ""},
    {9619, 0, u8"期末仕掛品棚卸高計", u8"期末仕掛品棚卸高", 0x20102000, 'C', 2, false,
     "0x20102000"},
    {9910, 0, u8"保証債務見返", u8"保証債務見返", 0x08000000, 'D', 0, false, ""},
    {9920, 0, u8"保証債務", u8"保証債務", 0x08000080, 'C', 0, false, ""},
};

// Account numbers the bookings use (code = number * 10000 + sub-account).
namespace acct {
constexpr int kCash = 1110;
constexpr int kChecking = 1120;
constexpr int kSavings = 1130;
constexpr int kNotesReceivable = 1140;
constexpr int kReceivable = 1150;
constexpr int kProducts = 1160;
constexpr int kWorkInProcess = 1170;
constexpr int kMaterials = 1180;
constexpr int kPrepaid = 1190;
constexpr int kInputTax = 1200;
constexpr int kOtherReceivable = 1210;
constexpr int kSuspense = 1220;
constexpr int kDoubtfulAllowance = 1230;
constexpr int kBuildings = 1310;
constexpr int kMachinery = 1320;
constexpr int kVehicles = 1330;
constexpr int kTools = 1340;
constexpr int kLand = 1350;
constexpr int kAccumulatedDepreciation = 1360;
constexpr int kSoftware = 1410;
constexpr int kTelephoneRights = 1420;
constexpr int kSecurities = 1510;
constexpr int kGuaranteeDeposits = 1520;
constexpr int kLongPrepaid = 1530;
constexpr int kDeferredTaxAssets = 1540;
constexpr int kFoundationCosts = 1610;
constexpr int kNotesPayable = 2110;
constexpr int kPayable = 2120;
constexpr int kShortLoans = 2130;
constexpr int kOtherPayable = 2140;
constexpr int kAccruedExpenses = 2150;
constexpr int kIncomeTaxesPayable = 2160;
constexpr int kConsumptionTaxPayable = 2170;
constexpr int kWithholdings = 2180;
constexpr int kOutputTax = 2190;
constexpr int kBonusAllowance = 2200;
constexpr int kLongLoans = 2310;
constexpr int kRetirementAllowance = 2320;
constexpr int kCapital = 3110;
constexpr int kCapitalReserve = 3210;
constexpr int kOtherCapitalSurplus = 3220;
constexpr int kLegalReserve = 3310;
constexpr int kGeneralReserve = 3320;
constexpr int kRetainedBroughtForward = 3330;
constexpr int kTreasuryStock = 3410;
constexpr int kValuationDifference = 3510;
constexpr int kStockAcquisitionRights = 3610;
constexpr int kProductSales = 4110;
constexpr int kMerchandiseSales = 4120;
constexpr int kSalesReturns = 4130;
constexpr int kOpeningProducts = 5110;
constexpr int kMerchandisePurchases = 5120;
constexpr int kClosingProducts = 5140;
constexpr int kOfficerPay = 6110;
constexpr int kSalaries = 6120;
constexpr int kBonuses = 6130;
constexpr int kLegalWelfare = 6140;
constexpr int kWelfare = 6150;
constexpr int kFreight = 6160;
constexpr int kAdvertising = 6170;
constexpr int kEntertainment = 6180;
constexpr int kTravel = 6190;
constexpr int kCommunication = 6200;
constexpr int kUtilities = 6210;
constexpr int kSupplies = 6220;
constexpr int kOfficeSupplies = 6230;
constexpr int kRepairs = 6240;
constexpr int kRent = 6250;
constexpr int kInsurance = 6260;
constexpr int kTaxesAndDues = 6270;
constexpr int kFees = 6280;
constexpr int kDepreciation = 6290;
constexpr int kDoubtfulProvision = 6300;
constexpr int kBonusProvision = 6310;
constexpr int kRetirementCost = 6320;
constexpr int kMiscExpenses = 6330;
constexpr int kInterestIncome = 7110;
constexpr int kDividendIncome = 7120;
constexpr int kMiscIncome = 7130;
constexpr int kInterestExpense = 7210;
constexpr int kIncomeTaxes = 8310;
constexpr int kTaxAdjustment = 8320;
constexpr int kOpeningMaterials = 9110;
constexpr int kMaterialPurchases = 9120;
constexpr int kClosingMaterials = 9130;
constexpr int kWages = 9210;
constexpr int kFactoryBonuses = 9220;
constexpr int kSubcontracting = 9310;
constexpr int kPower = 9410;
constexpr int kWater = 9420;
constexpr int kFactoryDepreciation = 9430;
constexpr int kFactoryRepairs = 9440;
constexpr int kFactorySupplies = 9450;
constexpr int kFactoryInsurance = 9460;
constexpr int kFactoryMisc = 9470;
constexpr int kOpeningWip = 9510;
constexpr int kClosingWip = 9610;
constexpr int kGuaranteeContra = 9910;
constexpr int kGuarantee = 9920;
}  // namespace acct

constexpr int Code(int number, int sub = 0) {
    return number * 10000 + sub;
}

std::vector<std::u8string_view> SubAccountNames(int number) {
    std::vector<std::u8string_view> names;
    for (const ChartRow& row : kChart) {
        if (row.number == number && row.sub != 0) names.emplace_back(row.name);
    }
    return names;
}

// Accounts whose postings make up the year's result: income statement and manufacturing cost.
bool IsResultNature(std::uint32_t nature) {
    return (nature & 0x60000000u) != 0;
}

// ---------------------------------------------------------------------------------------------
// Random numbers: splitmix64, because the <random> distributions differ between standard
// libraries and the books must be the same everywhere for a given seed.

class Prng {
public:
    explicit Prng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // The modulo bias is far below anything the books could show.
    std::uint64_t Below(std::uint64_t n) { return Next() % n; }
    std::int64_t Between(std::int64_t low, std::int64_t high) {
        return low + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(high - low) + 1));
    }
    bool Percent(unsigned chance) { return Below(100) < chance; }

private:
    std::uint64_t state_;
};

// ---------------------------------------------------------------------------------------------
// Amounts are held as the import format holds them: ten-thousandths of a yen.

using Units = std::int64_t;
constexpr Units kYen = 10000;

constexpr Units Yen(std::int64_t yen) {
    return yen * kYen;
}

// Consumption tax at `percent`, in whole yen rounded down as invoices do; an amount with a
// fraction keeps the exact ten-thousandths instead, so fractional tax turns up too.
Units TaxOn(Units net, int percent) {
    Units tax = net * percent / 100;
    return net % kYen == 0 ? tax / kYen * kYen : tax;
}

void PutAmount(std::string& out, Units value) {
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        out += '-';
        magnitude = 0 - magnitude;
    }
    PutNumber(out, magnitude / kYen);
    unsigned fraction = static_cast<unsigned>(magnitude % kYen);
    if (fraction == 0) return;
    char digits[5] = {
        '.', static_cast<char>('0' + fraction / 1000), static_cast<char>('0' + fraction / 100 % 10),
        static_cast<char>('0' + fraction / 10 % 10), static_cast<char>('0' + fraction % 10)};
    std::size_t length = 5;
    while (digits[length - 1] == '0') --length;
    out.append(digits, length);
}

// ---------------------------------------------------------------------------------------------
// Output files

// Where a generated file or folder goes: its path in the folder being written (a temporary of
// the floor's) and the path the user knows it by, which a failure names.
struct Place {
    std::string path;
    std::string shown;
    Place Inside(const std::string& name) const { return {path + "/" + name, shown + "/" + name}; }
};

// Runs `action`; a failure of the floor inside `place` is told by the name the user knows.
template <typename Action>
void Told(const Place& place, Action action) {
    try {
        action();
    } catch (const native::Failure& failure) {
        const std::string& path = failure.Path();
        throw failure.Naming(path.starts_with(place.path)
                                 ? place.shown + path.substr(place.path.size())
                                 : place.shown);
    }
}

// A CSV file written through one large buffer: a million-entry journal is over a hundred
// megabytes, and formatting it field by field through streams would dominate the run. It is a
// temporary beside its name until Close.
class CsvFile {
public:
    explicit CsvFile(Place place) : place_(std::move(place)) {
        buffer_.reserve(kFlushSize + 4096);
        Told(place_, [&] { file_.emplace(place_.path, 0); });
    }
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    // A header row or any other row of fields that need no quoting.
    void Row(std::string_view text) {
        buffer_ += text;
        buffer_ += '\n';
        FlushIfFull();
    }

    // Quoted only when it must be (RFC 4180): a comma, a quote or a line break inside.
    CsvFile& Text(std::string_view text) {
        Separator();
        books::AppendCsvField(text, &buffer_);
        return *this;
    }
    CsvFile& Text(std::u8string_view text) { return Text(Utf8(text)); }

    CsvFile& Number(std::int64_t value) {
        Separator();
        if (value < 0) {
            buffer_ += '-';
            PutNumber(buffer_, 0 - static_cast<std::uint64_t>(value));
        } else {
            PutNumber(buffer_, static_cast<std::uint64_t>(value));
        }
        return *this;
    }
    // Zero leaves the cell empty, which the import reads as its default.
    CsvFile& NumberOrEmpty(std::int64_t value) { return value == 0 ? Empty() : Number(value); }

    CsvFile& Amount(Units value) {
        Separator();
        PutAmount(buffer_, value);
        return *this;
    }
    CsvFile& AmountOrEmpty(Units value) { return value == 0 ? Empty() : Amount(value); }

    CsvFile& Nature(std::uint32_t nature) {
        Separator();
        char digits[8];
        auto result = std::to_chars(digits, digits + sizeof digits, nature, 16);
        buffer_ += "0x";
        std::size_t length = static_cast<std::size_t>(result.ptr - digits);
        buffer_.append(8 - length, '0');
        for (char* p = digits; p != result.ptr; ++p) {
            buffer_ += static_cast<char>(*p >= 'a' ? *p - 'a' + 'A' : *p);
        }
        return *this;
    }

    CsvFile& Empty() {
        Separator();
        return *this;
    }

    void EndRow() {
        buffer_ += '\n';
        inRow_ = false;
        FlushIfFull();
    }

    void Close() {
        Flush();
        Told(place_, [&] { file_->Keep(); });
    }

private:
    static constexpr std::size_t kFlushSize = 1 << 20;

    void Separator() {
        if (inRow_) buffer_ += ',';
        inRow_ = true;
    }
    void FlushIfFull() {
        if (buffer_.size() >= kFlushSize) Flush();
    }
    void Flush() {
        Told(place_, [&] { file_->Write(buffer_); });
        buffer_.clear();
    }

    Place place_;
    std::optional<native::TempFile> file_;
    std::string buffer_;
    bool inRow_ = false;
};

void WriteWholeFile(const Place& place, std::string_view content) {
    Told(place, [&] {
        native::TempFile file(place.path, 0);
        file.Write(content);
        file.Keep();
    });
}

// A folder inside the folder being written, itself written as a temporary and renamed into
// place when `write` has filled it.
template <typename Write>
void WriteFolder(const Place& place, Write write) {
    std::optional<native::TempFolder> folder;
    Told(place, [&] { folder.emplace(place.path); });
    write(Place{folder->Path(), place.shown});
    Told(place, [&] { folder->Keep(); });
}

// ---------------------------------------------------------------------------------------------
// The fiscal year

constexpr char kDataId[] = "GEN001";

// The twelve calendar months that end with the last month the books are asked for: their days,
// the interim day (the end of the sixth month) and each date's fiscal month.
class FiscalYear {
public:
    explicit FiscalYear(std::int32_t lastMonth) {
        int month = lastMonth % 100 % 12 + 1;
        int year = lastMonth / 100 - (month == 1 ? 0 : 1);
        for (int m = 0; m < 12; ++m) {
            const int length = books::DaysInMonth(year, month);
            for (int day = 1; day <= length; ++day)
                days_.push_back(year * 10000 + month * 100 + day);
            if (m == 5) interimDay_ = days_.back();
            if (++month == 13) {
                month = 1;
                ++year;
            }
        }
    }

    int From() const { return days_.front(); }
    int To() const { return days_.back(); }
    int InterimDay() const { return interimDay_; }
    // Every day of the year as yyyymmdd.
    const std::vector<int>& Days() const { return days_; }
    // Fiscal month 0-11 of a date inside the year.
    int Month(int date) const { return books::FiscalPosition(From(), date) - 1; }

private:
    int interimDay_ = 0;
    std::vector<int> days_;
};

// ---------------------------------------------------------------------------------------------
// Journal

struct JournalLine {
    int debitCode = 0;
    Units debit = 0;
    Units debitTax = 0;
    int creditCode = 0;
    Units credit = 0;
    Units creditTax = 0;
    std::string description;
};

// Collects the lines of one entry at a time and writes them; keeps the running figures the
// settlement entries are computed from (tax paid and received, the year's result).
class Journal {
public:
    Journal(CsvFile& file, const FiscalYear& year) : file_(file), year_(year) {
        resultAccount_.assign(10000, false);
        for (const ChartRow& row : kChart) {
            if (row.sub == 0)
                resultAccount_[static_cast<std::size_t>(row.number)] = IsResultNature(row.nature);
        }
    }

    // position 0 leaves the month position to the date; kind 0 leaves it to the line count.
    void Begin(int date, int position = 0, int kind = 0) {
        date_ = date;
        position_ = position;
        kind_ = kind;
        count_ = 0;
    }

    // The line stays valid until the next Add. Lines are reused from entry to entry so that
    // their descriptions keep their storage.
    JournalLine& Add() {
        if (count_ == lines_.size()) lines_.emplace_back();
        JournalLine& line = lines_[count_++];
        line.debitCode = line.creditCode = 0;
        line.debit = line.debitTax = line.credit = line.creditTax = 0;
        line.description.clear();
        return line;
    }

    JournalLine& Add(int debitCode, Units debit, Units debitTax, int creditCode, Units credit,
                     Units creditTax) {
        JournalLine& line = Add();
        line.debitCode = debitCode;
        line.debit = debit;
        line.debitTax = debitTax;
        line.creditCode = creditCode;
        line.credit = credit;
        line.creditTax = creditTax;
        return line;
    }

    // Begins a one-line entry without tax; the caller adds the description and ends it.
    JournalLine& Simple(int date, int debitCode, int creditCode, Units amount) {
        Begin(date);
        return Add(debitCode, amount, 0, creditCode, amount, 0);
    }

    void End() {
        ++entry_;
        std::size_t month = static_cast<std::size_t>(year_.Month(date_));
        std::uint64_t voucher = ++vouchers_[month] + (month + 1) * 100000;
        for (std::size_t i = 0; i < count_; ++i) {
            JournalLine& line = lines_[i];
            ClipToSjis(line.description, kDescriptionLimit);
            file_.Text(kDataId).Number(static_cast<std::int64_t>(entry_));
            file_.Number(static_cast<std::int64_t>(voucher))
                .Number(static_cast<std::int64_t>(i + 1));
            file_.Number(date_).NumberOrEmpty(position_).NumberOrEmpty(kind_);
            if (line.debitCode != 0) {
                file_.Number(line.debitCode).Amount(line.debit).AmountOrEmpty(line.debitTax);
            } else {
                file_.Empty().Empty().Empty();
            }
            if (line.creditCode != 0) {
                file_.Number(line.creditCode).Amount(line.credit).AmountOrEmpty(line.creditTax);
            } else {
                file_.Empty().Empty().Empty();
            }
            file_.Text(line.description).EndRow();
            inputTax_ += line.debitTax;
            outputTax_ += line.creditTax;
            if (IsResult(line.debitCode)) result_ -= line.debit;
            if (IsResult(line.creditCode)) result_ += line.credit;
        }
    }

    Units InputTax() const { return inputTax_; }
    Units OutputTax() const { return outputTax_; }
    // The year's result so far (credit minus debit over income and cost accounts, tax apart).
    Units Result() const { return result_; }

private:
    bool IsResult(int code) const {
        return code != 0 && resultAccount_[static_cast<std::size_t>(code / 10000)];
    }

    CsvFile& file_;
    const FiscalYear& year_;
    std::vector<bool> resultAccount_;
    std::vector<JournalLine> lines_;
    std::size_t count_ = 0;
    int date_ = 0;
    int position_ = 0;
    int kind_ = 0;
    std::uint64_t entry_ = 0;
    // Vouchers are numbered per fiscal month: month 1 runs from 100001, month 12 from 1200001.
    std::array<std::uint64_t, 12> vouchers_{};
    Units inputTax_ = 0;
    Units outputTax_ = 0;
    Units result_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Opening balances: a going concern's balance sheet at April 1. The brought-forward retained
// earnings take whatever makes debits equal credits.

struct Opening {
    int number;
    std::int64_t debitYen;
    std::int64_t creditYen;
};

constexpr Opening kOpenings[] = {
    {acct::kCash, 480000, 0},
    {acct::kChecking, 3150000, 0},
    {acct::kSavings, 12600000, 0},
    {acct::kNotesReceivable, 1500000, 0},
    {acct::kReceivable, 8240000, 0},
    {acct::kProducts, 3200000, 0},
    {acct::kWorkInProcess, 1800000, 0},
    {acct::kMaterials, 2400000, 0},
    {acct::kPrepaid, 310000, 0},
    {acct::kDoubtfulAllowance, 0, 82000},
    {acct::kBuildings, 25000000, 0},
    {acct::kMachinery, 18000000, 0},
    {acct::kVehicles, 3000000, 0},
    {acct::kTools, 1200000, 0},
    {acct::kLand, 30000000, 0},
    {acct::kAccumulatedDepreciation, 0, 21000000},
    {acct::kSoftware, 600000, 0},
    {acct::kTelephoneRights, 150000, 0},
    {acct::kSecurities, 2000000, 0},
    {acct::kGuaranteeDeposits, 1000000, 0},
    {acct::kLongPrepaid, 120000, 0},
    {acct::kDeferredTaxAssets, 400000, 0},
    {acct::kFoundationCosts, 200000, 0},
    {acct::kNotesPayable, 0, 1200000},
    {acct::kPayable, 0, 5500000},
    {acct::kShortLoans, 0, 5000000},
    {acct::kOtherPayable, 0, 800000},
    {acct::kAccruedExpenses, 0, 400000},
    {acct::kIncomeTaxesPayable, 0, 900000},
    {acct::kConsumptionTaxPayable, 0, 700000},
    {acct::kWithholdings, 0, 350000},
    {acct::kBonusAllowance, 0, 1500000},
    {acct::kLongLoans, 0, 20000000},
    {acct::kRetirementAllowance, 0, 3000000},
    {acct::kCapital, 0, 10000000},
    {acct::kCapitalReserve, 0, 2000000},
    {acct::kOtherCapitalSurplus, 0, 500000},
    {acct::kLegalReserve, 0, 1000000},
    {acct::kGeneralReserve, 0, 5000000},
    {acct::kTreasuryStock, 300000, 0},
    {acct::kValuationDifference, 0, 200000},
    {acct::kStockAcquisitionRights, 0, 100000},
};

std::int64_t OpeningYen(int number) {
    for (const Opening& opening : kOpenings) {
        if (opening.number == number) return opening.debitYen - opening.creditYen;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Bookings

struct ExpenseKind {
    int account;
    const char8_t* text;
    std::int64_t lowYen;
    std::int64_t highYen;
    int taxPercent;  // 10 standard, 8 reduced rate, 0 outside the tax
    int creditAccount;
};

// Sales and general administration. Two texts carry an ASCII comma or quote so that the
// quoting of the CSV gets exercised; one fills the 60-byte description to the byte.
constexpr ExpenseKind kOfficeExpenses[] = {
    {acct::kTravel, u8"出張旅費　名古屋営業所訪問", 5000, 80000, 10, acct::kCash},
    {acct::kCommunication, u8"電話料金・インターネット回線使用料", 8000, 60000, 10, acct::kSavings},
    {acct::kUtilities, u8"電気料金　本社事務所", 20000, 150000, 10, acct::kSavings},
    {acct::kSupplies, u8"消耗品購入　トナーカートリッジ他", 1000, 50000, 10, acct::kCash},
    {acct::kOfficeSupplies, u8"事務用品購入　コピー用紙、ファイル", 500, 30000, 10, acct::kCash},
    {acct::kAdvertising, u8"展示会出展費用, 産業機械フェア2025", 100000, 800000, 10,
     acct::kOtherPayable},
    {acct::kAdvertising, u8"カタログ印刷 \"2025年版\" 3000部", 50000, 400000, 10,
     acct::kOtherPayable},
    {acct::kEntertainment, u8"得意先接待　会食", 10000, 120000, 10, acct::kCash},
    {acct::kWelfare, u8"社内懇親会　飲食代（軽減税率対象）", 20000, 100000, 8, acct::kCash},
    {acct::kFreight, u8"宅配便運賃　製品出荷分", 1000, 80000, 10, acct::kOtherPayable},
    {acct::kRepairs, u8"社用車修理代　ブレーキパッド交換", 10000, 200000, 10, acct::kOtherPayable},
    {acct::kRent, u8"本社事務所家賃", 250000, 250000, 10, acct::kSavings},
    {acct::kInsurance, u8"損害保険料　火災保険（本社）", 10000, 90000, 0, acct::kSavings},
    {acct::kTaxesAndDues, u8"収入印紙購入", 200, 20000, 0, acct::kCash},
    {acct::kFees, u8"振込手数料", 110, 880, 10, acct::kSavings},
    {acct::kFees, u8"海外送金手数料　米ドル建て部品代金支払分　コルレス手数料含む", 2500, 7500, 10,
     acct::kSavings},
    {acct::kMiscExpenses, u8"新聞図書費　業界紙購読料", 3000, 12000, 8, acct::kCash},
    {acct::kOfficerPay, u8"役員報酬　代表取締役", 600000, 600000, 0, acct::kSavings},
    {acct::kLegalWelfare, u8"社会保険料　会社負担分", 300000, 900000, 0, acct::kSavings},
};

constexpr ExpenseKind kFactoryExpenses[] = {
    {acct::kPower, u8"電力料　第一工場　高圧受電", 200000, 900000, 10, acct::kSavings},
    {acct::kWater, u8"上下水道料金　第一工場", 30000, 150000, 10, acct::kSavings},
    {acct::kFactoryRepairs, u8"旋盤修理　主軸ベアリング交換", 50000, 600000, 10,
     acct::kOtherPayable},
    {acct::kFactorySupplies, u8"切削工具・砥石購入", 5000, 150000, 10, acct::kOtherPayable},
    {acct::kFactoryInsurance, u8"機械保険料　第一工場", 20000, 120000, 0, acct::kSavings},
    {acct::kFactoryMisc, u8"作業服クリーニング代", 5000, 40000, 10, acct::kCash},
};

constexpr const char8_t* kProducts[] = {
    u8"精密シャフト", u8"ギヤユニット",           u8"アルミフレーム",
    u8"制御盤筐体",   u8"精密シャフト加工品一式", u8"特注ブラケット",
};
constexpr const char8_t* kMerchandise[] = {u8"汎用ベアリング", u8"産業用ボルトセット",
                                           u8"防錆潤滑剤"};
constexpr const char8_t* kMaterialsBought[] = {u8"鋼材", u8"アルミ板材", u8"樹脂ペレット",
                                               u8"ベアリング", u8"梱包資材"};

// The supplier that does the subcontracted machining (sub-account 4 of 買掛金).
constexpr int kSubcontractor = 4;

// Small books get ordinary entries only; from a few dozen on, the year closes properly.
bool Settles(std::uint64_t entries) {
    return entries >= 40;
}

// Whether the books close an interim period: they hold its settlement then.
bool ClosesInterim(const GenerateOptions& options) {
    return options.interimSettlement && Settles(options.entries);
}

class Bookings {
public:
    Bookings(Journal& journal, const FiscalYear& year, const GenerateOptions& options,
             std::int64_t scale)
        : year_(year),
          interim_(options.interimSettlement),
          outside_(options.outsidePostings),
          journal_(journal),
          prng_(options.seed),
          scale_(scale),
          days_(year.Days()),
          customers_(SubAccountNames(acct::kReceivable)),
          suppliers_(SubAccountNames(acct::kPayable)),
          checkingBanks_(SubAccountNames(acct::kChecking)),
          savingsBanks_(SubAccountNames(acct::kSavings)),
          lenders_(SubAccountNames(acct::kLongLoans)) {}

    void Write(std::uint64_t entries) {
        constexpr std::uint64_t kInterimEntries = 3;
        constexpr std::uint64_t kYearEndEntries = 11;
        bool settle = Settles(entries);
        std::uint64_t ordinary =
            settle ? entries - (interim_ ? kInterimEntries : 0) - kYearEndEntries : entries;
        bool interimWritten = !settle || !interim_;
        for (std::uint64_t k = 0; k < ordinary; ++k) {
            // Spread evenly over the year, so that every month gets its share at any size.
            int date = days_[static_cast<std::size_t>(k * days_.size() / ordinary)];
            if (!interimWritten && date > year_.InterimDay()) {
                Interim();
                interimWritten = true;
            }
            Ordinary(k, date);
        }
        if (!interimWritten) Interim();
        if (settle) YearEnd();
    }

private:
    // ---- Amount helpers

    // Balances and settlement amounts grow with the size of the books (see BalanceScale).
    Units Scaled(std::int64_t yen) const { return Yen(yen * scale_); }
    Units RandomYen(std::int64_t low, std::int64_t high, std::int64_t step = 1) {
        return Yen(prng_.Between(low / step, high / step) * step);
    }
    // About one amount in a hundred gets fraction digits, as foreign-currency items do.
    Units MaybeFraction(Units amount) {
        if (prng_.Below(100) != 0) return amount;
        return amount + static_cast<Units>(prng_.Between(1, kYen - 1));
    }
    int Customer() { return static_cast<int>(prng_.Below(customers_.size())) + 1; }
    int Supplier() { return static_cast<int>(prng_.Below(suppliers_.size())) + 1; }
    int SavingsBank() { return static_cast<int>(prng_.Below(savingsBanks_.size())) + 1; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&list)[N]) {
        return list[prng_.Below(N)];
    }

    static void PutMonth(std::string& out, int date, std::u8string_view suffix) {
        PutNumber(out, static_cast<std::uint64_t>(date / 100 % 100));
        Put(out, suffix);
    }

    // ---- Ordinary entries

    void Ordinary(std::uint64_t k, int date) {
        // A few entries of fixed kinds at fixed intervals, so that every size of books has them.
        if (k % 500 == 250 && outside_) return Guarantee(date);
        if (k % 250 == 100) return FundsTransfer(date);
        if (k % 250 == 200) return BillDiscount(date);
        if (prng_.Percent(10)) {
            switch (prng_.Below(4)) {
                case 0:
                    return Payroll(date);
                case 1:
                    return SaleWithFreight(date);
                case 2:
                    return SplitPurchase(date);
                default:
                    return PaymentWithFee(date);
            }
        }
        // Per mille, tuned so that money comes in about as fast as it goes out: receivables,
        // payables and the banks stay in a plausible range over the year.
        std::uint64_t pick = prng_.Below(1000);
        if (pick < 220) return ProductSale(date);
        if (pick < 260) return MerchandiseSale(date);
        if (pick < 405) return Collection(date);
        if (pick < 420) return NoteReceived(date);
        if (pick < 428) return NoteCollected(date);
        if (pick < 432) return SalesReturn(date);
        if (pick < 532) return MaterialPurchase(date);
        if (pick < 552) return MerchandisePurchase(date);
        if (pick < 577) return Subcontract(date);
        if (pick < 667) return Payment(date);
        if (pick < 673) return NoteIssued(date);
        if (pick < 679) return NoteSettled(date);
        if (pick < 829) return Expense(date, Pick(kOfficeExpenses));
        if (pick < 879) return Expense(date, Pick(kFactoryExpenses));
        if (pick < 889) return CashWithdrawal(date);
        if (pick < 909) return PayablePaid(date);
        if (pick < 919) return WithholdingPaid(date);
        if (pick < 929) return LoanRepayment(date);
        if (pick < 934) return LoanInterest(date);
        if (pick < 939) return DepositInterest(date);
        if (pick < 949) return TravelAdvance(date);
        if (pick < 959) return TravelSettled(date);
        if (pick < 969) return Bonus(date);
        if (pick < 984) return ScrapSale(date);
        return Dividend(date);
    }

    void ProductSale(int date) {
        int customer = Customer();
        Units net = MaybeFraction(RandomYen(50000, 2000000, 100));
        Units tax = TaxOn(net, 10);
        journal_.Begin(date);
        JournalLine& line = journal_.Add(Code(acct::kReceivable, customer), net + tax, 0,
                                         Code(acct::kProductSales), net, tax);
        Put(line.description, u8"売上　");
        Put(line.description, customers_[static_cast<std::size_t>(customer - 1)]);
        Put(line.description, u8"　");
        Put(line.description, Pick(kProducts));
        Put(line.description, u8"　");
        PutMonth(line.description, date, u8"月分");
        journal_.End();
    }

    void MerchandiseSale(int date) {
        int customer = Customer();
        Units net = RandomYen(10000, 300000, 10);
        Units tax = TaxOn(net, 10);
        journal_.Begin(date);
        JournalLine& line = journal_.Add(Code(acct::kReceivable, customer), net + tax, 0,
                                         Code(acct::kMerchandiseSales), net, tax);
        Put(line.description, u8"商品売上　");
        Put(line.description, customers_[static_cast<std::size_t>(customer - 1)]);
        Put(line.description, u8"　");
        Put(line.description, Pick(kMerchandise));
        journal_.End();
    }

    void Collection(int date) {
        int customer = Customer();
        JournalLine& line =
            journal_.Simple(date, Code(acct::kSavings, SavingsBank()),
                            Code(acct::kReceivable, customer), RandomYen(100000, 3500000));
        Put(line.description, u8"入金　");
        Put(line.description, customers_[static_cast<std::size_t>(customer - 1)]);
        Put(line.description, u8"　");
        PutMonth(line.description, date, u8"月締め分");
        journal_.End();
    }

    void NoteReceived(int date) {
        int customer = Customer();
        JournalLine& line =
            journal_.Simple(date, Code(acct::kNotesReceivable), Code(acct::kReceivable, customer),
                            RandomYen(200000, 2000000, 1000));
        Put(line.description, u8"受取手形受入　");
        Put(line.description, customers_[static_cast<std::size_t>(customer - 1)]);
        Put(line.description, u8"　No.");
        PutNumber(line.description, prng_.Below(90000) + 10000);
        journal_.End();
    }

    void NoteCollected(int date) {
        JournalLine& line =
            journal_.Simple(date, Code(acct::kChecking, 1), Code(acct::kNotesReceivable),
                            RandomYen(200000, 2000000, 1000));
        Put(line.description, u8"受取手形　期日取立入金");
        journal_.End();
    }

    // Returns are booked without tax: a debit-side tax would land on the input-tax account.
    void SalesReturn(int date) {
        int customer = Customer();
        JournalLine& line =
            journal_.Simple(date, Code(acct::kSalesReturns), Code(acct::kReceivable, customer),
                            RandomYen(5000, 200000));
        Put(line.description, u8"返品　");
        Put(line.description, customers_[static_cast<std::size_t>(customer - 1)]);
        Put(line.description, u8"　");
        Put(line.description, Pick(kProducts));
        journal_.End();
    }

    void MaterialPurchase(int date) {
        int supplier = Supplier();
        Units net = MaybeFraction(RandomYen(50000, 2000000, 10));
        Units tax = TaxOn(net, 10);
        journal_.Begin(date);
        JournalLine& line = journal_.Add(Code(acct::kMaterialPurchases), net, tax,
                                         Code(acct::kPayable, supplier), net + tax, 0);
        Put(line.description, u8"仕入　");
        Put(line.description, suppliers_[static_cast<std::size_t>(supplier - 1)]);
        Put(line.description, u8"　");
        Put(line.description, Pick(kMaterialsBought));
        journal_.End();
    }

    void MerchandisePurchase(int date) {
        int supplier = Supplier();
        Units net = RandomYen(10000, 200000, 10);
        Units tax = TaxOn(net, 10);
        journal_.Begin(date);
        JournalLine& line = journal_.Add(Code(acct::kMerchandisePurchases), net, tax,
                                         Code(acct::kPayable, supplier), net + tax, 0);
        Put(line.description, u8"商品仕入　");
        Put(line.description, suppliers_[static_cast<std::size_t>(supplier - 1)]);
        Put(line.description, u8"　");
        Put(line.description, Pick(kMerchandise));
        journal_.End();
    }

    void Subcontract(int date) {
        Units net = RandomYen(50000, 800000, 100);
        Units tax = TaxOn(net, 10);
        journal_.Begin(date);
        JournalLine& line = journal_.Add(Code(acct::kSubcontracting), net, tax,
                                         Code(acct::kPayable, kSubcontractor), net + tax, 0);
        Put(line.description, u8"外注加工　");
        Put(line.description, suppliers_[kSubcontractor - 1]);
        Put(line.description, u8"　");
        Put(line.description, Pick(kProducts));
        Put(line.description, u8"　");
        PutMonth(line.description, date, u8"月分");
        journal_.End();
    }

    void Payment(int date) {
        int supplier = Supplier();
        bool checking = prng_.Percent(20);
        int bank = checking ? Code(acct::kChecking, 1) : Code(acct::kSavings, SavingsBank());
        JournalLine& line =
            journal_.Simple(date, Code(acct::kPayable, supplier), bank, RandomYen(50000, 2200000));
        Put(line.description, u8"支払　");
        Put(line.description, suppliers_[static_cast<std::size_t>(supplier - 1)]);
        Put(line.description, u8"　");
        PutMonth(line.description, date, u8"月締め分");
        journal_.End();
    }

    void NoteIssued(int date) {
        int supplier = Supplier();
        JournalLine& line =
            journal_.Simple(date, Code(acct::kPayable, supplier), Code(acct::kNotesPayable),
                            RandomYen(100000, 1500000, 1000));
        Put(line.description, u8"支払手形振出　");
        Put(line.description, suppliers_[static_cast<std::size_t>(supplier - 1)]);
        journal_.End();
    }

    void NoteSettled(int date) {
        JournalLine& line =
            journal_.Simple(date, Code(acct::kNotesPayable), Code(acct::kChecking, 1),
                            RandomYen(100000, 1500000, 1000));
        Put(line.description, u8"支払手形　期日決済");
        journal_.End();
    }

    void Expense(int date, const ExpenseKind& kind) {
        Units net = RandomYen(kind.lowYen, kind.highYen);
        Units tax = TaxOn(net, kind.taxPercent);
        int credit = kind.creditAccount == acct::kSavings ? Code(acct::kSavings, SavingsBank())
                                                          : Code(kind.creditAccount);
        journal_.Begin(date);
        JournalLine& line = journal_.Add(Code(kind.account), net, tax, credit, net + tax, 0);
        Put(line.description, kind.text);
        journal_.End();
    }

    void CashWithdrawal(int date) {
        JournalLine& line = journal_.Simple(date, Code(acct::kCash), Code(acct::kSavings, 1),
                                            RandomYen(50000, 300000, 10000));
        Put(line.description, u8"小口現金補充　普通預金より引出");
        journal_.End();
    }

    void PayablePaid(int date) {
        JournalLine& line = journal_.Simple(date, Code(acct::kOtherPayable),
                                            Code(acct::kSavings, 1), RandomYen(50000, 1000000));
        Put(line.description, u8"未払金支払　前月計上分");
        journal_.End();
    }

    void WithholdingPaid(int date) {
        JournalLine& line = journal_.Simple(date, Code(acct::kWithholdings),
                                            Code(acct::kSavings, 1), RandomYen(300000, 1000000));
        Put(line.description, u8"源泉所得税・住民税納付　");
        PutMonth(line.description, date, u8"月分");
        journal_.End();
    }

    void LoanRepayment(int date) {
        int lender = static_cast<int>(prng_.Below(lenders_.size())) + 1;
        JournalLine& line =
            journal_.Simple(date, Code(acct::kLongLoans, lender), Code(acct::kSavings, 1),
                            Yen(prng_.Between(1, 5) * 100000));
        Put(line.description, u8"借入金返済　");
        Put(line.description, lenders_[static_cast<std::size_t>(lender - 1)]);
        journal_.End();
    }

    void LoanInterest(int date) {
        JournalLine& line = journal_.Simple(date, Code(acct::kInterestExpense),
                                            Code(acct::kSavings, 1), RandomYen(5000, 60000));
        Put(line.description, u8"借入金利息");
        journal_.End();
    }

    // Deposit interest is credited to the yen's fraction, so these amounts carry fractions.
    void DepositInterest(int date) {
        Units interest =
            Yen(prng_.Between(0, 300)) + static_cast<Units>(prng_.Between(1, kYen - 1));
        int bank = SavingsBank();
        JournalLine& line = journal_.Simple(date, Code(acct::kSavings, bank),
                                            Code(acct::kInterestIncome), interest);
        Put(line.description, u8"普通預金利息　");
        Put(line.description, savingsBanks_[static_cast<std::size_t>(bank - 1)]);
        journal_.End();
    }

    void TravelAdvance(int date) {
        JournalLine& line = journal_.Simple(date, Code(acct::kSuspense), Code(acct::kCash),
                                            RandomYen(30000, 100000, 10000));
        Put(line.description, u8"出張仮払　大阪営業所");
        journal_.End();
    }

    void TravelSettled(int date) {
        Units net = RandomYen(20000, 90000);
        Units tax = TaxOn(net, 10);
        journal_.Begin(date);
        JournalLine& line =
            journal_.Add(Code(acct::kTravel), net, tax, Code(acct::kSuspense), net + tax, 0);
        Put(line.description, u8"仮払金精算　大阪出張旅費");
        journal_.End();
    }

    void Bonus(int date) {
        bool factory = prng_.Percent(60);
        JournalLine& line =
            journal_.Simple(date, Code(factory ? acct::kFactoryBonuses : acct::kBonuses),
                            Code(acct::kSavings, 1), RandomYen(200000, 1500000, 1000));
        Put(line.description, factory ? u8"賞与支給　製造部門" : u8"賞与支給　事務部門");
        journal_.End();
    }

    // Taxable income other than sales: the credit tax sits on a non-operating account.
    void ScrapSale(int date) {
        Units net = RandomYen(3000, 120000);
        Units tax = TaxOn(net, 10);
        journal_.Begin(date);
        JournalLine& line =
            journal_.Add(Code(acct::kCash), net + tax, 0, Code(acct::kMiscIncome), net, tax);
        Put(line.description, u8"スクラップ売却収入　切粉・端材");
        journal_.End();
    }

    void Dividend(int date) {
        JournalLine& line = journal_.Simple(date, Code(acct::kSavings, 1),
                                            Code(acct::kDividendIncome), RandomYen(10000, 80000));
        Put(line.description, u8"株式配当金　投資有価証券");
        journal_.End();
    }

    // ---- Entries of a fixed kind

    // Memo bookings on the two accounts outside the aggregation; they only ever pair with each
    // other, which keeps them out of every statement total.
    void Guarantee(int date) {
        JournalLine& line =
            journal_.Simple(date, Code(acct::kGuaranteeContra), Code(acct::kGuarantee),
                            RandomYen(1000000, 10000000, 100000));
        Put(line.description, u8"債務保証　取引先借入金（対照勘定）");
        journal_.End();
    }

    void FundsTransfer(int date) {
        journal_.Begin(date, 0, 18);
        JournalLine& line =
            journal_.Add(Code(acct::kChecking, 1), 0, 0, Code(acct::kSavings, 2), 0, 0);
        line.debit = line.credit = RandomYen(500000, 5000000, 100000);
        Put(line.description, u8"資金移動　普通預金より当座預金へ");
        journal_.End();
    }

    void BillDiscount(int date) {
        Units face = RandomYen(500000, 3000000, 10000);
        Units charge = RandomYen(2000, 20000);
        journal_.Begin(date, 0, 33);
        JournalLine& discounted = journal_.Add(Code(acct::kChecking, 1), face - charge, 0,
                                               Code(acct::kNotesReceivable), face, 0);
        Put(discounted.description, u8"受取手形割引　");
        Put(discounted.description, checkingBanks_[0]);
        Put(journal_.Add(Code(acct::kInterestExpense), charge, 0, 0, 0, 0).description,
            u8"手形割引料");
        journal_.End();
    }

    // ---- Compound entries

    // Debit-only and credit-only lines: gross pay on one side, deductions and the transfer on
    // the other.
    void Payroll(int date) {
        Units office = RandomYen(400000, 1200000, 1000);
        Units factory = RandomYen(800000, 2400000, 1000);
        Units withheld = (office + factory) / 100 * 12 / kYen * kYen;
        journal_.Begin(date);
        JournalLine& first = journal_.Add(Code(acct::kSalaries), office, 0, 0, 0, 0);
        Put(first.description, u8"給与　");
        PutMonth(first.description, date, u8"月分　事務部門");
        JournalLine& second = journal_.Add(Code(acct::kWages), factory, 0, 0, 0, 0);
        Put(second.description, u8"給与　");
        PutMonth(second.description, date, u8"月分　製造部門");
        Put(journal_.Add(0, 0, 0, Code(acct::kWithholdings), withheld, 0).description,
            u8"源泉所得税・住民税・社会保険料預り");
        Put(journal_.Add(0, 0, 0, Code(acct::kSavings, 1), office + factory - withheld, 0)
                .description,
            u8"給与振込");
        journal_.End();
    }

    void SaleWithFreight(int date) {
        int customer = Customer();
        Units net = RandomYen(100000, 1500000, 100);
        Units tax = TaxOn(net, 10);
        Units freight = RandomYen(2000, 30000, 10);
        Units freightTax = TaxOn(freight, 10);
        journal_.Begin(date);
        JournalLine& sale = journal_.Add(Code(acct::kReceivable, customer), net + tax, 0,
                                         Code(acct::kProductSales), net, tax);
        Put(sale.description, u8"売上　");
        Put(sale.description, customers_[static_cast<std::size_t>(customer - 1)]);
        Put(sale.description, u8"　");
        Put(sale.description, Pick(kProducts));
        Put(journal_.Add(Code(acct::kFreight), freight, freightTax, 0, 0, 0).description,
            u8"出荷運賃　チャーター便");
        Put(journal_.Add(0, 0, 0, Code(acct::kOtherPayable), freight + freightTax, 0).description,
            u8"運送会社　月末払い");
        journal_.End();
    }

    void SplitPurchase(int date) {
        int supplier = Supplier();
        int code = Code(acct::kPayable, supplier);
        Units material = RandomYen(50000, 800000, 10);
        Units materialTax = TaxOn(material, 10);
        Units supplies = RandomYen(3000, 60000, 10);
        Units suppliesTax = TaxOn(supplies, 10);
        journal_.Begin(date);
        JournalLine& first = journal_.Add(Code(acct::kMaterialPurchases), material, materialTax,
                                          code, material + materialTax, 0);
        Put(first.description, u8"仕入　");
        Put(first.description, suppliers_[static_cast<std::size_t>(supplier - 1)]);
        Put(first.description, u8"　");
        Put(first.description, Pick(kMaterialsBought));
        Put(journal_
                .Add(Code(acct::kFactorySupplies), supplies, suppliesTax, code,
                     supplies + suppliesTax, 0)
                .description,
            u8"同梱の消耗工具");
        journal_.End();
    }

    void PaymentWithFee(int date) {
        int supplier = Supplier();
        Units amount = RandomYen(100000, 2000000);
        Units fee = Yen(prng_.Percent(50) ? 660 : 880);
        Units feeTax = TaxOn(fee, 10);
        journal_.Begin(date);
        JournalLine& payment = journal_.Add(Code(acct::kPayable, supplier), amount, 0,
                                            Code(acct::kSavings, 1), amount + fee + feeTax, 0);
        Put(payment.description, u8"支払　");
        Put(payment.description, suppliers_[static_cast<std::size_t>(supplier - 1)]);
        Put(journal_.Add(Code(acct::kFees), fee, feeTax, 0, 0, 0).description,
            u8"振込手数料　当方負担");
        journal_.End();
    }

    // ---- Settlement

    // Interim settlement (month position 15) at the end of September.
    void Interim() {
        journal_.Begin(year_.InterimDay(), 15);
        Put(journal_
                .Add(Code(acct::kDepreciation), Scaled(1250000), 0,
                     Code(acct::kAccumulatedDepreciation), Scaled(1250000), 0)
                .description,
            u8"中間決算　減価償却費計上（上期分）");
        journal_.End();
        journal_.Begin(year_.InterimDay(), 15);
        Put(journal_
                .Add(Code(acct::kBonusProvision), Scaled(1800000), 0, Code(acct::kBonusAllowance),
                     Scaled(1800000), 0)
                .description,
            u8"中間決算　賞与引当金繰入");
        journal_.End();
        journal_.Begin(year_.InterimDay(), 15);
        Put(journal_
                .Add(Code(acct::kInterestExpense), Scaled(84000), 0, Code(acct::kAccruedExpenses),
                     Scaled(84000), 0)
                .description,
            u8"中間決算　未払利息計上");
        journal_.End();
    }

    // Year-end settlement (month position 18) on the last day: inventories, depreciation,
    // allowances, accruals, the consumption-tax settlement and finally the income taxes, which
    // are worked out from the result of everything before them.
    void YearEnd() {
        Inventory(acct::kOpeningProducts, acct::kProducts, acct::kClosingProducts, u8"製品");
        Inventory(acct::kOpeningMaterials, acct::kMaterials, acct::kClosingMaterials, u8"原材料");
        Inventory(acct::kOpeningWip, acct::kWorkInProcess, acct::kClosingWip, u8"仕掛品");

        Units office = Scaled(1300000);
        Units factory = Scaled(prng_.Between(2400, 2800) * 1000);
        journal_.Begin(year_.To(), 18);
        Put(journal_
                .Add(Code(acct::kDepreciation), office, 0, Code(acct::kAccumulatedDepreciation),
                     office + factory, 0)
                .description,
            u8"決算整理　減価償却費（下期分）");
        Put(journal_.Add(Code(acct::kFactoryDepreciation), factory, 0, 0, 0, 0).description,
            u8"決算整理　減価償却費（製造部門）");
        journal_.End();

        Accrual(acct::kDoubtfulProvision, acct::kDoubtfulAllowance,
                Scaled(prng_.Between(200, 600) * 100), u8"決算整理　貸倒引当金繰入（差額補充法）");
        Accrual(acct::kBonusProvision, acct::kBonusAllowance, Scaled(200000),
                u8"決算整理　賞与引当金繰入");
        Accrual(acct::kRetirementCost, acct::kRetirementAllowance,
                Scaled(prng_.Between(300, 500) * 1000), u8"決算整理　退職給付費用");
        Accrual(acct::kPrepaid, acct::kInsurance, Scaled(prng_.Between(500, 1500) * 100),
                u8"決算整理　保険料の前払分振替");

        // Output tax is taken off against input tax; the difference is payable (or refundable).
        Units output = journal_.OutputTax();
        Units input = journal_.InputTax();
        journal_.Begin(year_.To(), 18);
        Put(journal_.Add(Code(acct::kOutputTax), output, 0, Code(acct::kInputTax), input, 0)
                .description,
            u8"決算整理　消費税等の相殺");
        if (output >= input) {
            Put(journal_.Add(0, 0, 0, Code(acct::kConsumptionTaxPayable), output - input, 0)
                    .description,
                u8"未払消費税等計上");
        } else {
            Put(journal_.Add(Code(acct::kOtherReceivable), input - output, 0, 0, 0, 0).description,
                u8"消費税等還付見込額");
        }
        journal_.End();

        Accrual(acct::kDeferredTaxAssets, acct::kTaxAdjustment, Scaled(120000),
                u8"決算整理　税効果会計");

        // Roughly the effective rate on a profit, the per-capita levy on a loss.
        Units result = journal_.Result();
        Units taxes =
            result > Yen(233333) ? result / kYen * 30 / 100 / 100 * 100 * kYen : Yen(70000);
        Accrual(acct::kIncomeTaxes, acct::kIncomeTaxesPayable, taxes,
                u8"決算整理　法人税、住民税及び事業税の計上");
    }

    // Takes the opening stock out to the cost accounts and brings the closing stock in.
    void Inventory(int opening, int stock, int closing, std::u8string_view what) {
        Units before = Scaled(OpeningYen(stock));
        // Closing stock within -10% .. +15% of the opening, in thousands of yen.
        Units after = Scaled(OpeningYen(stock) * prng_.Between(900, 1150) / 1000 / 1000 * 1000);
        journal_.Begin(year_.To(), 18);
        JournalLine& out = journal_.Add(Code(opening), before, 0, Code(stock), before, 0);
        Put(out.description, u8"決算整理　期首");
        Put(out.description, what);
        Put(out.description, u8"棚卸高振替");
        JournalLine& in = journal_.Add(Code(stock), after, 0, Code(closing), after, 0);
        Put(in.description, u8"決算整理　期末");
        Put(in.description, what);
        Put(in.description, u8"棚卸高計上");
        journal_.End();
    }

    void Accrual(int debit, int credit, Units amount, std::u8string_view text) {
        journal_.Begin(year_.To(), 18);
        Put(journal_.Add(Code(debit), amount, 0, Code(credit), amount, 0).description, text);
        journal_.End();
    }

    const FiscalYear& year_;
    bool interim_;
    bool outside_;
    Journal& journal_;
    Prng prng_;
    std::int64_t scale_;
    const std::vector<int>& days_;
    std::vector<std::u8string_view> customers_;
    std::vector<std::u8string_view> suppliers_;
    std::vector<std::u8string_view> checkingBanks_;
    std::vector<std::u8string_view> savingsBanks_;
    std::vector<std::u8string_view> lenders_;
};

// ---------------------------------------------------------------------------------------------
// The other files

void WriteCompany(const Place& dir, const GenerateOptions& options) {
    CsvFile file(dir.Inside("company.csv"));
    file.Row(
        "data_id,data_no,name,period_from,period_to,interim_closing,intro_position,companies_act,"
        "manufacturing,tax_inclusive");
    const FiscalYear year(options.yearEnd);
    file.Text(kDataId).Number(1).Text(u8"株式会社ひので精機（生成データ）").Number(year.From());
    file.Number(year.To()).Number(ClosesInterim(options) ? 1 : 0).Number(0).Number(1).Number(1);
    file.Number(options.taxInclusive ? 1 : 0);
    file.EndRow();
    file.Close();
}

void WriteUsers(const Place& dir) {
    CsvFile file(dir.Inside("users.csv"));
    file.Row("user_id,selection_no,data_no");
    file.Row("gen,1,1");
    file.Close();
}

void WriteAccounts(const Place& dir) {
    CsvFile file(dir.Inside("accounts.csv"));
    file.Row("data_id,code,name,label,nature,side,flag,no_ledger,sum_of");
    for (const ChartRow& row : kChart) {
        file.Text(kDataId).Number(Code(row.number, row.sub)).Text(std::u8string_view(row.name));
        file.Text(std::u8string_view(row.label));
        if (row.sub != 0) {
            // Sub-accounts inherit nature and side and are posting accounts.
            file.Empty().Empty().Empty().Empty().Empty();
        } else {
            file.Nature(row.nature).Text(std::string_view(&row.side, 1)).Number(row.flag);
            file.Number(row.noLedger ? 1 : 0).Text(row.sumOf);
        }
        file.EndRow();
    }
    file.Close();
}

void WriteOpenings(const Place& dir, std::int64_t scale) {
    CsvFile file(dir.Inside("openings.csv"));
    file.Row("data_id,code,debit,credit");
    std::int64_t balance = 0;
    for (const Opening& opening : kOpenings) {
        file.Text(kDataId).Number(Code(opening.number)).Amount(Yen(opening.debitYen * scale));
        file.Amount(Yen(opening.creditYen * scale)).EndRow();
        balance += (opening.debitYen - opening.creditYen) * scale;
    }
    file.Text(kDataId).Number(Code(acct::kRetainedBroughtForward)).Amount(0).Amount(Yen(balance));
    file.EndRow();
    file.Close();
}

// Statement-settings texts. They keep CR LF line ends, as the settings store holds them.
constexpr std::u8string_view kNotesSwitch = u8"Note=1\r\n";

// A note of the notes catalogue: its display group, its number in the notes text, and its
// lines.
struct NoteGroup {
    int group;
    int number;
    bool shown;
    const char8_t* title;
    std::initializer_list<const char8_t*> lines;
};

const NoteGroup kNoteGroups[] = {
    {1,
     1010010,
     true,
     u8"重要な会計方針に係る事項に関する注記",
     {u8"1. 棚卸資産の評価基準及び評価方法",
      u8"製品・仕掛品・原材料　総平均法による原価法（貸借対照表価額は収益性の低下に基づく簿価切下げ"
      u8"の方法により算定）",
      u8"2. 固定資産の減価償却の方法", u8"有形固定資産　定率法（ただし、建物は定額法）",
      u8"無形固定資産　定額法（自社利用のソフトウェアは社内における利用可能期間5年）",
      u8"3. 引当金の計上基準",
      u8"貸倒引当金　一般債権は貸倒実績率により、貸倒懸念債権等は個別に回収可能性を検討し計上してお"
      u8"ります。",
      u8"4. 消費税等の会計処理　税抜方式によっております。"}},
    {2,
     1060010,
     true,
     u8"貸借対照表に関する注記",
     {u8"1. 有形固定資産の減価償却累計額　23,500,000円",
      u8"2. 担保に供している資産　土地 30,000,000円",
      u8"3. 保証債務　取引先の金融機関借入金に対する債務保証を行っております。"}},
    {3,
     1070010,
     false,
     u8"損益計算書に関する注記",
     {u8"関係会社との取引高　該当事項はありません。"}},
    {4,
     1080010,
     true,
     u8"株主資本等変動計算書に関する注記",
     {u8"当事業年度末の発行済株式の総数　普通株式 200株",
      u8"当事業年度末の自己株式の数　普通株式 6株"}},
    {10,
     1170010,
     true,
     u8"その他の注記",
     {u8"研究開発&amp;設計部門の費用は販売費及び一般管理費に含めております。",
      u8"取得価額10万円以上20万円&lt;未満&gt;の減価償却資産は3年均等償却によっております。"}},
    {9, 1150010, false, u8"重要な後発事象に関する注記", {u8"該当事項はありません。"}},
};

std::string NotesLayout() {
    std::string text;
    Put(text, u8"InputMode=1\r\n");
    // One section per display group, in group order: the k-th section switches group k.
    constexpr int kGroups = 11;
    for (int group = 0; group < kGroups; ++group) {
        bool shown = false;
        for (const NoteGroup& note : kNoteGroups)
            shown = shown || (note.group == group && note.shown);
        Put(text, u8"[Note_");
        if (group < 10) text += '0';
        PutNumber(text, static_cast<std::uint64_t>(group));
        Put(text, shown ? u8"]\r\nDisp=1\r\n" : u8"]\r\nDisp=0\r\n");
    }
    return text;
}

std::string NotesBody() {
    std::string text;
    for (const NoteGroup& group : kNoteGroups) {
        Put(text, u8"<ID>");
        PutNumber(text, static_cast<std::uint64_t>(group.number));
        Put(text, u8"</ID>\r\n<Title>");
        Put(text, group.title);
        Put(text, u8"</Title>\r\n<Group>");
        PutNumber(text, static_cast<std::uint64_t>(group.group));
        Put(text, u8"</Group>\r\n<Disp>1</Disp>\r\n<Value>\r\n");
        for (const char8_t* line : group.lines) {
            Put(text, u8"<Line>");
            Put(text, line);
            Put(text, u8"</Line>\r\n");
        }
        Put(text, u8"</Value>\r\n");
    }
    return text;
}

void WriteNotes(const Place& dir) {
    WriteFolder(dir.Inside("notes"), [](const Place& notes) {
        WriteFolder(notes.Inside(kDataId), [](const Place& texts) {
            WriteWholeFile(texts.Inside("switch.txt"), Utf8(kNotesSwitch));
            WriteWholeFile(texts.Inside("layout.txt"), NotesLayout());
            WriteWholeFile(texts.Inside("body.txt"), NotesBody());
        });
    });
}

// The day-to-day bookings grow with the number of entries; the balances brought forward and the
// settlement amounts grow with them (one step per thousand entries), so that a million-entry
// year still looks like a business rather than a small balance sheet drowned in turnover.
std::int64_t BalanceScale(std::uint64_t entries) {
    constexpr std::uint64_t kLargest = 1000000;
    std::uint64_t scale = entries / 1000;
    return static_cast<std::int64_t>(scale < 1 ? 1 : scale > kLargest ? kLargest : scale);
}

void WriteJournal(const Place& dir, const GenerateOptions& options) {
    CsvFile file(dir.Inside("journal.csv"));
    file.Row(
        "data_id,entry,voucher,line,date,position,kind,debit_code,debit_amount,debit_tax,"
        "credit_code,credit_amount,credit_tax,description");
    const FiscalYear year(options.yearEnd);
    Journal journal(file, year);
    Bookings(journal, year, options, BalanceScale(options.entries)).Write(options.entries);
    file.Close();
}

}  // namespace

void GenerateBooks(const std::string& dir, const GenerateOptions& options) {
    // All or nothing, as any books folder: written beside DIR and renamed into its place.
    native::RequireNewFolder(dir);
    native::TempFolder folder(dir);
    const Place place{folder.Path(), folder.Target()};
    WriteCompany(place, options);
    WriteUsers(place);
    WriteAccounts(place);
    WriteOpenings(place, BalanceScale(options.entries));
    WriteJournal(place, options);
    WriteNotes(place);
    folder.Keep();
}

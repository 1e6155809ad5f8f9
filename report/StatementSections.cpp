// The balance sheet, the income statement and the statement of cost of goods manufactured:
// fixed trees of sections, each heading with the label and amount of its figure, the account
// lines under it as Item elements, and totals between them.

#include "report/ReportWriter.h"

struct ReportWriter::StatementRow {
    enum Kind {
        kStart,           // start tag without attributes
        kEnd,             // end tag
        kSection,         // start tag with the heading figure's label and amount
        kItems,           // account lines under the key, one level deeper than the row
        kBlock,           // section, its items one level deeper, end tag
        kOptionalBlock,   // a block written only when its heading figure exists
        kTotal,           // total line
        kUnclassified,    // noncurrent-asset lines without a kind; `key` 1 warns
        kIncomeTaxItems,  // the income-tax lines
    };
    int depth;
    Kind kind;
    const char* element;
    std::uint32_t key;
};

int ReportWriter::WriteStatement(XmlWriter& writer, const StatementRow* rows, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const StatementRow& row = rows[i];
        int ok = 1;
        switch (row.kind) {
            case StatementRow::kStart:
                ok = writer.WriteStartTag(line_, row.element, row.depth);
                break;
            case StatementRow::kEnd:
                ok = writer.WriteEndTag(line_, row.element, row.depth);
                break;
            case StatementRow::kSection:
                ok = WriteSectionStart(writer, row.key, row.element, row.depth);
                break;
            case StatementRow::kItems:
                ok = WriteAccountItems(writer, row.key, row.depth + 1);
                break;
            case StatementRow::kOptionalBlock:
                if (!FindFigure(row.key, nullptr)) break;
                [[fallthrough]];
            case StatementRow::kBlock:
                ok = WriteSectionStart(writer, row.key, row.element, row.depth) &&
                     WriteAccountItems(writer, row.key, row.depth + 1) &&
                     writer.WriteEndTag(line_, row.element, row.depth);
                break;
            case StatementRow::kTotal:
                ok = WriteTotalLine(writer, row.key, row.element, row.depth);
                break;
            case StatementRow::kUnclassified:
                ok = WriteUnclassifiedFixedAssets(writer, row.depth + 1, row.key == 1 ? 1 : 0);
                break;
            case StatementRow::kIncomeTaxItems:
                ok = WriteIncomeTaxItems(writer, row.depth + 1);
                break;
        }
        if (!ok) return 0;
    }
    return 1;
}

int ReportWriter::BalanceSheet(XmlWriter* writer) {
    if (!writer) return 0;
    using R = StatementRow;
    static const R kRows[] = {
        {2, R::kStart, "BalanceSheet", 0},
        {3, R::kSection, "Assets", 0x80800000},
        {4, R::kBlock, "CurrentAssets", 0x80880000},
        {4, R::kSection, "NoncurrentAssets", 0x80840000},
        {5, R::kSection, "PropertyPlantAndEquipment", 0x80848000},
        {5, R::kItems, nullptr, 0x80848000},
        {5, R::kUnclassified, nullptr, 1},
        {5, R::kEnd, "PropertyPlantAndEquipment", 0},
        {5, R::kSection, "IntangibleAssets", 0x80844000},
        {5, R::kItems, nullptr, 0x80844000},
        {5, R::kUnclassified, nullptr, 0},
        {5, R::kEnd, "IntangibleAssets", 0},
        {5, R::kSection, "InvestmentsAndOtherAssets", 0x80842000},
        {5, R::kItems, nullptr, 0x80842000},
        {5, R::kUnclassified, nullptr, 0},
        {5, R::kEnd, "InvestmentsAndOtherAssets", 0},
        {4, R::kEnd, "NoncurrentAssets", 0},
        {4, R::kBlock, "DeferredAssets", 0x80820000},
        {3, R::kEnd, "Assets", 0},
        {3, R::kSection, "Liabilities", 0x80400000},
        {4, R::kBlock, "CurrentLiabilities", 0x80480000},
        {4, R::kBlock, "NoncurrentLiabilities", 0x80440000},
        {3, R::kEnd, "Liabilities", 0},
        {3, R::kBlock, "NetAssets", 0x80200000},
        {2, R::kEnd, "BalanceSheet", 0},
    };
    return WriteStatement(*writer, kRows, std::size(kRows));
}

int ReportWriter::IncomeStatement(XmlWriter* writer) {
    if (!writer) return 0;
    using R = StatementRow;
    static const R kRows[] = {
        {2, R::kStart, "IncomeStatement", 0},
        {3, R::kBlock, "NetSales", 0x40888000},
        {3, R::kBlock, "CostOfSales", 0x40884000},
        {3, R::kTotal, "GrossProfit", 0x40880008},
        {3, R::kBlock, "SellingGeneralAndAdministrativeExpenses", 0x40882000},
        {3, R::kTotal, "OperatingIncome", 0x40880000},
        {3, R::kBlock, "NonOperatingIncome", 0x40848000},
        {3, R::kBlock, "NonOperatingExpenses", 0x40844000},
        {3, R::kTotal, "OrdinaryIncome", 0x40800000},
        {3, R::kBlock, "ExtraordinaryIncome", 0x40480000},
        {3, R::kBlock, "ExtraordinaryLoss", 0x40440000},
        {3, R::kTotal, "IncomeBeforeIncomeTaxes", 0x40200080},
        {3, R::kStart, "IncomeTaxes", 0},
        {3, R::kIncomeTaxItems, nullptr, 0x40200000},
        {3, R::kEnd, "IncomeTaxes", 0},
        {3, R::kTotal, "NetIncome", 0x40200040},
        {2, R::kEnd, "IncomeStatement", 0},
    };
    return WriteStatement(*writer, kRows, std::size(kRows));
}

int ReportWriter::ScheduleCostGoodsManufactured(XmlWriter* writer) {
    if (!writer) return 0;
    using R = StatementRow;
    static const R kRows[] = {
        {2, R::kStart, "ScheduleCostGoodsManufactured", 0},
        {3, R::kBlock, "MaterialCost", 0x20800000},
        {3, R::kBlock, "LaborCost", 0x20400000},
        {3, R::kOptionalBlock, "SubcontractCost", 0x20040000},
        {3, R::kBlock, "OverheadExpenses", 0x20200000},
        {3, R::kTotal, "TotalProductionCostUtilized", 0x20080000},
        {3, R::kBlock, "WorkProcessBeginningInventories", 0x20108000},
        {3, R::kTotal, "SubtotalScheduleCostGoodsManufactured", 0x20100008},
        {3, R::kBlock, "WorkProcessClosingInventories", 0x20102000},
        {3, R::kTotal, "CostFinishedGoods", 0x40884200},
        {2, R::kEnd, "ScheduleCostGoodsManufactured", 0},
    };
    return WriteStatement(*writer, kRows, std::size(kRows));
}

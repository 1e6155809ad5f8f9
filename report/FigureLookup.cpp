// What the statement sections share: the label cleaner, the figure look-ups and the writers of
// headings, account lines and totals.

#include <cstdio>
#include <cstring>
#include <string>

#include "common/Messages.h"
#include "common/Sjis.h"
#include "common/StatementLabel.h"
#include "report/ReportWriter.h"

namespace {

// Whole yen, truncated toward zero.
std::int64_t Yen(std::int64_t tenThousandths) {
    return tenThousandths / 10000;
}

// An amount's text; empty for 0 where the heading or total leaves it out.
std::string AmountText(std::int64_t tenThousandths, bool emptyWhenZero) {
    std::int64_t yen = Yen(tenThousandths);
    if (yen == 0 && emptyWhenZero) return "";
    return std::to_string(yen);
}

}  // namespace

int ReportWriter::CleanLabel(const char* source, std::size_t length,
                             char (&destination)[kLabelBuffer]) {
    if (!source || length == 0 || source[0] == '\0') return 0;
    std::string_view text(source, std::min(length, kLabelBuffer - 1));
    // Most labels hold none of the bytes a mark begins with: they are copied as they are.
    std::size_t plain = 0;
    for (; plain < text.size(); ++plain) {
        const unsigned char c = static_cast<unsigned char>(text[plain]);
        if (c == '\0' || c == ' ' || c == 0x81 || c == '(' || c == '[') break;
    }
    if (plain == text.size() || text[plain] == '\0') {
        std::memcpy(destination, text.data(), plain);
        destination[plain] = '\0';
        return 1;
    }
    destination[sjis::CopyWithoutLabelMarks(text, destination)] = '\0';
    return 1;
}

int ReportWriter::FindFigure(std::uint32_t key, std::size_t* position) const {
    for (std::size_t i = 0; i < figures_.size(); ++i) {
        if (figures_[i] && figures_[i]->nature == key) {
            if (position) *position = i;
            return 1;
        }
    }
    return 0;
}

int ReportWriter::CollectFigures(std::uint32_t key, bool exact, FigureCopies* copies) const {
    copies->clear();
    try {
        for (const auto& figure : figures_) {
            if (!figure || (figure->exclusion != 0 && figure->exclusion != 3)) continue;
            if (exact ? figure->nature == key : (figure->nature & key) == key)
                copies->push_back(*figure);
        }
    } catch (const std::bad_alloc&) {
        copies->clear();
        return 0;
    }
    return 1;
}

int ReportWriter::CollectFiguresUnder(std::uint32_t key, FigureCopies* copies) const {
    return CollectFigures(key, false, copies);
}

int ReportWriter::CollectFiguresExact(std::uint32_t key, FigureCopies* copies) const {
    return CollectFigures(key, true, copies);
}

int ReportWriter::WriteSectionStart(XmlWriter& writer, std::uint32_t key, const char* element,
                                    int depth) {
    std::size_t position = 0;
    if (!FindFigure(key, &position)) return writer.WriteStartTag(line_, element, depth);
    const AccountFigure& figure = *figures_[position];
    char label[kLabelBuffer] = {};
    CleanLabel(figure.name, std::strlen(figure.name), label);
    std::string amount = AmountText(figure.closing, true);
    return writer.WriteStartTag(line_, element, depth, "Label", label, "Amount", amount.c_str());
}

int ReportWriter::WriteItems(XmlWriter& writer, const FigureCopies& copies, int depth) {
    for (const AccountFigure& figure : copies) {
        if (Yen(figure.closing) == 0) continue;
        char label[kLabelBuffer] = {};
        CleanLabel(figure.name, std::strlen(figure.name), label);
        std::string amount = AmountText(figure.closing, false);
        if (!writer.WriteElement(line_, "Item", amount.c_str(), depth, "Label", label)) return 0;
    }
    return 1;
}

int ReportWriter::WriteAccountItems(XmlWriter& writer, std::uint32_t key, int depth) {
    FigureCopies copies;
    if (!CollectFiguresUnder(key, &copies)) return 0;
    return WriteItems(writer, copies, depth);
}

int ReportWriter::WriteTotalLine(XmlWriter& writer, std::uint32_t key, const char* element,
                                 int depth) {
    std::size_t position = 0;
    if (!FindFigure(key, &position)) return 1;  // a missing total is left out
    const AccountFigure& figure = *figures_[position];
    char label[kLabelBuffer] = {};
    if (!CleanLabel(figure.label, std::strlen(figure.label), label) || label[0] == '\0') {
        label[0] = '\0';
        CleanLabel(figure.name, std::strlen(figure.name), label);
    }
    std::string amount = AmountText(figure.closing, true);
    return writer.WriteElement(line_, element, "", depth, "Label", label, "Amount", amount.c_str());
}

int ReportWriter::WriteUnclassifiedFixedAssets(XmlWriter& writer, int depth, int warn) {
    // Lines classified only as noncurrent assets, not as one of its three kinds.
    static constexpr std::uint32_t kKeys[] = {0x80840000, 0x80840008, 0x80840004};
    for (std::uint32_t key : kKeys) {
        FigureCopies copies;
        if (!CollectFiguresExact(key, &copies)) return 0;
        for (const AccountFigure& figure : copies) {
            if (Yen(figure.closing) == 0) continue;
            if (warn == 1 && ownerWindow_ != kNoWindow) {
                char text[1024];
                std::snprintf(
                    text, sizeof(text),
                    "以下の科目は、正しい分類に出力することができません。\r\n科目性格を見直す必要が"
                    "あります。"
                    "\r\n\r\n科目コード\t： %d\r\n正式名称\t： "
                    "%s\r\n\r\n記帳丸の勘定科目設定画面にて、科目性格を\r\n"
                    " [有形固定資産] [無形固定資産] "
                    "[投資その他の資産]\r\nのいずれかに設定し、もう一度処理を行ってください。\r\n",
                    static_cast<int>(figure.code / 10000), figure.name);
                platform_.messages.Show(ownerWindow_, text, messages::kCaption,
                                        mb::kOk | mb::kIconWarning);
            }
            FigureCopies one{figure};
            if (!WriteItems(writer, one, depth)) return 0;
        }
    }
    return 1;
}

int ReportWriter::WriteIncomeTaxItems(XmlWriter& writer, int depth) {
    FigureCopies copies;
    if (!CollectFiguresUnder(0x40200000, &copies)) return 0;
    // The totals and retained-earnings lines under the same key are not tax items.
    std::erase_if(copies, [](const AccountFigure& figure) {
        return figure.nature == 0x40200080 || figure.nature == 0x40200020 ||
               figure.nature == 0x40200010;
    });
    return WriteItems(writer, copies, depth);
}

#include "workbook/sheet_writer.h"

#include <algorithm>

namespace {

bool isLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// One side of a reference: letters and/or digits ("A1", "A", "10").
struct Part {
    int column = 0; // 0: no letters
    int row = 0;    // 0: no digits
};

std::optional<Part> parsePart(QStringView text) {
    Part part;
    qsizetype i = 0;
    while (i < text.size() && isLetter(text[i])) {
        part.column = part.column * 26 + (text[i].toUpper().unicode() - u'A' + 1);
        if (part.column > CellRange::kMaxColumn)
            return std::nullopt;
        ++i;
    }
    while (i < text.size() && isDigit(text[i])) {
        part.row = part.row * 10 + (text[i].unicode() - u'0');
        if (part.row > CellRange::kMaxRow)
            return std::nullopt;
        ++i;
    }
    if (i != text.size() || (part.column == 0 && part.row == 0))
        return std::nullopt;
    return part;
}

} // namespace

std::optional<CellRange> parseReference(QStringView reference) {
    const QStringView text = reference.trimmed();
    const qsizetype colon = text.indexOf(u':');
    const auto first = parsePart(colon < 0 ? text : text.first(colon));
    const auto last = colon < 0 ? first : parsePart(text.sliced(colon + 1));
    if (!first || !last)
        return std::nullopt;

    CellRange range;
    if (first->row == 0 && last->row == 0 && colon >= 0) { // "A:A", "D:G"
        range.wholeColumns = true;
        range.firstRow = 1;
        range.lastRow = CellRange::kMaxRow;
    } else if (first->row > 0 && last->row > 0 && first->column > 0 && last->column > 0) {
        range.firstRow = std::min(first->row, last->row);
        range.lastRow = std::max(first->row, last->row);
    } else {
        return std::nullopt; // rows only, or a lone column letter
    }
    if (first->column == 0 || last->column == 0)
        return std::nullopt;
    range.firstColumn = std::min(first->column, last->column);
    range.lastColumn = std::max(first->column, last->column);
    return range;
}

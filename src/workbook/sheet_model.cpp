#include "workbook/sheet_model.h"

#include "state/number_rules.h"

#include <algorithm>

namespace {

// A block larger than this is formatted only where cells already exist, so that a
// mistyped reference cannot allocate millions of cells.
constexpr qint64 kMaxBlockCells = 65536;

QString describe(const PropertyValue& value) {
    if (const bool* b = std::get_if<bool>(&value))
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    if (const int* i = std::get_if<int>(&value))
        return QString::number(*i);
    return QLatin1Char('"') + std::get<QString>(value) + QLatin1Char('"');
}

QString describe(const CellValue& value) {
    if (const double* d = std::get_if<double>(&value))
        return QString::number(*d, 'g', 17);
    if (const QString* s = std::get_if<QString>(&value))
        return QLatin1Char('"') + *s + QLatin1Char('"');
    return QStringLiteral("blank");
}

QString propertyName(SheetProperty property) {
    switch (property) {
    case SheetProperty::HorizontalAlignment:
        return QStringLiteral("HorizontalAlignment");
    case SheetProperty::VerticalAlignment:
        return QStringLiteral("VerticalAlignment");
    case SheetProperty::WrapText:
        return QStringLiteral("WrapText");
    case SheetProperty::Orientation:
        return QStringLiteral("Orientation");
    case SheetProperty::AddIndent:
        return QStringLiteral("AddIndent");
    case SheetProperty::IndentLevel:
        return QStringLiteral("IndentLevel");
    case SheetProperty::ShrinkToFit:
        return QStringLiteral("ShrinkToFit");
    case SheetProperty::ReadingOrder:
        return QStringLiteral("ReadingOrder");
    case SheetProperty::MergeCells:
        return QStringLiteral("MergeCells");
    case SheetProperty::NumberFormat:
        return QStringLiteral("NumberFormat");
    case SheetProperty::Bold:
        return QStringLiteral("Bold");
    }
    return {};
}

template <typename T> std::optional<T> as(const PropertyValue& value) {
    if (const T* v = std::get_if<T>(&value))
        return *v;
    return std::nullopt;
}

} // namespace

CellValue cellValueOf(const TaggedValue& value) {
    switch (value.kind()) {
    case TaggedValue::Kind::Empty:
        return std::monostate{};
    case TaggedValue::Kind::Text: {
        const QString& text = *value.text();
        if (text.isEmpty())
            return std::monostate{};
        // One pass of the number test gives the number too.
        const QString canonical = numbers::canonicalDecimal(text, QLocale());
        if (!canonical.isEmpty())
            return canonical.toDouble();
        return text;
    }
    case TaggedValue::Kind::Whole:
    case TaggedValue::Kind::Double:
    case TaggedValue::Kind::Fixed:
        return value.numeric();
    }
    return std::monostate{};
}

void CellStyle::apply(SheetProperty property, const PropertyValue& value) {
    switch (property) {
    case SheetProperty::HorizontalAlignment:
        horizontal = as<int>(value);
        break;
    case SheetProperty::VerticalAlignment:
        vertical = as<int>(value);
        break;
    case SheetProperty::WrapText:
        wrap = as<bool>(value);
        break;
    case SheetProperty::Orientation:
        orientation = as<int>(value);
        break;
    case SheetProperty::AddIndent:
        addIndent = as<bool>(value);
        break;
    case SheetProperty::IndentLevel:
        indentLevel = as<int>(value);
        break;
    case SheetProperty::ShrinkToFit:
        shrinkToFit = as<bool>(value);
        break;
    case SheetProperty::ReadingOrder:
        readingOrder = as<int>(value);
        break;
    case SheetProperty::Bold:
        bold = as<bool>(value);
        break;
    case SheetProperty::NumberFormat:
        numberFormat = as<QString>(value).value_or(QString());
        break;
    case SheetProperty::MergeCells:
        break; // a property of the block, not of its cells
    }
}

SheetModel::Operation& SheetModel::record(Operation::Kind kind, QStringView reference) {
    Operation& op = m_operations.emplace_back();
    op.kind = kind;
    op.reference = reference.toString();
    return op;
}

SheetModel::Cell& SheetModel::cellAt(int row, int column) {
    const auto [it, inserted] = m_cells.try_emplace(CellKey{column, row});
    if (inserted)
        it->second.style = columnStyle(column); // a new cell takes its column's format
    return it->second;
}

void SheetModel::writeValue(int row, int column, const TaggedValue& value) {
    Cell& cell = cellAt(row, column);
    cell.value = cellValueOf(value);
    Operation& op = record(Operation::Value);
    op.row = row;
    op.column = column;
    op.value = cell.value;
}

void SheetModel::setRangeValue(QStringView reference, const TaggedValue& value) {
    const auto range = parseReference(reference);
    if (!range || range->wholeColumns) {
        record(Operation::Ignored, reference);
        return;
    }
    writeValue(range->firstRow, range->firstColumn, value);
}

void SheetModel::setCellValue(int row, int column, const TaggedValue& value) {
    if (row < 1 || row > CellRange::kMaxRow || column < 1 || column > CellRange::kMaxColumn) {
        Operation& op = record(Operation::Ignored);
        op.row = row;
        op.column = column;
        return;
    }
    writeValue(row, column, value);
}

void SheetModel::setRangeProperty(QStringView reference, SheetProperty property, const PropertyValue& value) {
    const auto range = parseReference(reference);
    Operation& op = record(Operation::RangeProperty, reference);
    op.property = property;
    op.propertyValue = value;
    if (!range)
        return;
    if (property == SheetProperty::MergeCells) {
        if (as<bool>(value).value_or(false)) {
            mergeRange(reference);
        } else {
            std::erase_if(m_merges, [&](const CellRange& m) { return m.intersects(*range); });
        }
        return;
    }
    if (range->wholeColumns) {
        for (int column = range->firstColumn; column <= range->lastColumn; ++column)
            m_columnStyles[column].apply(property, value);
    }
    const qint64 area =
        qint64(range->lastRow - range->firstRow + 1) * (range->lastColumn - range->firstColumn + 1);
    if (area <= kMaxBlockCells) {
        for (int row = range->firstRow; row <= range->lastRow; ++row)
            for (int column = range->firstColumn; column <= range->lastColumn; ++column)
                cellAt(row, column).style.apply(property, value);
    } else {
        for (auto& [key, cell] : m_cells)
            if (range->contains(key.row, key.column))
                cell.style.apply(property, value);
    }
}

void SheetModel::mergeRange(QStringView reference) {
    const auto range = parseReference(reference);
    record(Operation::Merge, reference);
    if (!range || range->wholeColumns)
        return;
    std::erase_if(m_merges, [&](const CellRange& m) { return m.intersects(*range); });
    m_merges.push_back(*range);
    // Only the top-left value survives; the block's cells are found column by column.
    for (int column = range->firstColumn; column <= range->lastColumn; ++column)
        for (auto it = m_cells.lower_bound(CellKey{column, range->firstRow});
             it != m_cells.end() && it->first.column == column && it->first.row <= range->lastRow; ++it)
            if (it->first.row != range->firstRow || column != range->firstColumn)
                it->second.value = std::monostate{};
}

void SheetModel::setColumnWidth(QStringView columns, double width) {
    const auto range = parseReference(columns);
    record(Operation::Width, columns).width = width;
    if (!range)
        return;
    for (int column = range->firstColumn; column <= range->lastColumn; ++column)
        m_columnWidths[column] = width;
}

void SheetModel::setColumnProperty(QStringView columns, SheetProperty property, const PropertyValue& value) {
    const auto range = parseReference(columns);
    Operation& op = record(Operation::ColumnProperty, columns);
    op.property = property;
    op.propertyValue = value;
    if (!range || property == SheetProperty::MergeCells)
        return;
    for (int column = range->firstColumn; column <= range->lastColumn; ++column)
        m_columnStyles[column].apply(property, value);
    for (auto it = m_cells.lower_bound(CellKey{range->firstColumn, 0});
         it != m_cells.end() && it->first.column <= range->lastColumn; ++it)
        it->second.style.apply(property, value);
}

void SheetModel::show() {
    record(Operation::Show);
    m_shown = true;
}

void SheetModel::setPageHeader(const PageTexts& texts) {
    record(Operation::Header).reference = texts.left + u'|' + texts.centre + u'|' + texts.right;
    m_pageHeader = texts;
}

void SheetModel::setPageFooter(const PageTexts& texts) {
    record(Operation::Footer).reference = texts.left + u'|' + texts.centre + u'|' + texts.right;
    m_pageFooter = texts;
}

void SheetModel::keepRowsTogether(int firstRow, int lastRow) {
    Operation& op = record(Operation::Keep);
    op.row = firstRow;
    op.column = lastRow;
    if (firstRow >= 1 && lastRow > firstRow)
        m_keptTogether.emplace_back(firstRow, lastRow);
}

CellValue SheetModel::value(int row, int column) const {
    const auto it = m_cells.find(CellKey{column, row});
    return it == m_cells.end() ? CellValue{} : it->second.value;
}

CellStyle SheetModel::style(int row, int column) const {
    const auto it = m_cells.find(CellKey{column, row});
    return it == m_cells.end() ? columnStyle(column) : it->second.style;
}

std::optional<CellRange> SheetModel::mergeAt(int row, int column) const {
    for (const CellRange& m : m_merges)
        if (m.contains(row, column))
            return m;
    return std::nullopt;
}

std::optional<double> SheetModel::columnWidth(int column) const {
    const auto it = m_columnWidths.find(column);
    if (it == m_columnWidths.end())
        return std::nullopt;
    return it->second;
}

CellStyle SheetModel::columnStyle(int column) const {
    const auto it = m_columnStyles.find(column);
    return it == m_columnStyles.end() ? CellStyle{} : it->second;
}

int SheetModel::lastRow() const {
    int last = 0;
    for (const auto& [key, cell] : m_cells)
        if (!std::holds_alternative<std::monostate>(cell.value))
            last = std::max(last, key.row);
    return last;
}

QStringList SheetModel::operations() const {
    QStringList lines;
    lines.reserve(qsizetype(m_operations.size()));
    for (const Operation& op : m_operations) {
        switch (op.kind) {
        case Operation::Value:
            lines << QStringLiteral("cell %1,%2 = %3").arg(op.row).arg(op.column).arg(describe(op.value));
            break;
        case Operation::Ignored:
            lines << (op.reference.isEmpty()
                          ? QStringLiteral("ignored value for %1,%2").arg(op.row).arg(op.column)
                          : QStringLiteral("ignored value for %1").arg(op.reference));
            break;
        case Operation::RangeProperty:
            lines << QStringLiteral("range %1 %2 = %3")
                         .arg(op.reference, propertyName(op.property), describe(op.propertyValue));
            break;
        case Operation::Merge:
            lines << QStringLiteral("merge %1").arg(op.reference);
            break;
        case Operation::Width:
            lines << QStringLiteral("columns %1 ColumnWidth = %2").arg(op.reference).arg(op.width);
            break;
        case Operation::ColumnProperty:
            lines << QStringLiteral("columns %1 %2 = %3")
                         .arg(op.reference, propertyName(op.property), describe(op.propertyValue));
            break;
        case Operation::Show:
            lines << QStringLiteral("show");
            break;
        case Operation::Header:
            lines << QStringLiteral("page header %1").arg(op.reference);
            break;
        case Operation::Footer:
            lines << QStringLiteral("page footer %1").arg(op.reference);
            break;
        case Operation::Keep:
            lines << QStringLiteral("keep rows %1-%2 together").arg(op.row).arg(op.column);
            break;
        }
    }
    return lines;
}

bool SheetModel::sameSheet(const SheetModel& other) const {
    return m_cells == other.m_cells && m_merges == other.m_merges && m_columnWidths == other.m_columnWidths &&
           m_columnStyles == other.m_columnStyles;
}

#include "workbook/sheet_model.h"

#include "state/number_rules.h"

#include <algorithm>

namespace {

// A block larger than this is formatted only where cells already exist, so that a
// mistyped reference cannot allocate millions of cells.
constexpr qint64 kMaxBlockCells = 65536;

QString describe(const PropertyValue& value)
{
    if (const bool* b = std::get_if<bool>(&value))
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    if (const int* i = std::get_if<int>(&value))
        return QString::number(*i);
    return QLatin1Char('"') + std::get<QString>(value) + QLatin1Char('"');
}

QString describe(const CellValue& value)
{
    if (const double* d = std::get_if<double>(&value))
        return QString::number(*d, 'g', 17);
    if (const QString* s = std::get_if<QString>(&value))
        return QLatin1Char('"') + *s + QLatin1Char('"');
    return QStringLiteral("blank");
}

QString propertyName(SheetProperty property)
{
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

template <typename T> std::optional<T> as(const PropertyValue& value)
{
    if (const T* v = std::get_if<T>(&value))
        return *v;
    return std::nullopt;
}

} // namespace

CellValue cellValueOf(const TaggedValue& value)
{
    switch (value.kind()) {
    case TaggedValue::Kind::Empty:
        return std::monostate{};
    case TaggedValue::Kind::Text: {
        const QString& text = *value.text();
        if (text.isEmpty())
            return std::monostate{};
        if (numbers::isNumber(text))
            return numbers::toNumber(text);
        return text;
    }
    case TaggedValue::Kind::Whole:
    case TaggedValue::Kind::Double:
    case TaggedValue::Kind::Fixed:
        return value.numeric();
    }
    return std::monostate{};
}

void CellStyle::apply(SheetProperty property, const PropertyValue& value)
{
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

SheetModel::Cell& SheetModel::cellAt(int row, int column)
{
    const auto [it, inserted] = m_cells.try_emplace({row, column});
    if (inserted)
        it->second.style = columnStyle(column); // a new cell takes its column's format
    return it->second;
}

void SheetModel::writeValue(int row, int column, const TaggedValue& value)
{
    Cell& cell = cellAt(row, column);
    cell.value = cellValueOf(value);
    m_operations << QStringLiteral("cell %1,%2 = %3").arg(row).arg(column).arg(describe(cell.value));
}

void SheetModel::setRangeValue(QStringView reference, const TaggedValue& value)
{
    const auto range = parseReference(reference);
    if (!range || range->wholeColumns) {
        m_operations << QStringLiteral("ignored value for %1").arg(reference);
        return;
    }
    writeValue(range->firstRow, range->firstColumn, value);
}

void SheetModel::setCellValue(int row, int column, const TaggedValue& value)
{
    if (row < 1 || row > CellRange::kMaxRow || column < 1 || column > CellRange::kMaxColumn) {
        m_operations << QStringLiteral("ignored value for %1,%2").arg(row).arg(column);
        return;
    }
    writeValue(row, column, value);
}

void SheetModel::setRangeProperty(QStringView reference, SheetProperty property, const PropertyValue& value)
{
    const auto range = parseReference(reference);
    m_operations << QStringLiteral("range %1 %2 = %3").arg(reference, propertyName(property), describe(value));
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
    const qint64 area = qint64(range->lastRow - range->firstRow + 1) * (range->lastColumn - range->firstColumn + 1);
    if (area <= kMaxBlockCells) {
        for (int row = range->firstRow; row <= range->lastRow; ++row)
            for (int column = range->firstColumn; column <= range->lastColumn; ++column)
                cellAt(row, column).style.apply(property, value);
    } else {
        for (auto& [key, cell] : m_cells)
            if (range->contains(key.first, key.second))
                cell.style.apply(property, value);
    }
}

void SheetModel::mergeRange(QStringView reference)
{
    const auto range = parseReference(reference);
    m_operations << QStringLiteral("merge %1").arg(reference);
    if (!range || range->wholeColumns)
        return;
    std::erase_if(m_merges, [&](const CellRange& m) { return m.intersects(*range); });
    m_merges.push_back(*range);
    // Only the top-left value survives.
    for (auto& [key, cell] : m_cells) {
        if (range->contains(key.first, key.second)
            && (key.first != range->firstRow || key.second != range->firstColumn))
            cell.value = std::monostate{};
    }
}

void SheetModel::setColumnWidth(QStringView columns, double width)
{
    const auto range = parseReference(columns);
    m_operations << QStringLiteral("columns %1 ColumnWidth = %2").arg(columns).arg(width);
    if (!range)
        return;
    for (int column = range->firstColumn; column <= range->lastColumn; ++column)
        m_columnWidths[column] = width;
}

void SheetModel::setColumnProperty(QStringView columns, SheetProperty property, const PropertyValue& value)
{
    const auto range = parseReference(columns);
    m_operations << QStringLiteral("columns %1 %2 = %3").arg(columns, propertyName(property), describe(value));
    if (!range || property == SheetProperty::MergeCells)
        return;
    for (int column = range->firstColumn; column <= range->lastColumn; ++column)
        m_columnStyles[column].apply(property, value);
    for (auto& [key, cell] : m_cells)
        if (key.second >= range->firstColumn && key.second <= range->lastColumn)
            cell.style.apply(property, value);
}

void SheetModel::show()
{
    m_operations << QStringLiteral("show");
    m_shown = true;
}

CellValue SheetModel::value(int row, int column) const
{
    const auto it = m_cells.find({row, column});
    return it == m_cells.end() ? CellValue{} : it->second.value;
}

CellStyle SheetModel::style(int row, int column) const
{
    const auto it = m_cells.find({row, column});
    return it == m_cells.end() ? columnStyle(column) : it->second.style;
}

std::optional<CellRange> SheetModel::mergeAt(int row, int column) const
{
    for (const CellRange& m : m_merges)
        if (m.contains(row, column))
            return m;
    return std::nullopt;
}

std::optional<double> SheetModel::columnWidth(int column) const
{
    const auto it = m_columnWidths.find(column);
    if (it == m_columnWidths.end())
        return std::nullopt;
    return it->second;
}

CellStyle SheetModel::columnStyle(int column) const
{
    const auto it = m_columnStyles.find(column);
    return it == m_columnStyles.end() ? CellStyle{} : it->second;
}

int SheetModel::lastRow() const
{
    int last = 0;
    for (const auto& [key, cell] : m_cells)
        if (!std::holds_alternative<std::monostate>(cell.value))
            last = std::max(last, key.first);
    return last;
}

bool SheetModel::sameSheet(const SheetModel& other) const
{
    return m_cells == other.m_cells && m_merges == other.m_merges && m_columnWidths == other.m_columnWidths
           && m_columnStyles == other.m_columnStyles;
}

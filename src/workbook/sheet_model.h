#pragma once

#include "workbook/sheet_writer.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <map>
#include <optional>
#include <variant>
#include <vector>

// What a cell holds: nothing (blank), a number or a text.
using CellValue = std::variant<std::monostate, double, QString>;

// The value a spreadsheet stores for a plan value: numbers as numbers, a text that
// passes the regional number test as the number it spells, any other text as that
// text (never a formula), an empty value or empty text as blank.
CellValue cellValueOf(const TaggedValue& value);

// The formatting of one cell; an unset member keeps the spreadsheet's default.
struct CellStyle {
    std::optional<int> horizontal;
    std::optional<int> vertical;
    std::optional<bool> wrap;
    std::optional<int> orientation;
    std::optional<bool> addIndent;
    std::optional<int> indentLevel;
    std::optional<bool> shrinkToFit;
    std::optional<int> readingOrder;
    std::optional<bool> bold;
    QString numberFormat; // empty: General

    void apply(SheetProperty property, const PropertyValue& value);
    friend bool operator==(const CellStyle&, const CellStyle&) = default;
};

// A SheetWriter that records the operations in order and keeps the sheet they
// produce: a later write replaces an earlier one, a range property reaches every
// cell of the range, a column property reaches the column and every cell already
// in it (merged cells included), a merge keeps the top-left value.
class SheetModel final : public SheetWriter {
public:
    struct Cell {
        CellValue value;
        CellStyle style;
        friend bool operator==(const Cell&, const Cell&) = default;
    };
    // Cells are kept column by column, so that a column format reaches its cells
    // without a walk over the whole sheet.
    struct CellKey {
        int column;
        int row;
        friend auto operator<=>(const CellKey&, const CellKey&) = default;
    };
    using CellMap = std::map<CellKey, Cell>;

    void setRangeValue(QStringView reference, const TaggedValue& value) override;
    void setCellValue(int row, int column, const TaggedValue& value) override;
    void setRangeProperty(QStringView reference, SheetProperty property, const PropertyValue& value) override;
    void mergeRange(QStringView reference) override;
    void setColumnWidth(QStringView columns, double width) override;
    void setColumnProperty(QStringView columns, SheetProperty property, const PropertyValue& value) override;
    void show() override;
    void setPageHeader(const PageTexts& texts) override;
    void setPageFooter(const PageTexts& texts) override;
    void keepRowsTogether(int firstRow, int lastRow) override;

    // The sheet as the operations left it.
    CellValue value(int row, int column) const;
    CellStyle style(int row, int column) const; // the cell's, else its column's
    const CellMap& cells() const { return m_cells; }
    const std::vector<CellRange>& merges() const { return m_merges; }
    std::optional<CellRange> mergeAt(int row, int column) const;
    std::optional<double> columnWidth(int column) const;
    CellStyle columnStyle(int column) const;
    const std::map<int, CellStyle>& columnStyles() const { return m_columnStyles; }
    const std::map<int, double>& columnWidths() const { return m_columnWidths; }
    // The last row with a value in it (0 for an empty sheet).
    int lastRow() const;
    bool isShown() const { return m_shown; }
    const PageTexts& pageHeader() const { return m_pageHeader; }
    const PageTexts& pageFooter() const { return m_pageFooter; }
    // The blocks of rows that stay on one page, first and last row of each.
    const std::vector<std::pair<int, int>>& rowsKeptTogether() const { return m_keptTogether; }

    // The operations in the order they were made, one readable line each
    // ("cell 11,3 = 1500.5", "merge A1:A2"). References that do not parse are
    // recorded and otherwise ignored.
    QStringList operations() const;

    // Same cells, merges, widths and column formats.
    bool sameSheet(const SheetModel& other) const;

private:
    // One operation as made; its readable line is built only when asked for.
    struct Operation {
        enum Kind {
            Value,
            Ignored,
            RangeProperty,
            Merge,
            Width,
            ColumnProperty,
            Show,
            Header,
            Footer,
            Keep
        } kind = Show;
        QString reference;
        int row = 0;
        int column = 0;
        CellValue value;
        SheetProperty property = SheetProperty::Bold;
        PropertyValue propertyValue;
        double width = 0.0;
    };

    Operation& record(Operation::Kind kind, QStringView reference = {});
    Cell& cellAt(int row, int column);
    void writeValue(int row, int column, const TaggedValue& value);

    CellMap m_cells;
    std::vector<CellRange> m_merges;
    std::map<int, double> m_columnWidths;
    std::map<int, CellStyle> m_columnStyles;
    std::deque<Operation> m_operations; // never moved as it grows
    bool m_shown = false;
    PageTexts m_pageHeader;
    PageTexts m_pageFooter;
    std::vector<std::pair<int, int>> m_keptTogether;
};

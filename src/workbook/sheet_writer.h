#pragma once

#include "state/tagged_value.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <variant>

// Property values as a spreadsheet application numbers them.
namespace xl {
inline constexpr int kCenter = -4108;         // horizontal or vertical centre
inline constexpr int kBottom = -4107;         // vertical bottom
inline constexpr int kTop = -4160;            // vertical top
inline constexpr int kLeft = -4131;           // horizontal left
inline constexpr int kRight = -4152;          // horizontal right
inline constexpr int kGeneral = 1;            // horizontal: by content
inline constexpr int kReadingContext = -5002; // reading order by context
} // namespace xl

// The cell and range properties a generator sets.
enum class SheetProperty {
    HorizontalAlignment, // int (xl::kCenter, xl::kGeneral, ...)
    VerticalAlignment,   // int (xl::kCenter, xl::kBottom, ...)
    WrapText,            // bool
    Orientation,         // int, degrees
    AddIndent,           // bool
    IndentLevel,         // int
    ShrinkToFit,         // bool
    ReadingOrder,        // int
    MergeCells,          // bool; false undoes a merge
    NumberFormat,        // text, e.g. "0"
    Bold,                // bool (the range's font)
};

using PropertyValue = std::variant<bool, int, QString>;

// A block of cells, 1-based and inclusive. Whole columns span every row.
struct CellRange {
    static constexpr int kMaxRow = 1048576;
    static constexpr int kMaxColumn = 16384;

    int firstRow = 1;
    int firstColumn = 1;
    int lastRow = 1;
    int lastColumn = 1;
    bool wholeColumns = false;

    bool contains(int row, int column) const {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
    bool intersects(const CellRange& other) const {
        return firstRow <= other.lastRow && other.firstRow <= lastRow && firstColumn <= other.lastColumn &&
               other.firstColumn <= lastColumn;
    }
    friend bool operator==(const CellRange&, const CellRange&) = default;
};

// Reads an A1-style reference: a cell ("A1", "b1"), a block ("D1:G1") or whole
// columns ("A:A", "D:G"). Letter case carries no meaning. nullopt when the text is
// not a reference.
std::optional<CellRange> parseReference(QStringView reference);

// Texts printed on every page, at its left, middle and right. In them "&P" stands
// for the page's number, "&N" for the number of pages and "&&" for "&".
struct PageTexts {
    QString left;
    QString centre;
    QString right;
    friend bool operator==(const PageTexts&, const PageTexts&) = default;
};

// The spreadsheet operations the plan generators use. One writer per generation;
// constructing it stands for starting a hidden application with a new workbook
// whose first worksheet every call addresses.
class SheetWriter {
public:
    virtual ~SheetWriter() = default;

    // The cell (or the top-left cell of a block) takes the value.
    virtual void setRangeValue(QStringView reference, const TaggedValue& value) = 0;
    // The cell at row and column (both from 1) takes the value; a later write wins.
    virtual void setCellValue(int row, int column, const TaggedValue& value) = 0;
    // The property applies to every cell of the block.
    virtual void setRangeProperty(QStringView reference, SheetProperty property,
                                  const PropertyValue& value) = 0;
    // The block becomes one cell showing the value of its top-left cell.
    virtual void mergeRange(QStringView reference) = 0;
    // Every column of a whole-column reference gets the width (character units).
    virtual void setColumnWidth(QStringView columns, double width) = 0;
    // Applies to the columns and to every cell already in them, merged ones included.
    virtual void setColumnProperty(QStringView columns, SheetProperty property,
                                   const PropertyValue& value) = 0;
    // Hands the finished sheet to the user.
    virtual void show() = 0;

    // The printed pages: what each carries above and below the table.
    virtual void setPageHeader(const PageTexts& texts) = 0;
    virtual void setPageFooter(const PageTexts& texts) = 0;
    // On paper the rows from first to last (from 1) stand on one page: no page
    // ends among them.
    virtual void keepRowsTogether(int firstRow, int lastRow) = 0;
};

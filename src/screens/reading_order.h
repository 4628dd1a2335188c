#pragma once

class QWidget;

// How a screen is read, by eye, with Tab and by a screen reader: top to bottom,
// then left to right, each grid of inputs column by column.
namespace readingOrder {

// Marks a grid whose columns are read one after the other (the quarters I and II
// stand in the left column, III and IV in the right; the months of a quarter
// stand in its column): the tab order goes down each column.
void readColumnsFirst(QWidget* grid);

// Gives every input control of the screen the caption of the label that prompts
// it as its accessible name and ties that label to it, where the screen has not
// named it itself; gives every figure its caption; leaves punctuation and unit
// labels out of what screen readers are told.
void describe(QWidget* screen);

// The tab order as the screen is read.
void orderTabs(QWidget* screen);

// The control Tab (or Shift+Tab) moves to from `from`: the next control that can
// take the keyboard now, an option of a set entered on the chosen one. Null when
// there is none.
QWidget* nextStop(QWidget* screen, QWidget* from, bool forward);

} // namespace readingOrder

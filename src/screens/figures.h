#pragma once

class QLabel;

// Shows a figure in the pattern "0" at the given size; an amount too large for a
// double shows as beyond what the program can hold, never as "inf".
void showFigure(QLabel* figure, double value, double points);
// Shows in place of a figure that its amount is beyond what the program can hold.
void showAmountOutOfRange(QLabel* figure);

#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringListModel>

class QLabel;
class QWidget;

// Layout geometry is given in twips; 15 twips make one logical pixel.
constexpr int twips(int value) {
    return (value + 7) / 15;
}
QRect fromTwips(int left, int top, int width, int height);
inline QRect fromTwips(const QRect& twipsRect) {
    return fromTwips(twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height());
}

// The look every screen shares.
namespace look {
inline const QColor kBackground{255, 192, 255};
inline const QColor kOption{192, 255, 255};
inline const QColor kFigure{0, 0, 192};
inline const QColor kError{255, 0, 0};
inline constexpr double kTextPoints = 9.75;
inline constexpr double kPromptPoints = 12.0;
inline constexpr double kSmallPoints = 8.25;
// The family of every screen's text: "MS Sans Serif" where the desktop has it,
// otherwise its metric-close substitute (Liberation Sans, then Arial).
const QString& family();
// The bold font every screen uses.
QFont font(double points = kTextPoints);
// Fills the widget with a colour of the layout.
void paintBackground(QWidget* widget, const QColor& colour);
void setTextColour(QLabel* label, const QColor& colour);
void setPoints(QWidget* widget, double points);
} // namespace look

// The items of drop-down lists as a read-only model, so that every list with the
// same items can share one model instead of holding its own copy of them.
class ReadOnlyItems final : public QStringListModel {
public:
    using QStringListModel::QStringListModel;
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QStringListModel::flags(index) & ~Qt::ItemIsEditable;
    }
    bool setData(const QModelIndex&, const QVariant&, int) override { return false; }
};

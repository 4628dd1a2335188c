#include "screens/figures.h"

#include "screens/look.h"
#include "state/number_rules.h"

#include <QLabel>

#include <cmath>

void showFigure(QLabel* figure, double value, double points) {
    if (!std::isfinite(value)) {
        showAmountOutOfRange(figure);
        return;
    }
    figure->setFont(look::font(points));
    figure->setToolTip(QString());
    figure->setText(numbers::formatWhole(value));
}

void showAmountOutOfRange(QLabel* figure) {
    figure->setFont(look::font(look::kTextPoints)); // the notice is longer than a figure
    figure->setToolTip(QStringLiteral(
        "Сумма выходит за пределы, которые программа может хранить (около 922 триллионов рублей); "
        "расчет не выполнен, прежние значения сохранены."));
    figure->setText(QStringLiteral("вне диапазона"));
}

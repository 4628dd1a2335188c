#include "screens/reading_order.h"

#include "screens/accessibility.h"
#include "screens/controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace readingOrder {

namespace {

const char* const kColumnsFirst = "columnsFirst";

// A caption worth reading out: it has a letter in it (not "%", "(", ".").
bool isCaption(const QLabel* label) {
    if (qobject_cast<const Figure*>(label))
        return false;
    const QString text = label->text();
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// Punctuation drawn beside inputs: some text, but no letter and no digit.
bool isPunctuation(const QLabel* label) {
    const QString text = label->text().simplified();
    return !text.isEmpty() &&
           std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QRect rectIn(const QWidget* w, const QWidget* screen) {
    return QRect(w->mapTo(screen, QPoint(0, 0)), w->size());
}

// Whether two widgets lie on the same page: the label's parent holds the control.
bool samePage(const QWidget* label, const QWidget* control) {
    return label->parentWidget() == control->parentWidget() || label->parentWidget()->isAncestorOf(control);
}

// The caption that prompts `control`: the nearest caption to its left on the same
// line, else the nearest one above it.
QLabel* promptOf(const QWidget* control, const QList<QLabel*>& labels, const QWidget* screen) {
    const QRect c = rectIn(control, screen);
    QLabel* left = nullptr;
    QLabel* above = nullptr;
    int leftGap = INT_MAX, aboveGap = INT_MAX;
    for (QLabel* label : labels) {
        if (!samePage(label, control) || !isCaption(label))
            continue;
        const QRect l = rectIn(label, screen);
        const bool sameLine = l.top() < c.bottom() && l.bottom() > c.top();
        const bool sameColumn = l.left() < c.right() && l.right() > c.left();
        if (sameLine && l.right() <= c.left() + 4 && c.left() - l.right() < leftGap) {
            leftGap = c.left() - l.right();
            left = label;
        } else if (sameColumn && l.bottom() <= c.top() + 4 && c.top() - l.bottom() < aboveGap) {
            aboveGap = c.top() - l.bottom();
            above = label;
        }
    }
    return left ? left : above;
}

// Whether Tab stops at a control of the screen.
bool isTabStop(const QWidget* w, const QWidget* screen) {
    if (w->window() != screen || (w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy() ||
        !w->isVisibleTo(screen) || !w->isEnabled())
        return false;
    // An option of a set is entered on the chosen one; the others are reached
    // from it with the arrow keys.
    if (const auto* option = qobject_cast<const OptionButton*>(w); option && !option->isChecked()) {
        const QList<QRadioButton*> set = option->set();
        return std::none_of(set.begin(), set.end(), [](const QRadioButton* o) { return o->isChecked(); });
    }
    return true;
}

} // namespace

void readColumnsFirst(QWidget* grid) {
    grid->setProperty(kColumnsFirst, true);
}

void describe(QWidget* screen) {
    const QList<QLabel*> labels = screen->findChildren<QLabel*>();
    for (QWidget* w : screen->findChildren<QWidget*>()) {
        if (qobject_cast<Figure*>(w))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            // Punctuation, and units, which the box or figure they stand beside
            // says itself ("рублей в месяц" is the description of its list).
            if (isPunctuation(label) || label->text().simplified().startsWith(QStringLiteral("рублей")))
                screenReader::makeDecorative(label);
            continue;
        }
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w);
        if (!input || !w->accessibleName().isEmpty())
            continue;
        if (QLabel* prompt = promptOf(w, labels, screen)) {
            w->setAccessibleName(spokenCaption(prompt->text()));
            prompt->setBuddy(w);
            // Screen readers read a box's name from its caption, also the dash.
            if (prompt->text() != w->accessibleName())
                prompt->setAccessibleName(w->accessibleName());
        }
    }
    // A figure is read with its caption; a caption of nothing else is left out,
    // so that it is not read twice.
    for (Figure* figure : screen->findChildren<Figure*>()) {
        QLabel* caption = promptOf(figure, labels, screen);
        figure->setCaption(caption);
        if (caption && !caption->buddy())
            screenReader::makeDecorative(caption);
    }
}

void orderTabs(QWidget* screen) {
    QList<QWidget*> stops;
    for (QWidget* w : screen->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->window() == screen)
            stops << w; // not the lists' pop-up windows
    // The grid a control lies in, if any: the grid takes its place among the other
    // controls as a whole, and its own controls are read down each column.
    const auto gridOf = [screen](const QWidget* w) -> const QWidget* {
        for (const QWidget* p = w->parentWidget(); p && p != screen; p = p->parentWidget())
            if (p->property(kColumnsFirst).toBool())
                return p;
        return nullptr;
    };
    // Rows (and a grid's columns) are the controls whose tops (lefts) lie within
    // half a line of each other.
    constexpr int kTolerance = 8;
    std::stable_sort(stops.begin(), stops.end(), [&](const QWidget* a, const QWidget* b) {
        const QWidget* gridA = gridOf(a);
        const QWidget* gridB = gridOf(b);
        if (gridA && gridA == gridB) {
            const QRect ra = rectIn(a, screen), rb = rectIn(b, screen);
            if (std::abs(ra.left() - rb.left()) > kTolerance)
                return ra.left() < rb.left();
            return ra.top() < rb.top();
        }
        const QRect ra = rectIn(gridA ? gridA : a, screen), rb = rectIn(gridB ? gridB : b, screen);
        if (std::abs(ra.top() - rb.top()) > kTolerance)
            return ra.top() < rb.top();
        return ra.left() < rb.left();
    });
    for (qsizetype i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
}

QWidget* nextStop(QWidget* screen, QWidget* from, bool forward) {
    for (QWidget* w = from;;) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return nullptr;
        if (isTabStop(w, screen))
            return w;
    }
}

} // namespace readingOrder

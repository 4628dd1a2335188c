#include "screens/twip_layout.h"

#include "screens/choice_list.h"
#include "screens/controls.h"
#include "screens/look.h"
#include "screens/wrapping_button.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

template <typename T> T* placed(T* widget, const QString& name, const QRect& twipsRect) {
    widget->setObjectName(name);
    widget->setGeometry(fromTwips(twipsRect));
    return widget;
}

// Captions wrap and start at the top left of their rectangle.
template <typename T> T* asCaption(T* label) {
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

QLabel* TwipLayout::addLabel(const QString& name, const QString& text, const QRect& twipsRect,
                             QWidget* parent) {
    return asCaption(placed(new QLabel(text, parentOr(parent)), name, twipsRect));
}

QLineEdit* TwipLayout::addTextBox(const QString& name, const QRect& twipsRect, QWidget* parent) {
    return placed(new TextBox(parentOr(parent)), name, twipsRect);
}

QComboBox* TwipLayout::addList(const QString& name, const QRect& twipsRect, const QStringList& items,
                               QWidget* parent) {
    auto* list = new ChoiceList(parentOr(parent));
    list->addItems(items);
    return finishList(list, name, twipsRect);
}

QComboBox* TwipLayout::addList(const QString& name, const QRect& twipsRect, QAbstractItemModel* items,
                               QWidget* parent) {
    auto* list = new ChoiceList(parentOr(parent));
    list->setModel(items);
    return finishList(list, name, twipsRect);
}

QComboBox* TwipLayout::finishList(ChoiceList* list, const QString& name, const QRect& twipsRect) {
    placed(list, name, twipsRect);
    list->setEditable(false);
    list->setCurrentIndex(-1);
    listMade(list);
    return list;
}

QPushButton* TwipLayout::addButton(const QString& name, const QString& text, const QRect& twipsRect,
                                   QWidget* parent) {
    auto* button = placed(new QPushButton(text, parentOr(parent)), name, twipsRect);
    button->setAutoDefault(true); // Enter presses the focused button
    return button;
}

QPushButton* TwipLayout::addWrappingButton(const QString& name, const QString& text, const QRect& twipsRect,
                                           QWidget* parent) {
    auto* button = placed(new WrappingButton(text, parentOr(parent)), name, twipsRect);
    button->setAutoDefault(true);
    return button;
}

QRadioButton* TwipLayout::addOption(const QString& name, const QString& text, const QRect& twipsRect,
                                    QWidget* parent) {
    auto* option = placed(new OptionButton(text, parentOr(parent)), name, twipsRect);
    look::paintBackground(option, look::kOption);
    option->setBackgroundRole(QPalette::Window); // buttons fill with the Button role otherwise
    return option;
}

Group* TwipLayout::addGroup(const QString& name, const QString& subject, const QRect& twipsRect,
                            QWidget* parent) {
    auto* group = placed(new Group(subject, parentOr(parent)), name, twipsRect);
    look::paintBackground(group, look::kBackground);
    return group;
}

Figure* TwipLayout::addFigure(const QString& name, const QString& text, const QRect& twipsRect,
                              QWidget* parent) {
    auto* figure = asCaption(placed(new Figure(text, parentOr(parent)), name, twipsRect));
    look::setTextColour(figure, look::kFigure);
    return figure;
}

QLabel* TwipLayout::addError(const QString& name, const QString& text, const QRect& twipsRect,
                             QWidget* parent) {
    auto* label = asCaption(placed(new NotificationLabel(text, parentOr(parent)), name, twipsRect));
    look::setTextColour(label, look::kError);
    label->hide();
    return label;
}

void TwipLayout::setPageVisible(QWidget* page, bool visible) {
    page->setVisible(visible);
}

void TwipLayout::pressOnEnter(QLineEdit* box, QAbstractButton* button) {
    QObject::connect(box, &QLineEdit::returnPressed, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->click();
    });
}
